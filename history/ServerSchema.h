// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history's tables on a PostgreSQL server: those of the SQLite file, of
// the same version, with the scanner that made each row. Each scanner keeps
// its own view of a computer (its sightings, state and changes), so that two
// scanners never change the same row; the readers merge them. The version
// lives in a table of its own, scanvet_history_version.
#pragma once

#include <QSqlDatabase>
#include <QString>

class ServerSchema {
public:
    // The server's own version. 2: the file's tables of its version 2 with
    // the scanner of each row. 3: the known computers (one row per MAC for
    // every scanner, with the scanner that saw it last), each scanner's names
    // by address and moves, and each computer's count of its changes kept.
    static constexpr int Version = 3;

    // Checks the tables' version, creates them in an empty database, and
    // takes those of an older version on.
    // Several scanners may do so at once: one creates, the others wait for it.
    // An empty string, or the reason the database is not usable (nothing is
    // written then).
    [[nodiscard]] static QString prepare(QSqlDatabase& database);
};
