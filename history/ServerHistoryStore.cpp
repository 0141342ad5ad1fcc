// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/ServerHistoryStore.h"

#include "base/Durations.h"
#include "history/HistorySchema.h"
#include "history/KnownComputers.h"
#include "history/Log.h"
#include "history/ServerHistoryReader.h"
#include "history/ServerLocation.h"
#include "history/ServerSchema.h"
#include "history/TestChanges.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <map>

namespace {

// A failure that sending the test again will not mend: the server refused
// its data (SQLSTATE class 22) or a constraint (23).
bool refusesTheData(const QSqlError& error)
{
    const QString state = error.nativeErrorCode();
    return state.startsWith(QLatin1String("22")) || state.startsWith(QLatin1String("23"));
}

} // namespace

// Each statement is a round trip through the server's socket: a test's piece
// takes two, its computers and its changes going as one JSON document each.
struct ServerHistoryStore::Statements {
    explicit Statements(const QSqlDatabase& database)
        : addTest(database), writeRows(database), dropLaterChanges(database), lastChange(database), reader(database)
    {
    }
    // The test, and the scanner's rows of its range where it is new (the
    // first column: 1 where it was added, 0 where it was there before).
    QSqlQuery addTest;
    // Flips the changes (a change kept at the test's time goes instead: two
    // flips in one second cancel out) and upserts the rows.
    QSqlQuery writeRows;
    QSqlQuery dropLaterChanges, lastChange;
    ServerHistoryReader reader;

    QString prepare()
    {
        const std::pair<QSqlQuery*, const char*> statements[] = {
            {&addTest, "WITH added AS (INSERT INTO tests (uid, scanner, network, first_octet, last_octet, preset, started,"
                       " ended, whole) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9) ON CONFLICT (uid) DO NOTHING RETURNING id)"
                       " SELECT (SELECT count(*) FROM added), k.address, k.first_seen, k.last_seen, k.name, k.mac,"
                       " k.answering, k.state, k.state_time, k.seen_by FROM (SELECT 1) AS one LEFT JOIN computers k"
                       " ON EXISTS (SELECT 1 FROM added) AND k.scanner = $2 AND k.address BETWEEN $10 AND $11"},
            // changes: the row's count of its changes kept, moved by the flips (a flip that cancels
            // one kept takes one off) and by the later changes the rewind dropped.
            {&writeRows, "WITH flips AS (SELECT * FROM json_to_recordset(CAST($2 AS json)) AS f(address bigint, answering integer)),"
                         " dropped AS (DELETE FROM changes c USING flips f WHERE c.scanner = $1 AND c.address = f.address"
                         " AND c.time = $3 RETURNING c.address),"
                         " flipped AS (INSERT INTO changes (scanner, address, time, answering) SELECT $1, f.address, $3,"
                         " f.answering FROM flips f WHERE f.address NOT IN (SELECT address FROM dropped))"
                         " INSERT INTO computers (scanner, address, first_seen, last_seen, name, mac, answering, state,"
                         " state_time, seen_by, changes) SELECT $1, r.address, r.first_seen, r.last_seen, r.name, r.mac,"
                         " r.answering, r.state, r.state_time, r.seen_by, CASE WHEN r.address IN (SELECT address FROM dropped)"
                         " THEN -1 WHEN r.address IN (SELECT address FROM flips) THEN 1 ELSE 0 END - r.dropped"
                         " FROM json_to_recordset(CAST($4 AS json)) AS r(address bigint,"
                         " first_seen bigint, last_seen bigint, name text, mac text, answering integer, state integer,"
                         " state_time bigint, seen_by text, dropped integer) ON CONFLICT (address, scanner) DO UPDATE SET"
                         " first_seen = EXCLUDED.first_seen, last_seen = EXCLUDED.last_seen, name = EXCLUDED.name,"
                         " mac = EXCLUDED.mac, answering = EXCLUDED.answering, state = EXCLUDED.state,"
                         " state_time = EXCLUDED.state_time, seen_by = EXCLUDED.seen_by,"
                         " changes = computers.changes + EXCLUDED.changes"},
            {&dropLaterChanges, "DELETE FROM changes WHERE scanner = ? AND address = ? AND time > ?"},
            {&lastChange, "SELECT answering, time FROM changes WHERE scanner = ? AND address = ?"
                          " ORDER BY time DESC LIMIT 1"},
        };
        for (const auto& [query, text] : statements) {
            query->setForwardOnly(true);
            if (!query->prepare(QLatin1String(text))) return HistorySchema::reason(query->lastError());
        }
        return QString();
    }
};

