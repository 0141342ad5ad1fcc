// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Reads of the history file beside the store's own: how many tests a
// shorter Keep history would delete, and what the change notices count
// from, so that their count of missed tests outlives the program.
#pragma once

#include "history/HistoryRange.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

// The computers the history holds in a test's ranges, each with the whole
// tests of one preset that covered it in a row since it was last seen.
struct PresenceBaseline {
    struct Computer {
        quint32 address = 0;  // A.B.C.D as a number
        QString mac;          // at its last sighting; empty where none
        int misses = 0;       // counted up to the cap asked for
    };
    std::vector<Computer> computers;  // ascending
};

// The tests that keeping only days would delete, counted as the store prunes:
// from now, or from the newest stored test where now lies ahead of it.
[[nodiscard]] std::optional<qint64> testsOlderThan(const QSqlDatabase& database, int days, const QDateTime& now,
                                                   QString* reason);

// Null in *baseline where a piece was never covered by a whole test of the
// preset: a first test, which tells nothing. False on failure (reason).
[[nodiscard]] bool readPresenceBaseline(const QSqlDatabase& database, const std::vector<HistoryRange>& pieces, int preset,
                                        int cap, std::optional<PresenceBaseline>* baseline, QString* reason);
