// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistorySchema.h"

#include "history/Log.h"

#include <QElapsedTimer>
#include <QThread>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Times are seconds since the epoch; addresses and networks are numbers
// (A.B.C.D = A << 24 | B << 16 | C << 8 | D, network A.B.C = A << 16 | B << 8 | C).
// Per computer and test nothing is kept but what changed: a change row when
// its presence (an echo or the link) flips, its sighting in computers.
constexpr const char* CreateStatements[] = {
    "CREATE TABLE tests (id INTEGER PRIMARY KEY, network INTEGER NOT NULL, first_octet INTEGER NOT NULL,"
    " last_octet INTEGER NOT NULL, preset INTEGER NOT NULL, started INTEGER NOT NULL, ended INTEGER NOT NULL,"
    " whole INTEGER NOT NULL)",
    "CREATE INDEX tests_by_network ON tests (network, whole, ended)",
    // answering: present at the last whole test covering it (NULL before one); state: present after its
    // latest change or its first sighting, set at state_time; seen_by: 'echo', 'link' or 'tcp' at its last sighting.
    // The names of version 1 stay, where they meant the echo alone.
    "CREATE TABLE computers (address INTEGER PRIMARY KEY, first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL,"
    " name TEXT NOT NULL, mac TEXT NOT NULL, answering INTEGER, state INTEGER NOT NULL,"
    " state_time INTEGER NOT NULL, seen_by TEXT)",
    "CREATE TABLE changes (address INTEGER NOT NULL, time INTEGER NOT NULL, answering INTEGER NOT NULL,"
    " PRIMARY KEY (address, time)) WITHOUT ROWID",
};

// From version 1: nothing read the round trips or the misses.
constexpr const char* MigrateFrom1[] = {
    "ALTER TABLE computers ADD COLUMN seen_by TEXT",
    "ALTER TABLE computers DROP COLUMN missed",
    "DROP TABLE round_trips",
};

// To version 3: the computers known by their MAC, with the user's names, and
// the moves of a MAC from one address to another. The MACs already kept count
// as known, so that an older history brings no new-computer notices.
constexpr const char* KnownComputersStep[] = {
    "CREATE TABLE known_computers (mac TEXT PRIMARY KEY, label TEXT NOT NULL DEFAULT '',"
    " note TEXT NOT NULL DEFAULT '', first_seen INTEGER NOT NULL, last_address INTEGER, last_seen INTEGER NOT NULL)"
    " WITHOUT ROWID",
    "CREATE TABLE named_addresses (address INTEGER PRIMARY KEY, label TEXT NOT NULL, note TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE moves (address INTEGER NOT NULL, time INTEGER NOT NULL, mac TEXT NOT NULL,"
    " from_address INTEGER NOT NULL, PRIMARY KEY (address, time, mac)) WITHOUT ROWID",
    "INSERT INTO known_computers (mac, first_seen, last_address, last_seen)"
    " SELECT mac, first, (SELECT address FROM computers AS c WHERE c.mac = seen.mac ORDER BY last_seen DESC, address"
    " LIMIT 1), last FROM (SELECT mac, min(first_seen) AS first, max(last_seen) AS last FROM computers"
    " WHERE mac <> '' GROUP BY mac) AS seen",
};

enum class Kind { Ours, Empty, Foreign };

struct Identity {
    Kind kind = Kind::Foreign;
    int version = 0;
    QString error;
};

bool isBusy(const QSqlError& error)
{
    return (error.nativeErrorCode().toInt() & 0xFF) == 5;  // SQLITE_BUSY
}

// Runs a statement, again while another program holds the file (a new file's
// first writers race to create it and to turn WAL on), for wait.ms at most.
bool execWaiting(QSqlQuery& query, const QString& statement, const LockWait& wait)
{
    QElapsedTimer waited;
    waited.start();
    while (!query.exec(statement)) {
        if (!isBusy(query.lastError()) || waited.elapsed() >= wait.ms) return false;
        if (wait.giveUp && wait.giveUp->load()) return false;
        QThread::msleep(LockWait::SliceMs / 10);
    }
    return true;
}

