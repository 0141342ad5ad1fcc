// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history file's tables, their version, and how a file is told to be
// ours: PRAGMA application_id marks it, PRAGMA user_version numbers its tables,
// so that a later program can migrate them and an older one refuses them.
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <atomic>

// How long a write waits for another program's: SQLite waits in slices, so
// that a program about to end can give up between two of them.
struct LockWait {
    static constexpr int SliceMs = 50;
    int ms = 0;
    const std::atomic_bool* giveUp = nullptr;  // set: stop waiting
};

class HistorySchema {
public:
    // 2: presence by echo or link, and how a computer was last seen (seen_by);
    // no round trips and no count of misses. A file of 1 is read as it is and
    // migrated at its first write.
    // 3: the known computers by MAC, the names given by address, and the moves.
    static constexpr int Version = 3;
    static constexpr int ApplicationId = 0x53766831;  // "Svh1"

    // Checks that the open database is a history of ours, or a new empty file,
    // and when writable sets WAL mode and creates or migrates the tables.
    // An empty string, or the reason it is not usable (nothing is written
    // then). version: the tables' version as they are now; 0 where a file
    // opened to read has nothing in it yet.
    [[nodiscard]] static QString prepare(QSqlDatabase& database, bool writable, const LockWait& wait, int* version);

    // BEGIN IMMEDIATE, waiting up to wait.ms for another program's write lock.
    [[nodiscard]] static QString beginWrite(QSqlDatabase& database, const LockWait& wait);

    // SQLite's own text where there is one, else Qt's.
    static QString reason(const QSqlError& error);
};
