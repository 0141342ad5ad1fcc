// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistoryStore.h"

#include "base/Durations.h"
#include "history/HistoryReader.h"
#include "history/Log.h"
#include "history/TestChanges.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <QVariant>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

namespace {

QVariant nullable(std::optional<qint64> value) { return value ? QVariant(*value) : QVariant(); }

} // namespace

struct HistoryStore::Statements {
    explicit Statements(const QSqlDatabase& database)
        : insertTest(database), selectKnown(database), insertComputer(database), updateComputer(database),
          deleteChange(database), insertChange(database), dropLaterChanges(database), lastChange(database)
    {
    }
    QSqlQuery insertTest, selectKnown, insertComputer, updateComputer, deleteChange, insertChange, dropLaterChanges,
        lastChange;

    // An empty string, or the reason one would not prepare.
    QString prepare()
    {
        const std::pair<QSqlQuery*, const char*> statements[] = {
            {&insertTest, "INSERT INTO tests (network, first_octet, last_octet, preset, started, ended, whole)"
                          " VALUES (?, ?, ?, ?, ?, ?, ?)"},
            {&selectKnown, "SELECT address, first_seen, last_seen, name, mac, answering, state, state_time, seen_by"
                           " FROM computers WHERE address BETWEEN ? AND ?"},
            {&insertComputer, "INSERT INTO computers (first_seen, last_seen, name, mac, answering, state, state_time,"
                              " seen_by, address) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"},
            {&updateComputer, "UPDATE computers SET first_seen = ?, last_seen = ?, name = ?, mac = ?, answering = ?,"
                              " state = ?, state_time = ?, seen_by = ? WHERE address = ?"},
            {&deleteChange, "DELETE FROM changes WHERE address = ? AND time = ?"},
            {&insertChange, "INSERT INTO changes (address, time, answering) VALUES (?, ?, ?)"},
            {&dropLaterChanges, "DELETE FROM changes WHERE address = ? AND time > ?"},
            {&lastChange, "SELECT answering, time FROM changes WHERE address = ? ORDER BY time DESC LIMIT 1"},
        };
        for (const auto& [query, text] : statements) {
            query->setForwardOnly(true);
            if (!query->prepare(QLatin1String(text))) return HistorySchema::reason(query->lastError());
        }
        return QString();
    }
};

HistoryStore::HistoryStore(QString path, int keepDays, int busyTimeoutMs, const std::atomic_bool* giveUp)
    : m_path(std::move(path)), m_keepDays(keepDays), m_wait{busyTimeoutMs, giveUp},
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
    m_open = false;
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
    const QFileInfo file(m_path);
    const bool writable = access == Access::Write && m_keepDays > 0;
    if (!writable && file.exists() && file.size() == 0) return Opened::Absent;  // made but never written
    bool createdFolder = false;
    if (!file.exists() && !file.isSymLink()) {
        if (!writable) return Opened::Absent;
        const QString folder = file.absolutePath();
        createdFolder = !QFileInfo::exists(folder);
        // Another program may make it between the look and the mkdir: that is no failure.
        if (createdFolder && (!QDir().mkpath(QFileInfo(folder).absolutePath()) ||
                              (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 &&
                               !(errno == EEXIST && QFileInfo(folder).isDir())))) {
            m_openFailure = QStringLiteral("cannot make its folder: ") + QString::fromLocal8Bit(std::strerror(errno));
            fail(m_openFailure);
            return Opened::Failed;
        }
        // Made here with the owner's rights alone: SQLite gives its -wal and -shm the same.
        if (const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); fd >= 0)
            ::close(fd);
    } else if (!file.isFile()) {  // a FIFO would hang the first read; a folder is no file
        m_openFailure = QStringLiteral("not a regular file");
        fail(m_openFailure);
        return Opened::Failed;
    }
    Opened opened = openDatabase(writable, false);
    // A read-only folder cannot take the -shm that a WAL reader needs: a file
    // that nobody can change there is read as it is.
    if (opened == Opened::Failed && !writable && ::access(QFile::encodeName(file.absolutePath()).constData(), W_OK) != 0 &&
        !QFileInfo::exists(m_path + QStringLiteral("-wal")))
        opened = openDatabase(false, true);
    if (opened != Opened::Ready) return opened;
    restrictAccess(createdFolder);
    struct stat status {};
    if (::stat(QFile::encodeName(m_path).constData(), &status) == 0) {
        m_device = status.st_dev;
        m_inode = status.st_ino;
    }
    return Opened::Ready;
}

