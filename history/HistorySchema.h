// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history file's tables, their version, and how a file is told to be
// ours: PRAGMA application_id marks it, PRAGMA user_version numbers its tables,
// so that a later program can migrate them and an older one refuses them.
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

class HistorySchema {
public:
    static constexpr int Version = 1;
    static constexpr int ApplicationId = 0x53766831;  // "Svh1"

    // Checks that the open database is a history of ours, or a new empty file,
    // and when writable sets WAL mode and creates the tables of an empty one.
    // An empty string, or the reason it is not usable (nothing is written then).
    [[nodiscard]] static QString prepare(QSqlDatabase& database, bool writable);

    // SQLite's own text where there is one, else Qt's.
    static QString reason(const QSqlError& error);
};
