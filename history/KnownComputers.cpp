// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/KnownComputers.h"

#include "net/Ipv4.h"
#include "history/HistoryRange.h"
#include "history/HistorySchema.h"

#include <QRegularExpression>
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
    m_error = HistorySchema::reason(query.lastError());
    return false;
}

bool KnownComputers::observe(qint64 time, const std::vector<std::pair<quint32, QString>>& sightings,
                             KnownSightings* learned)
{
    std::map<QString, std::set<quint32>> addressesOf;
    for (const auto& [address, mac] : sightings)
        if (!mac.isEmpty()) addressesOf[mac].insert(address);
    QSqlQuery select(m_database), write(m_database), kept(m_database);
    select.prepare(QStringLiteral("SELECT last_address FROM known_computers WHERE mac = ?"));
    kept.prepare(QStringLiteral("SELECT 1 FROM computers AS c JOIN known_computers AS k ON k.mac = c.mac"
                                " WHERE c.address = ? AND c.mac = ? AND c.last_seen >= k.last_seen"));
    // Before the test's own rows are written: whether the MAC was at one of these addresses at its last sighting.
    const auto hadOneOf = [&](const QString& mac, const std::set<quint32>& addresses) {
        for (const quint32 address : addresses) {
            kept.addBindValue(address);
            kept.addBindValue(mac);
            if (!kept.exec()) return std::optional<bool>();
            const bool had = kept.next();
            kept.finish();
            if (had) return std::optional(true);
        }
        return std::optional(false);
    };
    for (const auto& [mac, addresses] : addressesOf) {
        select.addBindValue(mac);
        if (!select.exec()) return fail(select);
        const bool known = select.next();
        const bool hasLast = known && !select.value(0).isNull();
        const quint32 last = hasLast ? quint32(select.value(0).toLongLong()) : 0;
        select.finish();
        const quint32 now = *addresses.begin();
        if (!known) {
            write.prepare(QStringLiteral("INSERT INTO known_computers (mac, first_seen, last_address, last_seen)"
                                         " VALUES (?, ?, ?, ?)"));
            for (const QVariant& value : {QVariant(mac), QVariant(time), QVariant(now), QVariant(time)}) write.addBindValue(value);
            if (!write.exec()) return fail(write);
            learned->newComputers.push_back({mac, QString::fromStdString(addressText(now))});
            continue;
        }
        // A MAC still at one of the addresses it answers for has not moved.
        const std::optional<bool> stayed = hasLast && !addresses.contains(last) ? hadOneOf(mac, addresses) : std::optional(true);
        if (!stayed) return fail(kept);
        const bool moved = !*stayed;
        if (moved) {
            write.prepare(QStringLiteral("INSERT OR REPLACE INTO moves (address, time, mac, from_address) VALUES (?, ?, ?, ?)"));
            for (const QVariant& value : {QVariant(now), QVariant(time), QVariant(mac), QVariant(last)}) write.addBindValue(value);
            if (!write.exec()) return fail(write);
            learned->moves.push_back({mac, QString::fromStdString(addressText(last)), QString::fromStdString(addressText(now)),
                                      QDateTime::fromSecsSinceEpoch(time)});
        }
        write.prepare(QStringLiteral("UPDATE known_computers SET last_seen = max(last_seen, ?), last_address = ?"
                                     " WHERE mac = ?"));
        for (const QVariant& value : {QVariant(time), QVariant(hasLast && addresses.contains(last) ? last : now), QVariant(mac)})
            write.addBindValue(value);
        if (!write.exec()) return fail(write);
    }
    std::sort(learned->newComputers.begin(), learned->newComputers.end(), [](const NewComputer& a, const NewComputer& b) {
        return parseAddress(a.address.toStdString()) < parseAddress(b.address.toStdString());
    });
    return true;
}

bool KnownComputers::name(const QString& key, const QString& label, const QString& note)
{
    QSqlQuery query(m_database);
    if (const QString mac = macOf(key); !mac.isEmpty()) {
        // A MAC never seen may be named ahead: it counts as seen now.
        query.prepare(QStringLiteral("INSERT INTO known_computers (mac, label, note, first_seen, last_seen)"
                                     " VALUES (?, ?, ?, strftime('%s', 'now'), strftime('%s', 'now'))"
                                     " ON CONFLICT (mac) DO UPDATE SET label = excluded.label, note = excluded.note"));
        query.addBindValue(mac);
    } else {
        const std::optional<quint32> address = parseAddress(key.toStdString());
        if (!address) {
            m_error = QStringLiteral("'%1' is neither a MAC address nor an IPv4 address").arg(key);
            return false;
        }
        query.prepare(QStringLiteral("INSERT OR REPLACE INTO named_addresses (address, label, note) VALUES (?, ?, ?)"));
        query.addBindValue(*address);
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
        query.prepare(QStringLiteral("DELETE FROM named_addresses WHERE address = ?"));
        query.addBindValue(*address);
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
    if (!query.exec(QStringLiteral("SELECT mac, label, note, first_seen, last_address, last_seen FROM known_computers"
                                   " UNION ALL SELECT '', label, note, NULL, address, NULL FROM named_addresses"
                                   " ORDER BY 5, 1")))
        return fail(query), std::nullopt;
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
    if (!query.exec(QStringLiteral("SELECT address, label FROM named_addresses"))) return fail(query), std::nullopt;
    while (query.next()) names.byAddress.insert(QString::fromStdString(addressText(quint32(query.value(0).toLongLong()))), query.value(1).toString());
    return names;
}
