// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistoryQueries.h"

#include "base/Durations.h"
#include "history/HistorySchema.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

std::optional<qint64> testsOlderThan(const QSqlDatabase& database, int days, const QDateTime& now, QString* reason)
{
    QSqlQuery query(database);
    query.prepare(QStringLiteral("SELECT count(*) FROM tests WHERE ended < min(?, (SELECT max(ended) FROM tests)) - ?"));
    query.addBindValue(now.toSecsSinceEpoch());
    query.addBindValue(qint64(days) * SecondsPerDay);
    if (!query.exec() || !query.next()) {
        *reason = HistorySchema::reason(query.lastError());
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}

bool readPresenceBaseline(const QSqlDatabase& database, const std::vector<HistoryRange>& pieces, int preset, int cap,
                          std::optional<PresenceBaseline>* baseline, QString* reason)
{
    const auto failed = [reason](const QSqlQuery& query) {
        *reason = HistorySchema::reason(query.lastError());
        return false;
    };
    QSqlQuery covered(database), computers(database);
    covered.prepare(QStringLiteral("SELECT EXISTS (SELECT 1 FROM tests WHERE network = ? AND whole AND preset = ?"
                                   " AND first_octet <= ? AND last_octet >= ?)"));
    // The count stops at the cap: a computer gone for a year costs no more than one gone for a test.
    computers.prepare(QStringLiteral(
        "SELECT address, mac, (SELECT count(*) FROM (SELECT 1 FROM tests WHERE network = ? AND whole AND preset = ?"
        " AND first_octet <= address % 256 AND last_octet >= address % 256 AND ended > last_seen LIMIT ?))"
        " FROM computers WHERE address BETWEEN ? AND ? ORDER BY address"));
    PresenceBaseline read;
    for (const HistoryRange& piece : pieces) {
        for (const QVariant& value : {QVariant(piece.network()), QVariant(preset), QVariant(piece.first()), QVariant(piece.last())})
            covered.addBindValue(value);
        if (!covered.exec() || !covered.next()) return failed(covered);
        if (!covered.value(0).toBool()) {
            baseline->reset();
            return true;
        }
        for (const QVariant& value : {QVariant(piece.network()), QVariant(preset), QVariant(std::max(cap, 1)),
                                      QVariant(piece.lowest()), QVariant(piece.highest())})
            computers.addBindValue(value);
        if (!computers.exec()) return failed(computers);
        while (computers.next())
            read.computers.push_back({quint32(computers.value(0).toLongLong()), computers.value(1).toString(),
                                      computers.value(2).toInt()});
    }
    std::sort(read.computers.begin(), read.computers.end(),
              [](const PresenceBaseline::Computer& a, const PresenceBaseline::Computer& b) { return a.address < b.address; });
    *baseline = std::move(read);
    return true;
}