HistoryStore::Opened HistoryStore::openDatabase(bool writable, bool immutable)
{
    close();
    auto refuse = [this](const QString& reason) {
        close();
        m_openFailure = reason;
        fail(reason);
        return Opened::Failed;
    };
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(LockWait::SliceMs);
    if (!writable) options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    if (immutable) {
        options += QStringLiteral(";QSQLITE_OPEN_URI");
        m_database.setDatabaseName(QUrl::fromLocalFile(m_path).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1"));
    } else {
        m_database.setDatabaseName(m_path);
    }
    m_database.setConnectOptions(options);
    if (!m_database.open()) return refuse(HistorySchema::reason(m_database.lastError()));
    if (const QString error = HistorySchema::prepare(m_database, writable, m_wait, &m_version); !error.isEmpty())
        return refuse(error);
    if (!writable && m_version == 0) {
        close();
        return Opened::Absent;  // as a file made but never written
    }
    m_writable = writable;
    m_open = true;
    if (!writable) return Opened::Ready;
    // A crash loses at most the test under way: every commit reaches the disk.
    if (QSqlQuery pragma(m_database); !pragma.exec(QStringLiteral("PRAGMA synchronous=FULL")))
        return refuse(HistorySchema::reason(pragma.lastError()));
    m_statements = std::make_unique<Statements>(m_database);
    if (const QString error = m_statements->prepare(); !error.isEmpty()) return refuse(error);
    return Opened::Ready;
}

void HistoryStore::restrictAccess(bool createdFolder) const
{
    // An inventory of hosts and MACs: an older program's file, or SQLite's
    // -wal and -shm beside a file others could read, lose the others' rights.
    QStringList paths{m_path, m_path + QStringLiteral("-wal"), m_path + QStringLiteral("-shm")};
    if (createdFolder) paths << QFileInfo(m_path).absolutePath();
    for (const QString& path : paths) {
        struct stat status {};
        const QByteArray name = QFile::encodeName(path);
        if (::lstat(name.constData(), &status) != 0 || status.st_uid != ::geteuid() || (status.st_mode & 077) == 0)
            continue;
        if (::chmod(name.constData(), status.st_mode & 0700) != 0)
            qCWarning(lcHistory) << "cannot keep" << path << "to its owner:" << std::strerror(errno);
    }
}

bool HistoryStore::moved() const
{
    struct stat status {};
    return m_open && (::stat(QFile::encodeName(m_path).constData(), &status) != 0 || status.st_dev != m_device ||
                      status.st_ino != m_inode);
}

bool HistoryStore::failNotOpen()
{
    return fail(m_openFailure.isEmpty() ? QStringLiteral("not open") : m_openFailure);
}

bool HistoryStore::inTransaction(const std::function<bool()>& work)
{
    if (!isWritable()) return failNotOpen();
    if (const QString error = HistorySchema::beginWrite(m_database, m_wait); !error.isEmpty()) return fail(error);
    QSqlQuery control(m_database);
    if (work() && control.exec(QStringLiteral("COMMIT"))) return true;
    if (control.lastError().isValid()) fail(HistorySchema::reason(control.lastError()));
    if (!control.exec(QStringLiteral("ROLLBACK")))
        qCWarning(lcHistory) << "rollback failed:" << HistorySchema::reason(control.lastError());
    return false;
}

bool HistoryStore::record(const std::vector<TestRecord>& pieces, bool prune, KnownSightings* learned)
{
    if (m_keepDays == 0 || pieces.empty()) return true;
    KnownSightings ignored;
    return inTransaction([&] {
        if (prune && !pruneBefore(pieces.front().end.toSecsSinceEpoch())) return false;
        KnownComputers known(m_database);
        if (!known.observe(pieces.front().end.toSecsSinceEpoch(), KnownComputers::sightingsOf(pieces), learned ? learned : &ignored))
            return fail(known.error());
        for (const TestRecord& piece : pieces)
            if (!write(piece)) return false;
        return true;
    });
}

bool HistoryStore::known(bool write, const std::function<bool(KnownComputers&)>& work)
{
    KnownComputers known(m_database);
    const auto run = [&] { return work(known) || fail(known.error()); };
    if (write) return inTransaction(run);
    return isOpen() ? m_version < 3 || run() : failNotOpen();
}

bool HistoryStore::prune(const QDateTime& now)
{
    if (m_keepDays == 0) return true;
    return inTransaction([&] { return pruneBefore(now.toSecsSinceEpoch()); });
}

bool HistoryStore::pruneBefore(qint64 reference)
{
    QSqlQuery query(m_database);
    if (!query.exec(QStringLiteral("SELECT max(ended) FROM tests")) || !query.next())
        return fail(HistorySchema::reason(query.lastError()));
    if (query.value(0).isNull()) return true;  // no test: nothing to measure the age by
    const qint64 cutoff = std::min(reference, query.value(0).toLongLong()) - m_keepDays * SecondsPerDay;
    query.finish();
    const char* const statements[] = {
        "DELETE FROM tests WHERE ended < ?",
        "DELETE FROM computers WHERE last_seen < ?",
        "DELETE FROM changes WHERE time < ? OR address NOT IN (SELECT address FROM computers)",
        "DELETE FROM moves WHERE time < ?",
    };
    for (const char* text : statements) {
        query.prepare(QLatin1String(text));
        query.addBindValue(cutoff);
        if (!query.exec()) return fail(HistorySchema::reason(query.lastError()));
    }
    return true;
}

bool HistoryStore::write(const TestRecord& test)
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

    if (!run(s.insertTest, {range->network(), range->first(), range->last(), test.preset,
                            test.start.isValid() ? test.start.toSecsSinceEpoch() : time, time, test.whole}))
        return false;

    std::map<quint32, ComputerRow> known;
    if (!run(s.selectKnown, {range->lowest(), range->highest()})) return false;
    while (s.selectKnown.next()) known[quint32(s.selectKnown.value(0).toLongLong())] = ComputerRow::fromQuery(s.selectKnown, 1);
    s.selectKnown.finish();

    TestChanges changes(test, *range, std::move(known));
    const bool computed = changes.compute([&](quint32 address, qint64 at, std::optional<StateChange>* last) {
        if (!run(s.dropLaterChanges, {address, at}) || !run(s.lastChange, {address})) return false;
        if (s.lastChange.next()) *last = StateChange{s.lastChange.value(1).toLongLong(), s.lastChange.value(0).toBool()};
        s.lastChange.finish();
        return true;
    });
    if (!computed) return false;
    for (const TestChanges::Flip& flip : changes.flips()) {
        if (!run(s.deleteChange, {flip.address, time})) return false;
        if (s.deleteChange.numRowsAffected() == 0 && !run(s.insertChange, {flip.address, time, flip.present})) return false;
    }
    for (const auto& [address, computer] : changes.rows()) {
        QSqlQuery& statement = computer->isNew ? s.insertComputer : s.updateComputer;
        if (!run(statement, {computer->firstSeen, computer->lastSeen, computer->name, computer->mac,
                             nullable(computer->present), computer->state, computer->stateTime, computer->seenBy, address}))
            return false;
    }
    return true;
}

std::optional<std::vector<ComputerHistory>> HistoryStore::computers(const HistoryRange& range, const QDateTime& now)
{
    if (!isOpen()) {
        failNotOpen();
        return std::nullopt;
    }
    HistoryReader reader(m_database, m_version);
    std::optional<std::vector<ComputerHistory>> computers = reader.computers(range.withNetworkEnds(), now);
    if (!computers) fail(reader.error());
    return computers;
}
