// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/KnownComputers.h"

#include "net/Ipv4.h"
#include "history/HistoryRange.h"
#include "history/HistorySchema.h"

#include <QRegularExpression>
#include <QStringList>
#include <QSqlQuery>
#include <QVariant>

#include <map>
#include <set>

QString KnownComputers::macOf(const QString& key)
{
    static const QRegularExpression mac(QStringLiteral("^[0-9a-fA-F]{2}(:[0-9a-fA-F]{2}){5}$"));
    return mac.match(key).hasMatch() ? key.toLower() : QString();
}

std::vector<std::pair<quint32, QString>> KnownComputers::sightingsOf(const std::vector<TestRecord>& tests)
{
    std::vector<std::pair<quint32, QString>> macs;
    for (const TestRecord& test : tests)
        for (const ComputerResult& computer : test.computers)
            if (const auto address = parseAddress(computer.address.toStdString()))
                for (const QString& mac : {computer.mac, computer.conflict}) macs.emplace_back(*address, mac);
    return macs;
}

bool KnownComputers::fail(const QSqlQuery& query)
{
    m_sqlError = query.lastError();
    m_error = HistorySchema::reason(m_sqlError);
    return false;
}

namespace {

// MACs per statement: each takes up to three bound values, within both servers' limits.
constexpr size_t MacsPerStatement = 400;

QString placeholders(size_t count, const QString& one)
{
    QStringList all;
    for (size_t i = 0; i < count; ++i) all << one;
    return all.join(QStringLiteral(", "));
}

} // namespace

QString KnownComputers::scannerCondition(const char* table) const
{
    if (!onServer()) return QString();
    return table ? QStringLiteral(" AND %1.scanner = ?").arg(QLatin1String(table)) : QStringLiteral(" AND scanner = ?");
}

void KnownComputers::bindScanner(QSqlQuery& query) const
{
    if (onServer()) query.addBindValue(m_scanner);
}

bool KnownComputers::observe(qint64 time, const std::vector<std::pair<quint32, QString>>& sightings,
                             KnownSightings* learned)
{
    std::map<QString, std::set<quint32>> addressesOf, some;
    for (const auto& [address, mac] : sightings)
        if (!mac.isEmpty()) addressesOf[mac].insert(address);
    for (auto it = addressesOf.begin(); it != addressesOf.end();) {
        some.insert(*it++);
        if (some.size() < MacsPerStatement && it != addressesOf.end()) continue;
        if (!observeSome(time, some, learned)) return false;
        some.clear();
    }
    std::sort(learned->newComputers.begin(), learned->newComputers.end(), [](const NewComputer& a, const NewComputer& b) {
        return parseAddress(a.address.toStdString()) < parseAddress(b.address.toStdString());
    });
    return true;
}

struct KnownComputers::Last {
    std::optional<quint32> address;
    bool byThisScanner = true;  // in a file, always
};

