// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistoryStore.h"

#include "history/Log.h"
#include "history/HistoryReader.h"
#include "history/HistorySchema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>
#include <QVariant>

#include <map>

namespace {

constexpr qint64 Day = 24 * 60 * 60;

QVariant nullable(std::optional<qint64> value)
{
    return value ? QVariant(*value) : QVariant();
}

std::optional<qint64> optionalNumber(const QVariant& value)
{
    return value.isNull() ? std::nullopt : std::optional<qint64>(value.toLongLong());
}

// A computer's row as a test finds and leaves it.
struct Sighting {
    qint64 firstSeen = 0, lastSeen = 0;
    QString name, mac;
    std::optional<qint64> answering;  // at the last whole test
    bool state = false;
    qint64 stateTime = 0;
    std::optional<qint64> missed;
    bool isNew = false;
};

} // namespace

struct HistoryStore::Statements {
    explicit Statements(const QSqlDatabase& database)
        : insertTest(database), selectKnown(database), insertComputer(database), updateComputer(database),
          deleteChange(database), insertChange(database), addRoundTrip(database), coveredBefore(database)
    {
    }
    QSqlQuery insertTest, selectKnown, insertComputer, updateComputer, deleteChange, insertChange, addRoundTrip,
        coveredBefore;

    // An empty string, or the reason one would not prepare.
    QString prepare()
    {
        const std::pair<QSqlQuery*, const char*> statements[] = {
            {&insertTest, "INSERT INTO tests (network, first_octet, last_octet, preset, started, ended, whole)"
                          " VALUES (?, ?, ?, ?, ?, ?, ?)"},
            {&selectKnown, "SELECT address, first_seen, last_seen, name, mac, answering, state, state_time, missed"
                           " FROM computers WHERE address BETWEEN ? AND ?"},
            {&insertComputer, "INSERT INTO computers (first_seen, last_seen, name, mac, answering, state, state_time,"
                              " missed, address) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"},
            {&updateComputer, "UPDATE computers SET first_seen = ?, last_seen = ?, name = ?, mac = ?, answering = ?,"
                              " state = ?, state_time = ?, missed = ? WHERE address = ?"},
            {&deleteChange, "DELETE FROM changes WHERE address = ? AND time = ?"},
            {&insertChange, "INSERT INTO changes (address, time, answering) VALUES (?, ?, ?)"},
            {&addRoundTrip, "INSERT INTO round_trips (address, day, minimum, maximum, total, count)"
                            " VALUES (?, ?, ?, ?, ?, 1) ON CONFLICT (address, day) DO UPDATE SET"
                            " minimum = min(minimum, excluded.minimum), maximum = max(maximum, excluded.maximum),"
                            " total = total + excluded.total, count = count + 1"},
            {&coveredBefore, "SELECT 1 FROM tests WHERE network = ? AND whole = 1 AND first_octet <= ?"
                             " AND last_octet >= ? AND id < ? LIMIT 1"},
        };
        for (const auto& [query, text] : statements) {
            query->setForwardOnly(true);
            if (!query->prepare(QLatin1String(text))) return HistorySchema::reason(query->lastError());
        }
        return QString();
    }
};

HistoryStore::HistoryStore(QString path, int keepDays, int busyTimeoutMs)
    : m_path(std::move(path)), m_keepDays(keepDays), m_busyTimeoutMs(busyTimeoutMs),
      m_connection(QStringLiteral("scanvet.history.") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

HistoryStore::~HistoryStore()
{
    close();
}

void HistoryStore::close()
{
    m_statements.reset();  // every query goes before its connection
    if (!m_database.isValid()) return;
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

bool HistoryStore::fail(const QString& reason)
{
    m_error = QDir::toNativeSeparators(m_path) + QStringLiteral(": ") + reason;
    qCWarning(lcHistory).noquote() << m_error;
    return false;
}

HistoryStore::Opened HistoryStore::open(Access access)
{
    close();
    m_openFailure.clear();
    auto refuse = [this](const QString& reason) {
        close();
        m_openFailure = reason;
        fail(reason);
        return Opened::Failed;
    };
    const QFileInfo file(m_path);
    const bool writable = access == Access::CreateIfMissing && m_keepDays > 0;
    if (!writable && file.exists() && file.size() == 0) return Opened::Absent;  // made but never written
    if (!file.exists() && !file.isSymLink()) {
        if (!writable) return Opened::Absent;
        if (!QDir().mkpath(file.absolutePath())) return refuse(QStringLiteral("cannot make its folder"));
    } else if (!file.isFile()) {  // a FIFO would hang the first read; a folder is no file
        return refuse(QStringLiteral("not a regular file"));
    }
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_database.setDatabaseName(m_path);
    m_database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeoutMs));
    if (!m_database.open()) return refuse(HistorySchema::reason(m_database.lastError()));
    if (const QString error = HistorySchema::prepare(m_database, writable); !error.isEmpty()) return refuse(error);
    // A crash loses at most the test under way: every commit reaches the disk.
    if (QSqlQuery pragma(m_database); !pragma.exec(QStringLiteral("PRAGMA synchronous=FULL")))
        return refuse(HistorySchema::reason(pragma.lastError()));
    m_statements = std::make_unique<Statements>(m_database);
    if (const QString error = m_statements->prepare(); !error.isEmpty()) return refuse(error);
    return Opened::Ready;
}

