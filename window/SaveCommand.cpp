// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/SaveCommand.h"

#include "files/TextFile.h"
#include "window/Dialogs.h"

#include <QDir>
#include <QFileInfo>

SaveCommand::SaveCommand(QString dialogTitle, QString proposedName)
    : m_title(std::move(dialogTitle)), m_fileName(std::move(proposedName))
{
}

void SaveCommand::run(QWidget* parent, Dialogs& dialogs, const std::function<QByteArray()>& bytes)
{
    const std::optional<QString> chosen = dialogs.saveFileName(parent, m_title, m_fileName);
    if (!chosen || chosen->isEmpty()) return;
    QString name = *chosen;
    if (QFileInfo(name).suffix().isEmpty() && !name.endsWith(QLatin1Char('.'))) name += QStringLiteral(".txt");
    const QFileInfo file(name);
    m_fileName = file.absoluteFilePath();
    bool saved = false;
    try {
        saved = writeTextFile(m_fileName, bytes());
    } catch (const std::exception&) {
        saved = false;
    }
    if (saved)
        QDir::setCurrent(file.absolutePath());
    else
        dialogs.showMessage(parent, QStringLiteral("Cannot save file ") + m_fileName);
}