Identity identify(QSqlDatabase& database, const LockWait& wait)
{
    // One statement: one snapshot, also while another program creates the tables.
    QSqlQuery query(database);
    Identity identity;
    if (!execWaiting(query, QStringLiteral("SELECT application_id, user_version, (SELECT count(*) FROM sqlite_master)"
                                           " FROM pragma_application_id, pragma_user_version"), wait) ||
        !query.next()) {
        identity.error = HistorySchema::reason(query.lastError());
        return identity;
    }
    const qint64 applicationId = query.value(0).toLongLong(), objects = query.value(2).toLongLong();
    identity.version = query.value(1).toInt();
    if (applicationId == HistorySchema::ApplicationId) identity.kind = Kind::Ours;
    else if (applicationId == 0 && objects == 0) identity.kind = Kind::Empty;
    return identity;
}

} // namespace

QString HistorySchema::reason(const QSqlError& error)
{
    return error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
}

QString HistorySchema::beginWrite(QSqlDatabase& database, const LockWait& wait)
{
    QSqlQuery control(database);
    QElapsedTimer waited;
    waited.start();
    // IMMEDIATE takes the write lock first, so that a second writer waits for it instead of failing.
    while (!control.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        if (!isBusy(control.lastError()) || waited.elapsed() >= wait.ms) return reason(control.lastError());
        if (wait.giveUp && wait.giveUp->load()) return QStringLiteral("database is locked; the program ends without waiting");
    }
    return QString();
}

QString HistorySchema::prepare(QSqlDatabase& database, bool writable, const LockWait& wait, int* version)
{
    Identity identity = identify(database, wait);
    *version = identity.version;
    if (!identity.error.isEmpty()) return identity.error;
    if (identity.kind == Kind::Foreign) return QStringLiteral("not a Scanvet history file");
    if (identity.kind == Kind::Ours && identity.version > Version)
        return QStringLiteral("written by a later Scanvet (history version %1; this one reads %2)").arg(identity.version).arg(Version);
    // Nothing in it yet: made but never written, or being made by another program this moment.
    if (!writable && identity.kind == Kind::Empty) *version = 0;
    if (!writable) return QString();

    QSqlQuery query(database);
    // WAL lets a reader go on while the other program writes; it needs no transaction.
    if (!execWaiting(query, QStringLiteral("PRAGMA journal_mode=WAL"), wait) || !query.next())
        return reason(query.lastError());
    if (query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return QStringLiteral("cannot use WAL mode (journal mode stays %1)").arg(query.value(0).toString());
    query.finish();
    if (identity.kind == Kind::Ours && identity.version == Version) return QString();

    // Another program may be creating or migrating the same file: decide again inside the write lock.
    if (QString error = beginWrite(database, wait); !error.isEmpty()) return error;
    identity = identify(database, wait);
    QString error = identity.error;
    const auto run = [&](const auto& statements) {
        for (const char* statement : statements)
            if (error.isEmpty() && !query.exec(QLatin1String(statement))) error = reason(query.lastError());
    };
    // Each step takes the tables one version on; a new file is made as version 2 and taken on from there.
    if (error.isEmpty() && identity.kind == Kind::Empty) {
        run(CreateStatements);
        if (error.isEmpty() && !query.exec(QStringLiteral("PRAGMA application_id=%1").arg(ApplicationId)))
            error = reason(query.lastError());
        identity.version = 2;
    }
    if (error.isEmpty() && identity.kind == Kind::Ours && identity.version == 1) {
        run(MigrateFrom1);
        identity.version = 2;
    }
    if (error.isEmpty() && identity.kind != Kind::Foreign && identity.version == 2) {
        run(KnownComputersStep);
        identity.version = 3;
    }
    if (error.isEmpty() && identity.kind == Kind::Foreign) {
        error = QStringLiteral("not a Scanvet history file");
    }
    if (error.isEmpty() && !query.exec(QStringLiteral("PRAGMA user_version=%1").arg(Version)))
        error = reason(query.lastError());
    if (error.isEmpty() && query.exec(QStringLiteral("COMMIT"))) {
        *version = Version;
        return QString();
    }
    if (error.isEmpty()) error = reason(query.lastError());
    if (!query.exec(QStringLiteral("ROLLBACK")))
        qCWarning(lcHistory) << "rollback after" << error << "failed:" << reason(query.lastError());
    return error;
}