bool HistoryStore::failNotOpen()
{
    return fail(m_openFailure.isEmpty() ? QStringLiteral("not open") : m_openFailure);
}

bool HistoryStore::inTransaction(const std::function<bool()>& work)
{
    if (!isOpen()) return failNotOpen();
    QSqlQuery control(m_database);
    // IMMEDIATE takes the write lock first, so that a second writer waits for it instead of failing.
    if (!control.exec(QStringLiteral("BEGIN IMMEDIATE"))) return fail(HistorySchema::reason(control.lastError()));
    if (work() && control.exec(QStringLiteral("COMMIT"))) return true;
    if (control.lastError().isValid()) fail(HistorySchema::reason(control.lastError()));
    if (!control.exec(QStringLiteral("ROLLBACK")))
        qCWarning(lcHistory) << "rollback failed:" << HistorySchema::reason(control.lastError());
    return false;
}

std::optional<AnsweringChanges> HistoryStore::record(const TestRecord& test)
{
    if (m_keepDays == 0) return AnsweringChanges{};
    AnsweringChanges outcome;
    if (!inTransaction([&] { return write(test, outcome); })) return std::nullopt;
    return outcome;
}

bool HistoryStore::recordAll(const std::vector<TestRecord>& tests)
{
    if (m_keepDays == 0) return true;
    return inTransaction([&] {
        AnsweringChanges outcome;
        for (const TestRecord& test : tests)
            if (!write(test, outcome)) return false;
        return true;
    });
}

