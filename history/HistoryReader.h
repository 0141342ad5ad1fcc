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

#include <functional>
#include <optional>
#include <vector>

class QSqlQuery;

class HistoryReader {
public:
    // version: of the file's tables (HistorySchema), as they may be read without a migration.
    HistoryReader(const QSqlDatabase& database, int version) : m_database(database), m_version(version) {}

    // None on failure (error(): SQLite's reason).
    std::optional<std::vector<ComputerHistory>> computers(const HistoryRange& range, const QDateTime& now);
    QString error() const { return m_error; }
    // "moved from .23 to .57 at 14:05"; the whole address where it was in another /24.
    static QString moveText(quint32 from, quint32 to, const QDateTime& time);

private:
    bool fail(const QSqlQuery& query);
    // The labels and the latest move of each computer that computerAt finds (version 3 on).
    bool readKnown(QSqlQuery& query, const HistoryRange& range, const std::function<ComputerHistory*(quint32)>& computerAt);

    QSqlDatabase m_database;
    int m_version;
    QString m_error;
};
