// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/SaveCommand.h"

#include "files/TextFile.h"
#include "window/Dialogs.h"

#include <QDir>
#include <QFileInfo>

SaveCommand::SaveCommand(QString dialogTitle, QString proposedName)
    : title(std::move(dialogTitle)), fileName(std::move(proposedName))
{
}

void SaveCommand::run(QWidget* parent, Dialogs& dialogs, const std::function<QByteArray()>& bytes)
{
    const std::optional<QString> chosen = dialogs.saveFileName(parent, title, fileName);
    if (!chosen || chosen->isEmpty()) return;
    QString name = *chosen;
    if (QFileInfo(name).suffix().isEmpty() && !name.endsWith(QLatin1Char('.'))) name += QStringLiteral(".txt");
    const QFileInfo file(name);
    fileName = file.absoluteFilePath();
    bool saved = false;
    try {
        saved = writeTextFile(fileName, bytes());
    } catch (const std::exception&) {
        saved = false;
    }
    if (saved)
        QDir::setCurrent(file.absolutePath());
    else
        dialogs.showMessage(parent, QStringLiteral("Cannot save file ") + fileName);
}