ServerHistoryStore::ServerHistoryStore(QString uri, QString scanner, int keepDays)
    : m_uri(std::move(uri)), m_scanner(std::move(scanner)), m_keepDays(keepDays),
      m_connection(QStringLiteral("scanvet.server.") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

ServerHistoryStore::~ServerHistoryStore()
{
    close();
}

void ServerHistoryStore::close()
{
    m_statements.reset();
    m_open = false;
    if (!m_database.isValid()) return;
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

bool ServerHistoryStore::fail(const QString& reason)
{
    m_error = m_uri + QStringLiteral(": ") + reason.simplified();
    qCWarning(lcHistory).noquote() << m_error;
    return false;
}

bool ServerHistoryStore::open()
{
    close();
    const ServerLocation location(m_uri);
    if (!location.isValid()) return fail(location.error());
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
    if (!m_database.isValid()) {
        close();
        return fail(QStringLiteral("no PostgreSQL driver for Qt SQL (Debian's libqt6sql6-psql)"));
    }
    m_database.setConnectOptions(location.connectOptions());
    QString error;
    if (!m_database.open()) error = HistorySchema::reason(m_database.lastError());
    if (error.isEmpty()) error = ServerSchema::prepare(m_database);
    if (error.isEmpty()) {
        m_statements = std::make_unique<Statements>(m_database);
        error = m_statements->prepare();
    }
    if (!error.isEmpty()) {
        close();
        return fail(error);
    }
    m_open = true;
    return true;
}

bool ServerHistoryStore::record(const QString& uid, const std::vector<TestRecord>& pieces, bool prune,
                                KnownSightings* learned)
{
    m_refused = false;
    if (!m_open && !open()) return false;
    QSqlQuery control(m_database);
    QSqlField scanner(QStringLiteral("scanner"), QMetaType::fromType<QString>());
    scanner.setValue(m_scanner);
    // One scanner's tests one after the other, also from two programs of one
    // name: its rows are read and written back by one of them at a time.
    bool done = control.exec(QStringLiteral("BEGIN; SELECT pg_advisory_xact_lock(hashtext(%1))")
                                 .arg(m_database.driver()->formatValue(scanner))) ||
                fail(HistorySchema::reason(control.lastError()));
    done = done && (!prune || pruneBefore(pieces.front().end.toSecsSinceEpoch()));
    KnownSightings ignored;
    KnownComputers known(m_database, m_scanner);
    done = done && (known.observe(pieces.front().end.toSecsSinceEpoch(), KnownComputers::sightingsOf(pieces),
                                  learned ? learned : &ignored) || fail(known.error()));
    for (size_t i = 0; done && i < pieces.size(); ++i)
        done = write(uid + QLatin1Char('/') + QString::number(i), pieces[i]);
    if (done && control.exec(QStringLiteral("COMMIT"))) return true;
    if (done) {  // a deferred constraint refuses at the commit
        fail(HistorySchema::reason(control.lastError()));
        m_refused = refusesTheData(control.lastError());
    }
    if (!control.exec(QStringLiteral("ROLLBACK")))
        qCWarning(lcHistory) << "rollback failed:" << HistorySchema::reason(control.lastError());
    if (!m_refused) close();  // a broken connection is made anew at the next test
    return false;
}

bool ServerHistoryStore::pruneBefore(qint64 reference)
{
    if (m_keepDays <= 0) return true;
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT max(ended) FROM tests WHERE scanner = ?"));
    query.addBindValue(m_scanner);
    if (!query.exec() || !query.next()) return fail(HistorySchema::reason(query.lastError()));
    if (query.value(0).isNull()) return true;
    const qint64 cutoff = std::min(reference, query.value(0).toLongLong()) - m_keepDays * SecondsPerDay;
    for (const char* text : {"DELETE FROM tests WHERE scanner = ? AND ended < ?",
                             "DELETE FROM computers WHERE scanner = ? AND last_seen < ?",
                             "DELETE FROM moves WHERE scanner = ? AND time < ?",
                             "UPDATE computers k SET changes = k.changes - c.old FROM (SELECT address, count(*) AS old FROM"
                             " changes WHERE scanner = $1 AND time < $2 GROUP BY address) c WHERE k.scanner = $1"
                             " AND k.address = c.address",
                             "DELETE FROM changes c WHERE c.scanner = ? AND (c.time < ? OR NOT EXISTS (SELECT 1 FROM"
                             " computers k WHERE k.scanner = c.scanner AND k.address = c.address))"}) {
        query.prepare(QLatin1String(text));
        query.addBindValue(m_scanner);
        query.addBindValue(cutoff);
        if (!query.exec()) return fail(HistorySchema::reason(query.lastError()));
    }
    return true;
}

bool ServerHistoryStore::refuse(const QString& reason)
{
    fail(reason);
    m_refused = true;
    return false;
}

bool ServerHistoryStore::write(const QString& uid, const TestRecord& test)
{
    const std::optional<HistoryRange> range = HistoryRange::parse(test.range);
    if (!range) return refuse(QStringLiteral("not a range: %1").arg(test.range));
    if (!test.end.isValid()) return refuse(QStringLiteral("a test of %1 without its end").arg(test.range));
    const qint64 time = test.end.toSecsSinceEpoch();
    Statements& s = *m_statements;
    auto run = [this](QSqlQuery& query, std::initializer_list<QVariant> values) {
        int i = 0;
        for (const QVariant& value : values) query.bindValue(i++, value);
        if (query.exec()) return true;
        fail(HistorySchema::reason(query.lastError()));
        m_refused = refusesTheData(query.lastError());
        return false;
    };
    if (!run(s.addTest, {uid, m_scanner, qint64(range->network()), range->first(), range->last(), test.preset,
                         test.start.isValid() ? test.start.toSecsSinceEpoch() : time, time, int(test.whole),
                         qint64(range->lowest()), qint64(range->highest())}))
        return false;
    std::map<quint32, ComputerRow> known;
    bool added = false;
    while (s.addTest.next()) {
        added = s.addTest.value(0).toLongLong() > 0;
        if (!s.addTest.value(1).isNull()) known[quint32(s.addTest.value(1).toLongLong())] = ComputerRow::fromQuery(s.addTest, 2);
    }
    s.addTest.finish();
    if (!added) return true;  // sent before, and taken then

    TestChanges changes(test, *range, std::move(known));
    std::map<quint32, int> dropped;  // by address: the later changes a rewind dropped
    const bool computed = changes.compute([&](quint32 address, qint64 at, std::optional<StateChange>* last) {
        if (!run(s.dropLaterChanges, {m_scanner, qint64(address), at})) return false;
        dropped[address] += s.dropLaterChanges.numRowsAffected();
        if (!run(s.lastChange, {m_scanner, qint64(address)})) return false;
        if (s.lastChange.next()) *last = StateChange{s.lastChange.value(1).toLongLong(), s.lastChange.value(0).toLongLong() != 0};
        s.lastChange.finish();
        return true;
    });
    if (!computed) return false;
    if (changes.rows().empty() && changes.flips().empty()) return true;
    QJsonArray flips, rows;
    for (const TestChanges::Flip& flip : changes.flips())
        flips.append(QJsonObject{{QStringLiteral("address"), qint64(flip.address)}, {QStringLiteral("answering"), int(flip.present)}});
    for (const auto& [address, computer] : changes.rows())
        rows.append(QJsonObject{{QStringLiteral("address"), qint64(address)}, {QStringLiteral("first_seen"), computer->firstSeen},
                                {QStringLiteral("last_seen"), computer->lastSeen}, {QStringLiteral("name"), computer->name},
                                {QStringLiteral("mac"), computer->mac},
                                {QStringLiteral("answering"), computer->present ? QJsonValue(*computer->present) : QJsonValue()},
                                {QStringLiteral("state"), int(computer->state)}, {QStringLiteral("state_time"), computer->stateTime},
                                {QStringLiteral("seen_by"), QJsonValue::fromVariant(computer->seenBy)},
                                {QStringLiteral("dropped"), dropped.contains(address) ? dropped.at(address) : 0}});
    const auto text = [](const QJsonArray& array) { return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)); };
    return run(s.writeRows, {m_scanner, text(flips), time, text(rows)});
}