bool KnownComputers::observeSome(qint64 time, const std::map<QString, std::set<quint32>>& addressesOf,
                                 KnownSightings* learned)
{
    QSqlQuery query(m_database);
    const auto bindMacs = [&] {
        for (const auto& entry : addressesOf) query.addBindValue(entry.first);
    };
    const QString macList = placeholders(addressesOf.size(), QStringLiteral("?"));
    // The rows known, locked on a server until the commit: a scanner that
    // sees the same MACs at once waits here and then reads what this one left.
    query.prepare(QStringLiteral("SELECT mac, last_address, %1 FROM known_computers WHERE mac IN (%2) ORDER BY mac%3")
                      .arg(onServer() ? QStringLiteral("scanner") : QStringLiteral("NULL"), macList,
                           onServer() ? QStringLiteral(" FOR UPDATE") : QString()));
    bindMacs();
    if (!query.exec()) return fail(query);
    std::map<QString, Last> known;
    while (query.next())
        known[query.value(0).toString()] = {query.value(1).isNull() ? std::nullopt : std::optional(quint32(query.value(1).toLongLong())),
                                            !onServer() || query.value(2).toString() == m_scanner};
    query.finish();

    // New MACs: a scanner that inserted one meanwhile keeps it, and this one learns nothing of it.
    std::vector<std::pair<QString, quint32>> fresh;
    for (const auto& [mac, addresses] : addressesOf)
        if (!known.contains(mac)) fresh.emplace_back(mac, *addresses.begin());
    if (!fresh.empty()) {
        const QString columns = onServer() ? QStringLiteral(", scanner") : QString();
        query.prepare(QStringLiteral("INSERT INTO known_computers (mac, first_seen, last_address, last_seen%1) VALUES %2"
                                     " ON CONFLICT (mac) DO NOTHING RETURNING mac, last_address")
                          .arg(columns, placeholders(fresh.size(), onServer() ? QStringLiteral("(?, ?, ?, ?, ?)")
                                                                              : QStringLiteral("(?, ?, ?, ?)"))));
        for (const auto& [mac, address] : fresh) {
            for (const QVariant& value : {QVariant(mac), QVariant(time), QVariant(qint64(address)), QVariant(time)}) query.addBindValue(value);
            bindScanner(query);
        }
        if (!query.exec()) return fail(query);
        while (query.next())
            learned->newComputers.push_back({query.value(0).toString(), QString::fromStdString(addressText(quint32(query.value(1).toLongLong())))});
        query.finish();
    }
    if (known.empty()) return true;

    // Before the test's own rows are written: whether the MAC was at one of these addresses at its last sighting.
    QSqlQuery kept(m_database);
    kept.prepare(QStringLiteral("SELECT 1 FROM computers AS c JOIN known_computers AS k ON k.mac = c.mac"
                                " WHERE c.address = ? AND c.mac = ? AND c.last_seen >= k.last_seen") + scannerCondition("c"));
    const auto hadOneOf = [&](const QString& mac, const std::set<quint32>& addresses) {
        for (const quint32 address : addresses) {
            kept.addBindValue(qint64(address));
            kept.addBindValue(mac);
            bindScanner(kept);
            if (!kept.exec()) return std::optional<bool>();
            const bool had = kept.next();
            kept.finish();
            if (had) return std::optional(true);
        }
        return std::optional(false);
    };
    std::vector<std::pair<QString, quint32>> stays;  // each known MAC with the address it is kept at
    std::vector<ComputerMove> moves;
    for (const auto& [mac, last] : known) {
        const std::set<quint32>& addresses = addressesOf.at(mac);
        const quint32 now = *addresses.begin();
        // A MAC still at one of the addresses it answers for has not moved; nor has one
        // another scanner saw last, as two sites' addresses are not comparable.
        const bool atLast = last.address && addresses.contains(*last.address);
        const std::optional<bool> stayed = last.address && !atLast && last.byThisScanner ? hadOneOf(mac, addresses) : std::optional(true);
        if (!stayed) return fail(kept);
        if (!*stayed)
            moves.push_back({mac, QString::fromStdString(addressText(*last.address)), QString::fromStdString(addressText(now)),
                             QDateTime::fromSecsSinceEpoch(time)});
        stays.emplace_back(mac, atLast ? *last.address : now);
    }
    if (!moves.empty()) {
        query.prepare(QStringLiteral("INSERT INTO moves (address, time, mac, from_address%1) VALUES %2"
                                     " ON CONFLICT (address, time, mac%1) DO UPDATE SET from_address = excluded.from_address")
                          .arg(onServer() ? QStringLiteral(", scanner") : QString(),
                               placeholders(moves.size(), onServer() ? QStringLiteral("(?, ?, ?, ?, ?)") : QStringLiteral("(?, ?, ?, ?)"))));
        for (const ComputerMove& move : moves) {
            for (const QVariant& value : {QVariant(qint64(parseAddress(move.to.toStdString()).value_or(0))), QVariant(time),
                                          QVariant(move.mac), QVariant(qint64(parseAddress(move.from.toStdString()).value_or(0)))})
                query.addBindValue(value);
            bindScanner(query);
        }
        if (!query.exec()) return fail(query);
        learned->moves.insert(learned->moves.end(), moves.begin(), moves.end());
    }
    // One statement for every known MAC; the scanner that saw it last goes with its last sighting.
    QString addressCases;
    for (size_t i = 0; i < stays.size(); ++i) addressCases += QStringLiteral(" WHEN ? THEN CAST(? AS BIGINT)");
    query.prepare(QStringLiteral("UPDATE known_computers SET last_seen = CASE WHEN last_seen > ? THEN last_seen ELSE ? END,"
                                 " last_address = CASE mac%1 END%2 WHERE mac IN (%3)")
                      .arg(addressCases,
                           onServer() ? QStringLiteral(", scanner = CASE WHEN last_seen > ? THEN scanner ELSE ? END") : QString(),
                           placeholders(stays.size(), QStringLiteral("?"))));
    query.addBindValue(time);
    query.addBindValue(time);
    for (const auto& [mac, address] : stays) {
        query.addBindValue(mac);
        query.addBindValue(qint64(address));
    }
    if (onServer()) {
        query.addBindValue(time);
        query.addBindValue(m_scanner);
    }
    for (const auto& stay : stays) query.addBindValue(stay.first);
    return query.exec() || fail(query);
}

