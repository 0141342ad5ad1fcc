// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history's query on a server: every scanner's view of each computer of
// a range, or one scanner's. Where several scanners saw a computer, the one
// that saw it last gives its row, its uptime and its last day. One statement
// reads it all, so that it is one snapshot and one round trip; it is
// prepared once for the connection.
#pragma once

#include "history/ComputerHistory.h"
#include "history/HistoryRange.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <optional>
#include <vector>

class ServerHistoryReader {
public:
    explicit ServerHistoryReader(const QSqlDatabase& database) : m_query(database) {}

    // fromScanner empty: every scanner. None on failure (error()).
    std::optional<std::vector<ComputerHistory>> computers(const HistoryRange& range, const QDateTime& now,
                                                          const QString& fromScanner);
    QString error() const { return m_error; }

private:
    QSqlQuery m_query;
    bool m_prepared = false;
    QString m_error;
};