bool ServerHistoryStore::known(bool write, const std::function<bool(KnownComputers&)>& work)
{
    if (!m_open && !open()) return false;
    KnownComputers known(m_database, m_scanner);
    QSqlQuery control(m_database);
    if (write && !control.exec(QStringLiteral("BEGIN"))) {
        fail(HistorySchema::reason(control.lastError()));
        close();
        return false;
    }
    if (work(known) && (!write || control.exec(QStringLiteral("COMMIT")))) return true;
    const QSqlError error = known.error().isEmpty() ? control.lastError() : known.sqlError();
    fail(known.error().isEmpty() ? HistorySchema::reason(error) : known.error());
    if (write && !control.exec(QStringLiteral("ROLLBACK")))
        qCWarning(lcHistory) << "rollback failed:" << HistorySchema::reason(control.lastError());
    // A connection lost (no SQLSTATE, class 08, or the server shutting down) is made anew at the next use.
    const QString state = error.nativeErrorCode();
    if (error.isValid() && (state.isEmpty() || state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P"))))
        close();
    return false;
}

std::optional<std::vector<ComputerHistory>> ServerHistoryStore::computers(const HistoryRange& range, const QDateTime& now,
                                                                          const QString& fromScanner)
{
    if (!m_open && !open()) return std::nullopt;
    std::optional<std::vector<ComputerHistory>> computers =
        m_statements->reader.computers(range.withNetworkEnds(), now, fromScanner);
    if (!computers) {
        fail(m_statements->reader.error());
        close();
    }
    return computers;
}
