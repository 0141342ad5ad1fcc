// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/SaveCommand.h"

#include "files/TextFile.h"
#include "window/Dialogs.h"
#include "window/Log.h"

#include <QDir>
#include <QFileInfo>

SaveCommand::SaveCommand(QString title, QString proposedName)
    : m_title(std::move(title)), m_fileName(std::move(proposedName))
{
}

void SaveCommand::run(QWidget* parent, Dialogs& dialogs, QString& folder, const std::function<QByteArray()>& bytes)
{
    const std::optional<QString> chosen =
        dialogs.saveFileName(parent, m_title, QFileInfo(m_fileName).fileName(), folder);
    if (!chosen || chosen->isEmpty()) return;
    QString name = *chosen;
    if (QFileInfo(name).suffix().isEmpty() && !name.endsWith(QLatin1Char('.'))) name += QStringLiteral(".txt");
    const QFileInfo file(QDir(folder), name);
    m_fileName = file.absoluteFilePath();
    QString why;
    bool saved = false;
    try {
        saved = writeTextFile(m_fileName, bytes(), &why);
    } catch (const std::exception& e) {
        why = QString::fromLocal8Bit(e.what());
    }
    if (saved) {
        folder = file.absolutePath();
        return;
    }
    qCWarning(lcWindow) << "cannot save" << m_fileName << ":" << why;
    dialogs.showMessage(parent, QStringLiteral("Cannot save file ") + m_fileName, why);
}
