// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history's queries, each read in one snapshot of the file, so that a
// test another program commits meanwhile is seen whole or not at all.
#pragma once

#include "history/ComputerHistory.h"
#include "history/HistoryRange.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

class QSqlQuery;

class HistoryReader {
public:
    explicit HistoryReader(const QSqlDatabase& database) : m_database(database) {}

    // None on failure (error(): SQLite's reason).
    std::optional<std::vector<ComputerHistory>> computers(const HistoryRange& range, const QDateTime& now);
    std::optional<std::vector<DailyRoundTrip>> roundTrips(quint32 address);
    QString error() const { return m_error; }

private:
    bool fail(const QSqlQuery& query);

    QSqlDatabase m_database;
    QString m_error;
};
