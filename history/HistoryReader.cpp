// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistoryReader.h"

#include "base/Durations.h"
#include "net/Ipv4.h"

#include "history/Log.h"
#include "history/HistorySchema.h"
#include "base/Text.h"
#include "history/KeptComputer.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

namespace {

QDateTime localTime(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds);
}

} // namespace

bool HistoryReader::fail(const QSqlQuery& query)
{
    m_error = HistorySchema::reason(query.lastError());
    return false;
}

QString HistoryReader::moveText(quint32 from, quint32 to, const QDateTime& time)
{
    const auto shown = [&](quint32 address) {
        return (address >> 8) == (to >> 8) ? QStringLiteral(".%1").arg(address & 0xFF) : QString::fromStdString(addressText(address));
    };
    return QStringLiteral("moved from %1 to %2 at %3").arg(shown(from), shown(to), time.toString(QStringLiteral("HH:mm")));
}

bool HistoryReader::readKnown(QSqlQuery& query, const HistoryRange& range,
                              const std::function<ComputerHistory*(quint32)>& computerAt)
{
    const auto run = [&](const char* text) {
        query.prepare(QLatin1String(text));
        query.addBindValue(range.lowest());
        query.addBindValue(range.highest());
        return query.exec() || fail(query);
    };
    if (!run("SELECT c.address, coalesce(nullif(k.label, ''), n.label, '') FROM computers AS c"
             " LEFT JOIN known_computers AS k ON k.mac = c.mac AND c.mac <> ''"
             " LEFT JOIN named_addresses AS n ON n.address = c.address WHERE c.address BETWEEN ? AND ?"))
        return false;
    while (query.next())
        if (ComputerHistory* computer = computerAt(quint32(query.value(0).toLongLong())))
            computer->label = printable(query.value(1).toString());
    if (!run("SELECT address, from_address, time FROM moves WHERE address BETWEEN ? AND ? ORDER BY address, time"))
        return false;
    while (query.next()) {
        const quint32 address = quint32(query.value(0).toLongLong());
        if (ComputerHistory* computer = computerAt(address))
            computer->moved = moveText(quint32(query.value(1).toLongLong()), address, localTime(query.value(2).toLongLong()));
    }
    return true;
}

std::optional<std::vector<ComputerHistory>> HistoryReader::computers(const HistoryRange& range, const QDateTime& now)
{
    const qint64 at = now.toSecsSinceEpoch(), weekStart = at - 7 * SecondsPerDay;
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    auto run = [&](const char* text, std::initializer_list<QVariant> values) {
        query.prepare(QLatin1String(text));
        for (const QVariant& value : values) query.addBindValue(value);
        return query.exec() || fail(query);
    };
    if (!run("BEGIN", {})) return std::nullopt;
    std::map<quint32, KeptComputer> kept;
    std::vector<WholeTest> tests;
    const bool read = [&] {
        // A file of version 1 knows no seen_by; its states are of the echo alone until a test migrates it.
        const char* const select = m_version >= 2
            ? "SELECT address, first_seen, last_seen, name, mac, answering, state, seen_by FROM computers"
              " WHERE address BETWEEN ? AND ?"
            : "SELECT address, first_seen, last_seen, name, mac, answering, state, NULL FROM computers"
              " WHERE address BETWEEN ? AND ?";
        if (!run(select, {range.lowest(), range.highest()})) return false;
        while (query.next()) {
            const quint32 address = quint32(query.value(0).toLongLong());
            kept.insert_or_assign(address, KeptComputer(address, query, 1));
        }
        if (!run("SELECT ended, first_octet, last_octet FROM tests WHERE network = ? AND whole = 1"
                 " AND ended > ? AND ended <= ? ORDER BY ended", {range.network(), weekStart, at}))
            return false;
        while (query.next())
            tests.push_back({query.value(0).toLongLong(), query.value(1).toInt(), query.value(2).toInt()});
        if (!run("SELECT address, time, answering FROM changes WHERE address BETWEEN ? AND ? AND time > ?"
                 " ORDER BY address, time", {range.lowest(), range.highest(), weekStart}))
            return false;
        while (query.next()) {
            const auto computer = kept.find(quint32(query.value(0).toLongLong()));
            if (computer != kept.end()) computer->second.addChange(query.value(1).toLongLong(), query.value(2).toBool());
        }
        if (!run("SELECT address, count(*) FROM changes WHERE address BETWEEN ? AND ? GROUP BY address",
                 {range.lowest(), range.highest()}))
            return false;
        while (query.next()) {
            const auto computer = kept.find(quint32(query.value(0).toLongLong()));
            if (computer != kept.end()) computer->second.history().changes = query.value(1).toInt();
        }
        return m_version < 3 || readKnown(query, range, [&](quint32 address) -> ComputerHistory* {
            const auto computer = kept.find(address);
            return computer == kept.end() ? nullptr : &computer->second.history();
        });
    }();
    query.finish();
    if (!query.exec(QStringLiteral("COMMIT")))  // a read-only snapshot: nothing to lose
        qCWarning(lcHistory) << "ending a read failed:" << HistorySchema::reason(query.lastError());
    if (!read) return std::nullopt;

    std::vector<ComputerHistory> computers;
    computers.reserve(kept.size());
    for (auto& [address, computer] : kept) computers.push_back(computer.finish(tests, now));
    return computers;
}
