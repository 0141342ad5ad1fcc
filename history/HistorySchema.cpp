// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistorySchema.h"

#include "history/Log.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

// Times are seconds since the epoch; addresses and networks are numbers
// (A.B.C.D = A << 24 | B << 16 | C << 8 | D, network A.B.C = A << 16 | B << 8 | C).
// Per computer and test nothing is kept but what changed: a change row when
// its answering state flips, its sighting in computers, its round trips summed per day.
constexpr const char* CreateStatements[] = {
    "CREATE TABLE tests (id INTEGER PRIMARY KEY, network INTEGER NOT NULL, first_octet INTEGER NOT NULL,"
    " last_octet INTEGER NOT NULL, preset INTEGER NOT NULL, started INTEGER NOT NULL, ended INTEGER NOT NULL,"
    " whole INTEGER NOT NULL)",
    "CREATE INDEX tests_by_network ON tests (network, whole, ended)",
    // answering: at the last whole test covering it (NULL before one); state: after its latest change
    // or its first sighting, set at state_time; missed: whole tests missed in a row (NULL: never answered one).
    "CREATE TABLE computers (address INTEGER PRIMARY KEY, first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL,"
    " name TEXT NOT NULL, mac TEXT NOT NULL, answering INTEGER, state INTEGER NOT NULL,"
    " state_time INTEGER NOT NULL, missed INTEGER)",
    "CREATE TABLE changes (address INTEGER NOT NULL, time INTEGER NOT NULL, answering INTEGER NOT NULL,"
    " PRIMARY KEY (address, time)) WITHOUT ROWID",
    // day: the local date's Julian day number.
    "CREATE TABLE round_trips (address INTEGER NOT NULL, day INTEGER NOT NULL, minimum INTEGER NOT NULL,"
    " maximum INTEGER NOT NULL, total INTEGER NOT NULL, count INTEGER NOT NULL,"
    " PRIMARY KEY (address, day)) WITHOUT ROWID",
};

enum class Kind { Ours, Empty, Foreign };

struct Identity {
    Kind kind = Kind::Foreign;
    int version = 0;
    QString error;
};

Identity identify(QSqlDatabase& database)
{
    // One statement: one snapshot, also while another program creates the tables.
    QSqlQuery query(database);
    Identity identity;
    if (!query.exec(QStringLiteral("SELECT application_id, user_version, (SELECT count(*) FROM sqlite_master)"
                                   " FROM pragma_application_id, pragma_user_version")) || !query.next()) {
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

QString HistorySchema::prepare(QSqlDatabase& database, bool writable)
{
    Identity identity = identify(database);
    if (!identity.error.isEmpty()) return identity.error;
    if (identity.kind == Kind::Foreign) return QStringLiteral("not a Scanvet history file");
    if (identity.kind == Kind::Ours && identity.version > Version)
        return QStringLiteral("written by a later Scanvet (history version %1; this one reads %2)").arg(identity.version).arg(Version);
    if (!writable) return identity.kind == Kind::Empty ? QStringLiteral("no history in it") : QString();

    QSqlQuery query(database);
    // WAL lets a reader go on while the other program writes; it needs no transaction.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next())
        return reason(query.lastError());
    if (query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return QStringLiteral("cannot use WAL mode (journal mode stays %1)").arg(query.value(0).toString());
    query.finish();
    if (identity.kind == Kind::Ours) return QString();  // version 1 is the first: nothing to migrate yet

    // Another program may be creating the same file: decide again inside the write lock.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) return reason(query.lastError());
    identity = identify(database);
    QString error = identity.error;
    if (error.isEmpty() && identity.kind == Kind::Empty) {
        for (const char* statement : CreateStatements)
            if (error.isEmpty() && !query.exec(QLatin1String(statement))) error = reason(query.lastError());
        if (error.isEmpty() && !query.exec(QStringLiteral("PRAGMA application_id=%1").arg(ApplicationId)))
            error = reason(query.lastError());
        if (error.isEmpty() && !query.exec(QStringLiteral("PRAGMA user_version=%1").arg(Version)))
            error = reason(query.lastError());
    } else if (error.isEmpty() && identity.kind == Kind::Foreign) {
        error = QStringLiteral("not a Scanvet history file");
    }
    if (error.isEmpty() && query.exec(QStringLiteral("COMMIT"))) return QString();
    if (error.isEmpty()) error = reason(query.lastError());
    if (!query.exec(QStringLiteral("ROLLBACK")))
        qCWarning(lcHistory) << "rollback after" << error << "failed:" << reason(query.lastError());
    return error;
}
