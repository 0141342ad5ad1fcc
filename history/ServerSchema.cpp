// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/ServerSchema.h"

#include "history/HistorySchema.h"
#include "history/Log.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

// Numbers as in the file (addresses need 64 bits here: PostgreSQL has no
// unsigned 32); uid: a test's identifier, so that a test sent again is taken once.
constexpr const char* CreateStatements[] = {
    "CREATE TABLE scanvet_history_version (version INTEGER NOT NULL)",
    "CREATE TABLE tests (id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY, uid TEXT NOT NULL UNIQUE,"
    " scanner TEXT NOT NULL, network BIGINT NOT NULL, first_octet INTEGER NOT NULL, last_octet INTEGER NOT NULL,"
    " preset INTEGER NOT NULL, started BIGINT NOT NULL, ended BIGINT NOT NULL, whole INTEGER NOT NULL)",
    "CREATE INDEX tests_by_network ON tests (network, whole, ended)",
    "CREATE TABLE computers (scanner TEXT NOT NULL, address BIGINT NOT NULL, first_seen BIGINT NOT NULL,"
    " last_seen BIGINT NOT NULL, name TEXT NOT NULL, mac TEXT NOT NULL, answering INTEGER, state INTEGER NOT NULL,"
    " state_time BIGINT NOT NULL, seen_by TEXT, PRIMARY KEY (address, scanner))",
    "CREATE INDEX computers_by_scanner ON computers (scanner, address)",
    "CREATE TABLE changes (scanner TEXT NOT NULL, address BIGINT NOT NULL, time BIGINT NOT NULL,"
    " answering INTEGER NOT NULL, PRIMARY KEY (address, scanner, time))",
};

// To version 3. The MACs already kept count as known (no new-computer notice
// for them), each with the scanner that saw it last. changes: the count of
// the computer's changes kept, which the record and the prune keep up, so
// that the page need not count them.
constexpr const char* KnownComputersStep[] = {
    "CREATE TABLE known_computers (mac TEXT PRIMARY KEY, label TEXT NOT NULL DEFAULT '', note TEXT NOT NULL DEFAULT '',"
    " first_seen BIGINT NOT NULL, last_address BIGINT, last_seen BIGINT NOT NULL, scanner TEXT)",
    "CREATE TABLE named_addresses (scanner TEXT NOT NULL, address BIGINT NOT NULL, label TEXT NOT NULL,"
    " note TEXT NOT NULL DEFAULT '', PRIMARY KEY (address, scanner))",
    "CREATE TABLE moves (scanner TEXT NOT NULL, address BIGINT NOT NULL, time BIGINT NOT NULL, mac TEXT NOT NULL,"
    " from_address BIGINT NOT NULL, PRIMARY KEY (address, scanner, time, mac))",
    "INSERT INTO known_computers (mac, first_seen, last_address, last_seen, scanner)"
    " SELECT DISTINCT ON (mac) mac, min(first_seen) OVER seen, address, max(last_seen) OVER seen, scanner FROM computers"
    " WHERE mac <> '' WINDOW seen AS (PARTITION BY mac) ORDER BY mac, last_seen DESC, address, scanner",
    "ALTER TABLE computers ADD COLUMN changes INTEGER NOT NULL DEFAULT 0",
    "UPDATE computers k SET changes = c.kept FROM (SELECT scanner, address, count(*) AS kept FROM changes"
    " GROUP BY scanner, address) c WHERE k.scanner = c.scanner AND k.address = c.address",
};

// Any number, the same in every scanner: the lock that one creation holds.
constexpr qint64 CreationLock = 0x53766831;

} // namespace

QString ServerSchema::prepare(QSqlDatabase& database)
{
    QSqlQuery query(database);
    QString error;
    bool migrate = false;
    const auto exec = [&](const QString& text) {
        if (error.isEmpty() && !query.exec(text)) error = HistorySchema::reason(query.lastError());
        return error.isEmpty();
    };
    if (!exec(QStringLiteral("BEGIN")) || !exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(CreationLock)) ||
        !exec(QStringLiteral("SELECT to_regclass('scanvet_history_version') IS NOT NULL, to_regclass('tests') IS NOT NULL")) ||
        !query.next()) {
        if (error.isEmpty()) error = HistorySchema::reason(query.lastError());
    } else if (query.value(0).toBool()) {
        if (exec(QStringLiteral("SELECT max(version) FROM scanvet_history_version")) && query.next()) {
            const int version = query.value(0).toInt();
            if (version > Version)
                error = QStringLiteral("written by a later Scanvet (history version %1; this one reads %2)")
                            .arg(version).arg(Version);
            else if (version == 2)
                migrate = true;
            else if (version < Version)
                error = QStringLiteral("history version %1 is not one this Scanvet migrates").arg(version);
        }
    } else if (query.value(1).toBool()) {
        error = QStringLiteral("not a Scanvet history database (it has a tests table of its own)");
    } else {
        for (const char* statement : CreateStatements) exec(QLatin1String(statement));
        exec(QStringLiteral("INSERT INTO scanvet_history_version (version) VALUES (2)"));
        migrate = true;
    }
    // Each step takes the tables one version on; new tables are made as version 2 and taken on from there.
    if (migrate) {
        for (const char* statement : KnownComputersStep) exec(QLatin1String(statement));
        exec(QStringLiteral("UPDATE scanvet_history_version SET version = %1").arg(Version));
    }
    if (error.isEmpty() && exec(QStringLiteral("COMMIT"))) return QString();
    if (!query.exec(QStringLiteral("ROLLBACK")))
        qCWarning(lcHistory) << "rollback after" << error << "failed:" << HistorySchema::reason(query.lastError());
    return error;
}
