// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/ServerHistoryStore.h"
#include "net/Ipv4.h"

#include "history/HistorySchema.h"
#include "history/Log.h"
#include "history/ServerHistoryReader.h"
#include "history/ServerLocation.h"
#include "history/ServerSchema.h"

#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <map>

namespace {

constexpr qint64 Day = 24 * 60 * 60;
constexpr qint64 LateTest = 60 * 60;  // as in the file

QVariant nullable(std::optional<qint64> value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<qint64>());
}

struct Sighting {
    qint64 firstSeen = 0, lastSeen = 0;
    QString name, mac;
    std::optional<qint64> present;
    qint64 state = 0;
    qint64 stateTime = 0;
    QVariant seenBy;
};

} // namespace

struct ServerHistoryStore::Statements {
    explicit Statements(const QSqlDatabase& database)
        : connection(database), insertTest(database), selectKnown(database), deleteChange(database),
          insertChange(database), dropLaterChanges(database), lastChange(database)
    {
    }
    QSqlDatabase connection;
    QSqlQuery insertTest, selectKnown, deleteChange, insertChange, dropLaterChanges, lastChange;
    // The computers of a test in one statement, one prepared per number of rows:
    // a round trip per computer would cost more than the rest of the test.
    std::map<size_t, std::unique_ptr<QSqlQuery>> upserts;

    QSqlQuery* upsert(size_t rows, QString* error)
    {
        std::unique_ptr<QSqlQuery>& query = upserts[rows];
        if (query) return query.get();
        QStringList values;
        for (size_t i = 0; i < rows; ++i) values << QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        query = std::make_unique<QSqlQuery>(connection);
        if (query->prepare(QStringLiteral("INSERT INTO computers (scanner, address, first_seen, last_seen, name, mac,"
                                          " answering, state, state_time, seen_by) VALUES ") + values.join(u',') +
                           QStringLiteral(" ON CONFLICT (address, scanner) DO UPDATE SET first_seen = EXCLUDED.first_seen,"
                                          " last_seen = EXCLUDED.last_seen, name = EXCLUDED.name, mac = EXCLUDED.mac,"
                                          " answering = EXCLUDED.answering, state = EXCLUDED.state,"
                                          " state_time = EXCLUDED.state_time, seen_by = EXCLUDED.seen_by")))
            return query.get();
        *error = HistorySchema::reason(query->lastError());
        upserts.erase(rows);
        return nullptr;
    }

