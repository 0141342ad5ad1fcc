// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Save List under either list: the save dialog, the file written, and the
// message when it cannot be. Each list has its own, which proposes the file
// chosen last.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class Dialogs;
class QWidget;

class SaveCommand {
public:
    SaveCommand(QString title, QString proposedName);

    // Asks for a file in folder (".txt" is added to a name without an
    // extension) and writes bytes() into it. Once the file is saved, folder
    // becomes its folder, where the next save dialog opens; a failed save
    // moves nothing. The settings file never moves: it stays in the folder
    // the program started in.
    void run(QWidget* parent, Dialogs& dialogs, QString& folder, const std::function<QByteArray()>& bytes);

private:
    QString m_title;
    QString m_fileName;  // proposed; after a save, the one chosen last
};
