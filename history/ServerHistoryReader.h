// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history's query on a server, read in one snapshot: every scanner's
// view of each computer of a range, or one scanner's. Where several scanners
// saw a computer, the one that saw it last gives its row, its uptime and its
// last day.
#pragma once

#include "history/ComputerHistory.h"
#include "history/HistoryRange.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

class ServerHistoryReader {
public:
    explicit ServerHistoryReader(const QSqlDatabase& database) : m_database(database) {}

    // fromScanner empty: every scanner. None on failure (error()).
    std::optional<std::vector<ComputerHistory>> computers(const HistoryRange& range, const QDateTime& now,
                                                          const QString& fromScanner);
    QString error() const { return m_error; }

private:
    QSqlDatabase m_database;
    QString m_error;
};
