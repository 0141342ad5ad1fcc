// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/ServerHistoryReader.h"

#include "base/Durations.h"
#include "base/Text.h"
#include "history/HistoryReader.h"
#include "history/HistorySchema.h"
#include "history/KeptComputer.h"

#include <QVariant>

#include <map>

namespace {

// The rows of two kinds, in one result: 0 the computers shown (the latest
// sighting of each address) with the count of their changes kept (kept in
// the row), their changes of the week ("time:answering,..."), the user's
// name (by MAC, else by the scanner's address) and the latest move
// ("from:time"); 1 the whole tests of their scanners in the week. The
// changes are read per computer shown: a plan made once for any week would
// read the whole table for them.
constexpr const char* Select =
    "WITH shown AS (SELECT DISTINCT ON (address) address, first_seen, last_seen, name, mac, answering, state, seen_by,"
    " scanner, changes FROM computers WHERE address BETWEEN $1 AND $2 AND ($3 = '' OR scanner = $3)"
    " ORDER BY address, last_seen DESC, scanner)"
    " SELECT 0 AS kind, address, first_seen, last_seen, name, mac, answering, state, seen_by, scanner, changes,"
    " (SELECT string_agg(c.time || ':' || c.answering, ',' ORDER BY c.time) FROM changes c"
    " WHERE c.scanner = s.scanner AND c.address = s.address AND c.time > $5),"
    " coalesce(nullif((SELECT k.label FROM known_computers k WHERE k.mac = s.mac AND s.mac <> ''), ''),"
    " (SELECT n.label FROM named_addresses n WHERE n.scanner = s.scanner AND n.address = s.address), ''),"
    " (SELECT m.from_address || ':' || m.time FROM moves m WHERE m.scanner = s.scanner AND m.address = s.address"
    " ORDER BY m.time DESC, m.mac DESC LIMIT 1) FROM shown s"
    " UNION ALL SELECT 1, NULL, ended, first_octet, NULL, NULL, last_octet, NULL, NULL, scanner, NULL, NULL, NULL, NULL"
    " FROM tests WHERE network = $4 AND whole = 1 AND ended > $5 AND ended <= $6 AND scanner IN (SELECT scanner FROM shown)"
    " ORDER BY 1, 2, 3";

} // namespace

std::optional<std::vector<ComputerHistory>> ServerHistoryReader::computers(const HistoryRange& range, const QDateTime& now,
                                                                           const QString& fromScanner)
{
    const qint64 at = now.toSecsSinceEpoch(), weekStart = at - 7 * SecondsPerDay;
    if (!m_prepared) {
        m_query.setForwardOnly(true);
        m_prepared = m_query.prepare(QLatin1String(Select));
        if (!m_prepared) return m_error = HistorySchema::reason(m_query.lastError()), std::nullopt;
    }
    const QVariant values[] = {qint64(range.lowest()), qint64(range.highest()),
                               fromScanner.isEmpty() ? QStringLiteral("") : fromScanner,  // a null QString binds as NULL
                               qint64(range.network()), weekStart, at};
    for (int i = 0; i < int(std::size(values)); ++i) m_query.bindValue(i, values[i]);
    if (!m_query.exec()) return m_error = HistorySchema::reason(m_query.lastError()), std::nullopt;

    std::map<qint64, std::pair<QString, KeptComputer>> kept;  // by address: its scanner, as stored
    std::map<QString, std::vector<WholeTest>> tests;  // by scanner
    while (m_query.next()) {
        const auto value = [this](int i) { return m_query.value(i); };
        const qint64 address = value(1).toLongLong();
        if (value(0).toInt() == 1) {
            tests[value(9).toString()].push_back({value(2).toLongLong(), value(3).toInt(), value(6).toInt()});
            continue;
        }
        auto& [scanner, computer] = kept[address];
        computer = KeptComputer(quint32(address), m_query, 2);
        scanner = value(9).toString();
        computer.history().scanner = printable(scanner);
        computer.history().changes = value(10).toInt();
        for (const QString& change : value(11).toString().split(u',', Qt::SkipEmptyParts))
            computer.addChange(change.section(u':', 0, 0).toLongLong(), change.section(u':', 1) != QLatin1String("0"));
        computer.history().label = printable(value(12).toString());
        if (const QString move = value(13).toString(); !move.isEmpty())
            computer.history().moved = HistoryReader::moveText(quint32(move.section(u':', 0, 0).toLongLong()), quint32(address),
                                                               QDateTime::fromSecsSinceEpoch(move.section(u':', 1).toLongLong()));
    }
    m_query.finish();

    std::vector<ComputerHistory> computers;
    computers.reserve(kept.size());
    for (auto& [address, computer] : kept) computers.push_back(computer.second.finish(tests[computer.first], now));
    return computers;
}