    QString prepare()
    {
        const std::pair<QSqlQuery*, const char*> statements[] = {
            {&insertTest, "INSERT INTO tests (uid, scanner, network, first_octet, last_octet, preset, started, ended,"
                          " whole) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (uid) DO NOTHING"},
            {&selectKnown, "SELECT address, first_seen, last_seen, name, mac, answering, state, state_time, seen_by"
                           " FROM computers WHERE scanner = ? AND address BETWEEN ? AND ?"},
            {&deleteChange, "DELETE FROM changes WHERE scanner = ? AND address = ? AND time = ?"},
            {&insertChange, "INSERT INTO changes (scanner, address, time, answering) VALUES (?, ?, ?, ?)"},
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

bool ServerHistoryStore::record(const QString& uid, const std::vector<TestRecord>& pieces, bool prune)
{
    if (!m_open && !open()) return false;
    QSqlQuery control(m_database), lock(m_database);
    const auto succeeded = [this](const QSqlQuery& query, bool ran) {
        return ran || fail(HistorySchema::reason(query.lastError()));
    };
    bool done = succeeded(control, control.exec(QStringLiteral("BEGIN")));
    if (done) {
        // One scanner's tests one after the other, also from two programs of one
        // name: its rows are read and written back by one of them at a time.
        lock.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(?))"));
        lock.addBindValue(m_scanner);
        done = succeeded(lock, lock.exec());
    }
    done = done && (!prune || pruneBefore(pieces.front().end.toSecsSinceEpoch()));
    for (size_t i = 0; done && i < pieces.size(); ++i)
        done = write(uid + QLatin1Char('/') + QString::number(i), pieces[i]);
    if (done && succeeded(control, control.exec(QStringLiteral("COMMIT")))) return true;
    if (!control.exec(QStringLiteral("ROLLBACK")))
        qCWarning(lcHistory) << "rollback failed:" << HistorySchema::reason(control.lastError());
    close();  // a broken connection is made anew at the next test
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
    const qint64 cutoff = std::min(reference, query.value(0).toLongLong()) - m_keepDays * Day;
    for (const char* text : {"DELETE FROM tests WHERE scanner = ? AND ended < ?",
                             "DELETE FROM computers WHERE scanner = ? AND last_seen < ?",
                             "DELETE FROM changes c WHERE c.scanner = ? AND (c.time < ? OR NOT EXISTS (SELECT 1 FROM"
                             " computers k WHERE k.scanner = c.scanner AND k.address = c.address))"}) {
        query.prepare(QLatin1String(text));
        query.addBindValue(m_scanner);
        query.addBindValue(cutoff);
        if (!query.exec()) return fail(HistorySchema::reason(query.lastError()));
    }
    return true;
}

bool ServerHistoryStore::write(const QString& uid, const TestRecord& test)
{
    const std::optional<HistoryRange> range = HistoryRange::parse(test.range);
    if (!range) return fail(QStringLiteral("not a range: %1").arg(test.range));
    if (!test.end.isValid()) return fail(QStringLiteral("a test of %1 without its end").arg(test.range));
    const qint64 time = test.end.toSecsSinceEpoch();
    Statements& s = *m_statements;
    auto run = [this](QSqlQuery& query, std::initializer_list<QVariant> values) {
        int i = 0;
        for (const QVariant& value : values) query.bindValue(i++, value);
        return query.exec() || fail(HistorySchema::reason(query.lastError()));
    };
    const qint64 network = range->network();
    if (!run(s.insertTest, {uid, m_scanner, network, range->first(), range->last(), test.preset,
                            test.start.isValid() ? test.start.toSecsSinceEpoch() : time, time, int(test.whole)}))
        return false;
    if (s.insertTest.numRowsAffected() == 0) return true;  // sent before, and taken then

    std::map<qint64, Sighting> computers;
    if (!run(s.selectKnown, {m_scanner, qint64(range->lowest()), qint64(range->highest())})) return false;
    while (s.selectKnown.next()) {
        const auto value = [&](int i) { return s.selectKnown.value(i); };
        computers[value(0).toLongLong()] =
            Sighting{value(1).toLongLong(), value(2).toLongLong(), value(3).toString(), value(4).toString(),
                     value(5).isNull() ? std::nullopt : std::optional<qint64>(value(5).toLongLong()),
                     value(6).toLongLong(), value(7).toLongLong(), value(8)};
    }
    s.selectKnown.finish();

    std::map<qint64, const ComputerResult*> seen;
    for (const ComputerResult& result : test.computers) {
        if (!result.answered && !result.seenOnLink) continue;
        const std::optional<quint32> address = parseAddress(result.address.toStdString());
        if (address && range->contains(*address)) seen[*address] = &result;
        else qCWarning(lcHistory) << "left out" << result.address << "of a test of" << test.range;
    }

    // The file's rules: changes alternate (two flips in one second cancel out),
    // and what a clock that ran ahead stored goes.
    auto flip = [&](qint64 address, Sighting& computer, bool present) {
        computer.state = present;
        if (!run(s.deleteChange, {m_scanner, address, time})) return false;
        return s.deleteChange.numRowsAffected() > 0 || run(s.insertChange, {m_scanner, address, time, int(present)});
    };
    auto rewind = [&](qint64 address, Sighting& computer) {
        if (computer.stateTime <= time + LateTest) return true;
        if (!run(s.dropLaterChanges, {m_scanner, address, time}) || !run(s.lastChange, {m_scanner, address})) return false;
        const bool changed = s.lastChange.next();
        computer.state = changed ? s.lastChange.value(0).toLongLong() : 1;
        computer.stateTime = changed ? s.lastChange.value(1).toLongLong() : std::min(computer.firstSeen, time);
        s.lastChange.finish();
        computer.present.reset();
        if (computer.lastSeen > time + LateTest) computer.lastSeen = time;
        return true;
    };

    const QString none(QLatin1String(""));
    for (const auto& [address, result] : seen) {
        auto [it, isNew] = computers.try_emplace(address, Sighting{time, time, none, none, {}, 1, time, {}});
        Sighting& computer = it->second;
        if (!rewind(address, computer)) return false;
        if (time >= computer.lastSeen) {
            computer.lastSeen = time;
            if (!result->name.isEmpty()) computer.name = result->name;
            if (!result->mac.isEmpty()) computer.mac = result->mac;
            computer.seenBy = result->answered ? QStringLiteral("echo") : QStringLiteral("link");
        }
        computer.firstSeen = std::min(computer.firstSeen, time);
        if (time < computer.stateTime) continue;
        if (!isNew && computer.state == 0 && !flip(address, computer, true)) return false;
        computer.stateTime = time;
        if (test.whole) computer.present = 1;
    }
    std::vector<QVariant> rows;  // ten values a computer
    for (auto& [address, computer] : computers) {
        if (!seen.contains(address)) {
            if (!test.whole) continue;
            if (!rewind(address, computer)) return false;
            if ((computer.present == 0 && computer.state == 0) || time < computer.stateTime) continue;
            computer.present = 0;
            if (computer.state != 0 && !flip(address, computer, false)) return false;
            computer.stateTime = time;
        }
        const QVariant seenBy = computer.seenBy.isNull() ? QVariant(QMetaType::fromType<QString>()) : computer.seenBy;
        rows.insert(rows.end(), {m_scanner, address, computer.firstSeen, computer.lastSeen, computer.name, computer.mac,
                                 nullable(computer.present), computer.state, computer.stateTime, seenBy});
    }
    if (rows.empty()) return true;
    QString error;
    QSqlQuery* upsert = s.upsert(rows.size() / 10, &error);
    if (upsert == nullptr) return fail(error);
    for (size_t i = 0; i < rows.size(); ++i) upsert->bindValue(int(i), rows[i]);
    return upsert->exec() || fail(HistorySchema::reason(upsert->lastError()));
}

std::optional<std::vector<ComputerHistory>> ServerHistoryStore::computers(const HistoryRange& range, const QDateTime& now,
                                                                          const QString& fromScanner)
{
    if (!m_open && !open()) return std::nullopt;
    std::optional<std::vector<ComputerHistory>> computers;
    QString error;
    {
        ServerHistoryReader reader(m_database);  // its copy of the connection goes before a close
        computers = reader.computers(range.withNetworkEnds(), now, fromScanner);
        error = reader.error();
    }
    if (!computers) {
        fail(error);
        close();
    }
    return computers;
}