bool HistoryStore::write(const TestRecord& test, AnsweringChanges& outcome)
{
    outcome = AnsweringChanges{};
    const std::optional<HistoryRange> range = HistoryRange::parse(test.range);
    if (!range) return fail(QStringLiteral("not a range: %1").arg(test.range));
    if (!test.end.isValid()) return fail(QStringLiteral("a test of %1 without its end").arg(test.range));
    const qint64 time = test.end.toSecsSinceEpoch();
    const qint64 day = test.end.toLocalTime().date().toJulianDay();
    Statements& s = *m_statements;
    auto run = [this](QSqlQuery& query, std::initializer_list<QVariant> values) {
        int i = 0;
        for (const QVariant& value : values) query.bindValue(i++, value);
        return query.exec() || fail(HistorySchema::reason(query.lastError()));
    };

    if (!run(s.insertTest, {range->network(), range->first(), range->last(), test.preset,
                            test.start.isValid() ? test.start.toSecsSinceEpoch() : time, time, test.whole}))
        return false;
    const qint64 testId = s.insertTest.lastInsertId().toLongLong();

    std::map<quint32, Sighting> computers;
    if (!run(s.selectKnown, {range->lowest(), range->highest()})) return false;
    while (s.selectKnown.next()) {
        const auto value = [&](int i) { return s.selectKnown.value(i); };
        computers[quint32(value(0).toLongLong())] =
            Sighting{value(1).toLongLong(), value(2).toLongLong(), value(3).toString(), value(4).toString(),
                     optionalNumber(value(5)), value(6).toBool(), value(7).toLongLong(), optionalNumber(value(8))};
    }
    s.selectKnown.finish();

    std::map<quint32, const ComputerResult*> seen;
    for (const ComputerResult& result : test.computers) {
        if (!result.answered && !result.seenOnLink) continue;
        const std::optional<quint32> address = HistoryRange::parseAddress(result.address);
        if (address && range->contains(*address)) seen[*address] = &result;
        else qCWarning(lcHistory) << "left out" << result.address << "of a test of" << test.range;
    }

    auto coveredBefore = [&](quint32 address, bool& covered) {
        const int octet = int(address & 0xFF);
        if (!run(s.coveredBefore, {range->network(), octet, octet, testId})) return false;
        covered = s.coveredBefore.next();
        s.coveredBefore.finish();
        return true;
    };
    // Flips the state at this test's time. Two flips in one second cancel out,
    // so that the changes kept always alternate.
    auto flip = [&](quint32 address, Sighting& computer, bool answering) {
        computer.state = answering;
        if (!run(s.deleteChange, {address, time})) return false;
        return s.deleteChange.numRowsAffected() > 0 || run(s.insertChange, {address, time, answering});
    };

    const QString none(QLatin1String(""));  // not NULL: the columns hold text
    for (const auto& [address, result] : seen) {
        auto [it, isNew] = computers.try_emplace(address, Sighting{time, time, none, none, {}, result->answered, time, {}, true});
        Sighting& computer = it->second;
        if (time >= computer.lastSeen) {
            computer.lastSeen = time;
            if (!result->name.isEmpty()) computer.name = result->name;
            if (!result->mac.isEmpty()) computer.mac = result->mac;
        }
        computer.firstSeen = std::min(computer.firstSeen, time);
        // A test older than the state's (another program's, recorded late) only adds sightings.
        const bool current = time >= computer.stateTime;
        // A stopped test records answers only.
        if ((test.whole || result->answered) && current) {
            if (!isNew && computer.state != result->answered && !flip(address, computer, result->answered)) return false;
            computer.stateTime = time;
        }
        if (test.whole && current) {
            computer.answering = result->answered;
            if (result->answered) {
                const std::optional<qint64> before = std::exchange(computer.missed, 0);
                bool covered = false;
                if (!before && !coveredBefore(address, covered)) return false;
                if (before.value_or(0) > 0 || covered)
                    outcome.returned.push_back({HistoryRange::addressText(address),
                                                before ? int(*before) : ReturnedComputer::NeverAnswered});
            } else if (computer.missed) {
                outcome.missing.push_back({HistoryRange::addressText(address), int(++*computer.missed)});
            }
        }
        if (result->answered && result->roundTripMs >= 0 &&
            !run(s.addRoundTrip, {address, day, result->roundTripMs, result->roundTripMs, result->roundTripMs}))
            return false;
    }

    for (auto& [address, computer] : computers) {
        const bool found = seen.contains(address);
        if (!found && !test.whole) continue;
        if (!found) {  // absent from a whole test: not answering
            const bool unchanged = computer.answering == 0 && !computer.state && !computer.missed;
            if (unchanged || time < computer.stateTime) continue;
            computer.answering = 0;
            if (computer.state && !flip(address, computer, false)) return false;
            computer.stateTime = time;
            if (computer.missed) outcome.missing.push_back({HistoryRange::addressText(address), int(++*computer.missed)});
        }
        QSqlQuery& statement = computer.isNew ? s.insertComputer : s.updateComputer;
        if (!run(statement, {computer.firstSeen, computer.lastSeen, computer.name, computer.mac, nullable(computer.answering),
                         computer.state, computer.stateTime, nullable(computer.missed), address}))
            return false;
    }
    return true;
}

bool HistoryStore::prune(const QDateTime& now)
{
    if (m_keepDays == 0) return true;
    const qint64 cutoff = now.toSecsSinceEpoch() - m_keepDays * Day;
    const qint64 cutoffDay = now.toLocalTime().date().addDays(-m_keepDays).toJulianDay();
    return inTransaction([&] {
        const std::pair<const char*, qint64> statements[] = {
            {"DELETE FROM tests WHERE ended < ?", cutoff},
            {"DELETE FROM computers WHERE last_seen < ?", cutoff},
            {"DELETE FROM changes WHERE time < ? OR address NOT IN (SELECT address FROM computers)", cutoff},
            {"DELETE FROM round_trips WHERE day < ? OR address NOT IN (SELECT address FROM computers)", cutoffDay},
        };
        QSqlQuery query(m_database);
        for (const auto& [text, bound] : statements) {
            query.prepare(QLatin1String(text));
            query.addBindValue(bound);
            if (!query.exec()) return fail(HistorySchema::reason(query.lastError()));
        }
        return true;
    });
}

std::optional<std::vector<ComputerHistory>> HistoryStore::computers(const HistoryRange& range, const QDateTime& now)
{
    if (!isOpen()) {
        failNotOpen();
        return std::nullopt;
    }
    HistoryReader reader(m_database);
    std::optional<std::vector<ComputerHistory>> computers = reader.computers(range, now);
    if (!computers) fail(reader.error());
    return computers;
}

std::optional<std::vector<DailyRoundTrip>> HistoryStore::roundTrips(const QString& address)
{
    const std::optional<quint32> number = HistoryRange::parseAddress(address);
    if (!isOpen() || !number) {
        isOpen() ? fail(QStringLiteral("not an address: %1").arg(address)) : failNotOpen();
        return std::nullopt;
    }
    HistoryReader reader(m_database);
    std::optional<std::vector<DailyRoundTrip>> days = reader.roundTrips(*number);
    if (!days) fail(reader.error());
    return days;
}