bool KnownComputers::name(const QString& key, const QString& label, const QString& note)
{
    QSqlQuery query(m_database);
    if (const QString mac = macOf(key); !mac.isEmpty()) {
        // A MAC never seen may be named ahead: it counts as seen now.
        query.prepare(QStringLiteral("INSERT INTO known_computers (mac, first_seen, last_seen, label, note) VALUES (?, ?, ?, ?, ?)"
                                     " ON CONFLICT (mac) DO UPDATE SET label = excluded.label, note = excluded.note"));
        query.addBindValue(mac);
        query.addBindValue(QDateTime::currentSecsSinceEpoch());
        query.addBindValue(QDateTime::currentSecsSinceEpoch());
    } else {
        const std::optional<quint32> address = parseAddress(key.toStdString());
        if (!address) {
            m_error = QStringLiteral("'%1' is neither a MAC address nor an IPv4 address").arg(key);
            return false;
        }
        query.prepare(onServer() ? QStringLiteral("INSERT INTO named_addresses (address, scanner, label, note) VALUES (?, ?, ?, ?)"
                                                  " ON CONFLICT (address, scanner) DO UPDATE SET label = excluded.label, note = excluded.note")
                                 : QStringLiteral("INSERT INTO named_addresses (address, label, note) VALUES (?, ?, ?)"
                                                  " ON CONFLICT (address) DO UPDATE SET label = excluded.label, note = excluded.note"));
        query.addBindValue(qint64(*address));
        bindScanner(query);
    }
    // A null text would be bound as NULL.
    query.addBindValue(label.isNull() ? QString(QLatin1String("")) : label);
    query.addBindValue(note.isNull() ? QString(QLatin1String("")) : note);
    return query.exec() || fail(query);
}

bool KnownComputers::forget(const QString& key, bool* found)
{
    QSqlQuery query(m_database);
    if (const QString mac = macOf(key); !mac.isEmpty()) {
        query.prepare(QStringLiteral("UPDATE known_computers SET label = '', note = '' WHERE mac = ? AND (label <> '' OR note <> '')"));
        query.addBindValue(mac);
    } else if (const std::optional<quint32> address = parseAddress(key.toStdString())) {
        query.prepare(QStringLiteral("DELETE FROM named_addresses WHERE address = ?") + scannerCondition());
        query.addBindValue(qint64(*address));
        bindScanner(query);
    } else {
        m_error = QStringLiteral("'%1' is neither a MAC address nor an IPv4 address").arg(key);
        return false;
    }
    if (!query.exec()) return fail(query);
    *found = query.numRowsAffected() > 0;
    return true;
}

std::optional<std::vector<KnownComputer>> KnownComputers::all()
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    std::vector<KnownComputer> computers;
    query.prepare(QStringLiteral("SELECT mac, label, note, first_seen, last_address, last_seen FROM known_computers"
                                 " UNION ALL SELECT '', label, note, NULL, address, NULL FROM named_addresses WHERE 1 = 1%1"
                                 " ORDER BY 5, 1").arg(scannerCondition()));
    bindScanner(query);
    if (!query.exec()) return fail(query), std::nullopt;
    const auto time = [](const QVariant& value) { return value.isNull() ? QDateTime() : QDateTime::fromSecsSinceEpoch(value.toLongLong()); };
    while (query.next())
        computers.push_back({query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                             time(query.value(3)), time(query.value(5)),
                             query.value(4).isNull() ? QString() : QString::fromStdString(addressText(quint32(query.value(4).toLongLong())))});
    return computers;
}

std::optional<KnownNames> KnownComputers::names()
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    KnownNames names;
    if (!query.exec(QStringLiteral("SELECT mac, label FROM known_computers WHERE label <> ''"))) return fail(query), std::nullopt;
    while (query.next()) names.byMac.insert(query.value(0).toString(), query.value(1).toString());
    query.prepare(QStringLiteral("SELECT address, label FROM named_addresses WHERE 1 = 1") + scannerCondition());
    bindScanner(query);
    if (!query.exec()) return fail(query), std::nullopt;
    while (query.next()) names.byAddress.insert(QString::fromStdString(addressText(quint32(query.value(0).toLongLong()))), query.value(1).toString());
    return names;
}
