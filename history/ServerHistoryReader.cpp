// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/ServerHistoryReader.h"
#include "net/Ipv4.h"

#include "base/Text.h"
#include "history/HistorySchema.h"
#include "history/Log.h"
#include "history/StateTimeline.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

namespace {

constexpr qint64 Day = 24 * 60 * 60;

struct Kept {
    ComputerHistory history;
    qint64 firstSeen = 0, lastSeen = 0;
    bool state = false;
    int octet = 0;
    QString scanner;  // as stored
    std::vector<StateChange> changes;
};

struct WholeTest {
    qint64 ended;
    int firstOctet, lastOctet;
};

} // namespace

std::optional<std::vector<ComputerHistory>> ServerHistoryReader::computers(const HistoryRange& range, const QDateTime& now,
                                                                           const QString& fromScanner)
{
    const qint64 at = now.toSecsSinceEpoch(), dayStart = at - Day, weekStart = at - 7 * Day;
    const qint64 lowest = range.lowest(), highest = range.highest();
    const QString scanner = fromScanner.isEmpty() ? QStringLiteral("") : fromScanner;  // a null QString binds as NULL
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    auto run = [&](const QString& text, std::initializer_list<QVariant> values) {
        query.prepare(text);
        for (const QVariant& value : values) query.addBindValue(value);
        if (query.exec()) return true;
        m_error = HistorySchema::reason(query.lastError());
        return false;
    };
    // Every scanner, or one: a condition that the same two parameters fill.
    const QString ofScanner = QStringLiteral(" AND (? = '' OR scanner = ?)");
    if (!query.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"))) {
        m_error = HistorySchema::reason(query.lastError());
        return std::nullopt;
    }
    std::map<qint64, Kept> kept;
    std::map<QString, std::vector<WholeTest>> tests;  // by scanner
    const bool read = [&] {
        // The latest sighting first: the first row of an address is the one shown.
        if (!run(QStringLiteral("SELECT address, first_seen, last_seen, name, mac, answering, state, seen_by, scanner,"
                                " (SELECT count(*) FROM changes c WHERE c.scanner = k.scanner AND c.address = k.address)"
                                " FROM computers k WHERE address BETWEEN ? AND ?") + ofScanner +
                     QStringLiteral(" ORDER BY address, last_seen DESC, scanner"),
                 {lowest, highest, scanner, scanner}))
            return false;
        while (query.next()) {
            const qint64 address = query.value(0).toLongLong();
            if (kept.contains(address)) continue;
            Kept& computer = kept[address];
            computer.firstSeen = query.value(1).toLongLong();
            computer.lastSeen = query.value(2).toLongLong();
            computer.state = query.value(6).toLongLong() != 0;
            computer.octet = int(address & 0xFF);
            ComputerHistory& history = computer.history;
            history.address = QString::fromStdString(addressText(quint32(address)));
            history.name = printable(query.value(3).toString());
            history.mac = printable(query.value(4).toString());
            history.firstSeen = QDateTime::fromSecsSinceEpoch(computer.firstSeen);
            history.lastSeen = QDateTime::fromSecsSinceEpoch(computer.lastSeen);
            history.present = query.value(5).isNull() ? computer.state : query.value(5).toLongLong() != 0;
            const QString seenBy = query.value(7).toString();
            history.seenBy = seenBy == QLatin1String("echo") ? ComputerHistory::SeenBy::Echo
                             : seenBy == QLatin1String("link") ? ComputerHistory::SeenBy::Link
                                                              : ComputerHistory::SeenBy::Unknown;
            computer.scanner = query.value(8).toString();
            history.scanner = printable(computer.scanner);
            history.changes = query.value(9).toInt();
        }
        if (!run(QStringLiteral("SELECT scanner, ended, first_octet, last_octet FROM tests WHERE network = ?"
                                " AND whole = 1 AND ended > ? AND ended <= ?") + ofScanner + QStringLiteral(" ORDER BY ended"),
                 {qint64(range.network()), weekStart, at, scanner, scanner}))
            return false;
        while (query.next())
            tests[query.value(0).toString()].push_back({query.value(1).toLongLong(), query.value(2).toInt(), query.value(3).toInt()});
        if (!run(QStringLiteral("SELECT address, scanner, time, answering FROM changes WHERE address BETWEEN ? AND ?"
                                " AND time > ?") + ofScanner + QStringLiteral(" ORDER BY address, time"),
                 {lowest, highest, weekStart, scanner, scanner}))
            return false;
        while (query.next()) {
            const auto computer = kept.find(query.value(0).toLongLong());
            if (computer != kept.end() && computer->second.scanner == query.value(1).toString())
                computer->second.changes.push_back({query.value(2).toLongLong(), query.value(3).toLongLong() != 0});
        }
        return true;
    }();
    query.finish();
    if (!query.exec(QStringLiteral("COMMIT")))
        qCWarning(lcHistory) << "ending a read failed:" << HistorySchema::reason(query.lastError());
    if (!read) return std::nullopt;

    std::vector<ComputerHistory> computers;
    computers.reserve(kept.size());
    for (auto& [address, computer] : kept) {
        std::vector<qint64> covering;
        for (const WholeTest& test : tests[computer.scanner])
            if (test.firstOctet <= computer.octet && computer.octet <= test.lastOctet) covering.push_back(test.ended);
        const bool initial = computer.changes.empty() ? computer.state : !computer.changes.front().present;
        const StateTimeline timeline(initial, std::move(computer.changes));
        ComputerHistory& history = computer.history;
        history.uptime24h = timeline.uptime(covering, std::max(dayStart + 1, computer.firstSeen), at);
        history.uptime7d = timeline.uptime(covering, std::max(weekStart + 1, computer.firstSeen), at);
        const qint64 lastObserved = std::min(at, std::max(covering.empty() ? 0 : covering.back(), computer.lastSeen));
        for (const StateSpan& span : timeline.spans(std::max(dayStart, computer.firstSeen), lastObserved))
            history.timeline.push_back({QDateTime::fromSecsSinceEpoch(span.from), QDateTime::fromSecsSinceEpoch(span.to),
                                        span.present});
        computers.push_back(std::move(history));
    }
    return computers;
}
