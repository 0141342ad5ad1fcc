// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: a file that is no history of ours (random bytes, another program's database, a later version, a folder)
// written to or refused without its name and reason; a lock beyond the busy time-out that fails silently or stops
// later tests, or whose wait a program at its end cannot cut short; a read-only file or folder or a full disk that
// harms the kept tests or cannot be read; a second writer's tests lost; a crash in a write that loses an earlier test
// or the file; a broken file reported more than once; a folder or file others may read; a file deleted or replaced
// while in use that takes the later tests with it.
#include "HistoryFixture.h"

#include "history/HistoryService.h"

#include <sched.h>
#include <sys/stat.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlQuery>

#include <functional>

namespace {

// A connection of another program.
struct OtherConnection {
    QString name = QStringLiteral("other");
    QSqlDatabase database;
    explicit OtherConnection(const QString& path) : database(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name))
    {
        database.setDatabaseName(path);
        database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        EXPECT_TRUE(database.open());
    }
    ~OtherConnection()
    {
        database.close();
        database = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    bool exec(const QString& statement) { return QSqlQuery(database).exec(statement); }
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256) : "none";
}

void writeRandomBytes(const QString& path)
{
    QByteArray bytes(8192, '\0');
    QRandomGenerator generator(33);
    for (char& byte : bytes) byte = char(generator.bounded(256));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

const HistoryRange wholeNetwork = *HistoryRange::parse(QStringLiteral("192.0.2.0-255"));

} // namespace

TEST(HistoryFaults, shouldRefuseAFileThatIsNoHistoryOfOursWithItsReasonAndLeaveItAsItWas)
{
    const std::tuple<const char*, std::function<void(const QString&)>, const char*> rows[] = {
        {"random bytes", writeRandomBytes, "file is not a database"},
        {"another program's database", [](const QString& path) { OtherConnection(path).exec("CREATE TABLE t (x)"); },
         "not a Scanvet history file"},
        {"a later version", [](const QString& path) {
             ASSERT_EQ(HistoryStore(path).open(), HistoryStore::Opened::Ready);
             OtherConnection(path).exec(QStringLiteral("PRAGMA user_version = %1").arg(HistorySchema::Version + 1));
         }, "written by a later Scanvet"},
        {"a folder", [](const QString& path) { QDir().mkpath(path); }, "not a regular file"},
    };
    for (const auto& [kind, make, reason] : rows) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        make(path);
        const QByteArray before = contents(path);
        HistoryStore store(path);
        EXPECT_EQ(store.open(), HistoryStore::Opened::Failed) << kind;
        EXPECT_FALSE(store.record({testRecord({0, true, {5}})})) << kind;
        EXPECT_TRUE(store.lastError().startsWith(path + QStringLiteral(": "))) << kind;
        EXPECT_TRUE(store.lastError().contains(QLatin1String(reason))) << kind << store.lastError().toStdString();
        EXPECT_EQ(contents(path), before) << kind;
    }
}

TEST(HistoryFaults, shouldReportALockBeyondTheBusyTimeOutAndRecordOnceItIsGone)
{
    TemporaryHistory history;
    ASSERT_TRUE(history.run({{0, true, {5}}}));
    OtherConnection other(history.path);
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    ASSERT_TRUE(other.exec(QStringLiteral("DELETE FROM tests")));
    EXPECT_FALSE(history.store.record({testRecord({5, true, {5}})}));
    EXPECT_TRUE(history.store.lastError().endsWith(QLatin1String("database is locked"))) << history.store.lastError().toStdString();
    ASSERT_TRUE(other.exec(QStringLiteral("ROLLBACK")));
    EXPECT_TRUE(history.store.record({testRecord({10, true, {5}})}));
    EXPECT_EQ(history.computer(5, 10)->lastSeen, at(10));
}

TEST(HistoryFaults, shouldKeepTheTestsOnAReadOnlyFileOrFolderOrAFullDiskAndSayWhy)
{
    // Root ignores permissions: real read-only and full file systems, mounted where only this thread sees them.
    if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no private read-only or full file system: needs root";
    using Fault = std::function<bool(const QByteArray& folder, const QByteArray& file, bool undo)>;
    const std::tuple<const char*, Fault, const char*> rows[] = {
        {"read-only folder", [](const QByteArray& folder, const QByteArray&, bool undo) {
             return mount(nullptr, folder, nullptr, MS_REMOUNT | (undo ? 0 : MS_RDONLY), nullptr) == 0;
         }, "unable to open database file"},
        {"read-only file", [](const QByteArray&, const QByteArray& file, bool undo) {
             if (undo) return umount(file) == 0;
             return mount(file, file, nullptr, MS_BIND, nullptr) == 0 &&
                    mount(nullptr, file, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
         }, "readonly database"},
        {"full disk", [](const QByteArray& folder, const QByteArray&, bool undo) {
             QFile filler(QString::fromUtf8(folder + "/filler"));
             if (undo) return filler.remove();
             if (!filler.open(QIODevice::WriteOnly)) return false;
             const QByteArray block(4096, 'x');
             while (filler.write(block) == block.size() && filler.flush()) {}
             return true;
         }, "database or disk is full"},
    };
    for (const auto& [kind, fault, reason] : rows) {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        ASSERT_EQ(mount("tmpfs", folder, "tmpfs", 0, "size=1m"), 0);
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        {
            // The disk fills while the program runs; the file is read-only before it starts.
            auto store = std::make_unique<HistoryStore>(path);
            ASSERT_EQ(store->open(), HistoryStore::Opened::Ready);
            ASSERT_TRUE(store->record({testRecord({0, true, {5}})}));
            const bool full = std::string_view(kind) == "full disk";
            if (!full) store.reset();
            const QByteArray before = contents(path);
            ASSERT_TRUE(fault(folder, QFile::encodeName(path), false)) << kind << strerror(errno);
            if (!full) {
                store = std::make_unique<HistoryStore>(path);
                (void)store->open();
            }
            EXPECT_FALSE(store->record({testRecord({5, true, {5}})})) << kind;
            EXPECT_TRUE(store->lastError().contains(QLatin1String(reason))) << kind << store->lastError().toStdString();
            store.reset();  // a full disk's store writes its WAL into the file as it closes
            if (!full) {
                EXPECT_EQ(contents(path), before) << kind;
            }
            ASSERT_TRUE(fault(folder, QFile::encodeName(path), true)) << kind << strerror(errno);
        }
        if (std::string_view(kind) != "full disk") {  // read as it is, with nothing written
            ASSERT_TRUE(fault(folder, QFile::encodeName(path), false)) << kind;
            HistoryStore reader(path);
            ASSERT_EQ(reader.open(HistoryStore::Access::Read), HistoryStore::Opened::Ready) << kind << reader.lastError().toStdString();
            const auto read = reader.computers(wholeNetwork, at(5));
            EXPECT_TRUE(read && read->size() == 1) << kind << reader.lastError().toStdString();
            reader.close();
            ASSERT_TRUE(fault(folder, QFile::encodeName(path), true)) << kind;
        }
        HistoryStore store(path);
        ASSERT_EQ(store.open(), HistoryStore::Opened::Ready) << kind;
        const auto kept = store.computers(wholeNetwork, at(5));
        ASSERT_TRUE(kept && kept->size() == 1) << kind;
        EXPECT_EQ(kept->front().lastSeen, at(0)) << kind;
        EXPECT_TRUE(store.record({testRecord({10, true, {5}})})) << kind << store.lastError().toStdString();
        EXPECT_EQ(umount2(folder, MNT_DETACH), 0) << kind;
    }
}

TEST(HistoryFaults, shouldKeepEveryTestOfTwoWritersAtOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    HistoryService window(path, 90), commandLine(path, 90);
    QSignalSpy windowRecorded(&window, &HistoryService::recorded), lineRecorded(&commandLine, &HistoryService::recorded);
    for (int i = 1; i <= 20; ++i) {
        window.record({testRecord({i, true, {i}}, QStringLiteral("192.0.2.1-20"))});
        commandLine.record({testRecord({i, true, {20 + i}}, QStringLiteral("192.0.2.21-40"))});
    }
    for (QSignalSpy* recorded : {&windowRecorded, &lineRecorded})
        while (recorded->size() < 20 && recorded->wait(30000)) {}
    ASSERT_EQ(windowRecorded.size() + lineRecorded.size(), 40);
    QSignalSpy read(&window, &HistoryService::computersRead);
    window.query(wholeNetwork, at(20));
    ASSERT_TRUE(read.wait(30000));
    EXPECT_EQ(read.front().at(1).value<std::vector<ComputerHistory>>().size(), 40u);
}

TEST(HistoryFaults, shouldLoseOnlyTheTestUnderWayInACrash)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    ASSERT_TRUE([&] {
        HistoryStore store(path);
        return store.open() == HistoryStore::Opened::Ready && store.record({testRecord({0, true, {5}})});
    }());
    // No connection is open across the fork: each process has its own.
    const pid_t child = fork();
    if (child == 0) {
        OtherConnection writer(path);
        writer.exec(QStringLiteral("PRAGMA cache_size = 1"));  // pages go to the WAL before the commit
        writer.exec(QStringLiteral("BEGIN IMMEDIATE"));
        writer.exec(QStringLiteral("UPDATE computers SET last_seen = last_seen + 300, name = 'half-written'"));
        for (int i = 0; i < 3000; ++i)
            writer.exec(QStringLiteral("INSERT INTO tests VALUES (NULL, 49152, 1, 20, 1, %1, %1, 1)").arg(i));
        _exit(0);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    HistoryStore store(path);
    ASSERT_EQ(store.open(), HistoryStore::Opened::Ready) << store.lastError().toStdString();
    const auto kept = store.computers(wholeNetwork, at(5));
    ASSERT_TRUE(kept && kept->size() == 1);
    EXPECT_EQ(std::pair(kept->front().lastSeen, kept->front().name), std::pair(at(0), QStringLiteral("host5")));
    EXPECT_TRUE(store.record({testRecord({5, true, {5}})}));
}

TEST(HistoryFaults, shouldReportABrokenFileOnceAndAnswerQueriesEmpty)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    writeRandomBytes(path);
    const QByteArray before = contents(path);
    HistoryService service(path, 90);
    QSignalSpy failed(&service, &HistoryService::failed), read(&service, &HistoryService::computersRead);
    service.record({testRecord({0, true, {5}})});
    service.record({testRecord({5, true, {5}})});
    service.query(wholeNetwork, at(5));
    ASSERT_TRUE(read.wait(30000));
    EXPECT_TRUE(read.front().at(1).value<std::vector<ComputerHistory>>().empty());
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed.front().front().toString(), path + QStringLiteral(": file is not a database"));
    EXPECT_EQ(contents(path), before);
}

TEST(HistoryFaults, shouldEndTheWaitForALockedFileWhenTheProgramEndsAndNameTheTestsNotRecorded)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    {
        HistoryStore made(path);
        ASSERT_TRUE(made.open() == HistoryStore::Opened::Ready && made.record({testRecord({0, true, {5}})}));
    }
    OtherConnection other(path);
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
    QStringList unrecorded;
    {
        // A wait far beyond the test's own time-out: only giving up ends it.
        HistoryService service(path, 90, 3600 * 1000);
        service.record({testRecord({5, true, {5}})});
        service.record({testRecord({10, true, {5}}, QStringLiteral("192.0.2.21-40"))});
        EXPECT_TRUE(service.busy());
        unrecorded = service.abandon();
    }
    ASSERT_EQ(unrecorded.size(), 2);
    EXPECT_TRUE(unrecorded[0].startsWith(QStringLiteral("192.0.2.1-20, ended "))) << unrecorded[0].toStdString();
    EXPECT_TRUE(unrecorded[1].startsWith(QStringLiteral("192.0.2.21-40, ended "))) << unrecorded[1].toStdString();
    {
        // A program that ends waits out one write, and names the tests behind it without waiting for each.
        HistoryService service(path, 90, 100);
        QSignalSpy failed(&service, &HistoryService::failed), named(&service, &HistoryService::unrecorded),
            drained(&service, &HistoryService::drained);
        for (const int minute : {15, 20, 25}) service.record({testRecord({minute, true, {5}})});
        service.finishSoon();
        ASSERT_TRUE(drained.wait(60000));
        EXPECT_EQ(failed.count(), 1);
        ASSERT_EQ(named.count(), 2);
        EXPECT_TRUE(named[1][0].toString().startsWith(QStringLiteral("192.0.2.1-20, ended "))) << named[1][0].toString().toStdString();
    }
    ASSERT_TRUE(other.exec(QStringLiteral("ROLLBACK")));
    HistoryStore store(path);
    ASSERT_EQ(store.open(HistoryStore::Access::Read), HistoryStore::Opened::Ready);
    EXPECT_EQ(store.computers(wholeNetwork, at(10))->front().lastSeen, at(0));
}

TEST(HistoryFaults, shouldKeepTheFolderAndTheFileToTheirOwner)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scanvet/history.sqlite"));
    const auto mode = [](const QString& file) {
        struct stat status {};
        return ::stat(QFile::encodeName(file).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
    };
    const mode_t before = ::umask(022);
    {
        HistoryStore store(path);
        ASSERT_EQ(store.open(), HistoryStore::Opened::Ready);
        ASSERT_TRUE(store.record({testRecord({0, true, {5}})}));
        EXPECT_EQ(mode(dir.filePath(QStringLiteral("scanvet"))), 0700);
        for (const char* suffix : {"", "-wal", "-shm"}) EXPECT_EQ(mode(path + QLatin1String(suffix)), 0600) << suffix;
    }
    // An older program's file, and what a reader leaves beside it.
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    HistoryStore reader(path);
    ASSERT_EQ(reader.open(HistoryStore::Access::Read), HistoryStore::Opened::Ready);
    ASSERT_TRUE(reader.computers(wholeNetwork, at(0)));
    for (const char* suffix : {"", "-wal", "-shm"})
        EXPECT_TRUE(mode(path + QLatin1String(suffix)) == 0600 || mode(path + QLatin1String(suffix)) == -1) << suffix;
    ::umask(before);
}

// A test that starts has its file opened to write, made where it is missing, and pruned while it runs, so that its
// record at the end is only its own write.
TEST(HistoryFaults, shouldOpenAndPruneTheFileAsATestStarts)
{
    constexpr qint64 Day = 24 * 60;
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "a file of old and new tests" : "no file yet");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        if (existing) {
            HistoryStore made(path, 365, 200);
            ASSERT_EQ(made.open(), HistoryStore::Opened::Ready);
            ASSERT_TRUE(made.record({testRecord({-10 * Day, true, {8}})}) && made.record({testRecord({0, true, {5}})}));
        }
        {
            HistoryService service(path, 7);
            QSignalSpy drained(&service, &HistoryService::drained), failed(&service, &HistoryService::failed);
            service.prepareToRecord();
            ASSERT_TRUE(drained.wait(30000));
            EXPECT_TRUE(failed.isEmpty());
        }
        HistoryStore store(path);
        ASSERT_EQ(store.open(HistoryStore::Access::Read), HistoryStore::Opened::Ready);
        const auto kept = store.computers(wholeNetwork, at(0));
        ASSERT_TRUE(kept);
        ASSERT_EQ(kept->size(), existing ? 1u : 0u) << "192.0.2.8, last seen 10 days ago, is gone";
        if (existing) {
            EXPECT_EQ(kept->front().address, address(5));
        }
    }
}

// A file with nothing in it yet, which another program may be making this moment (several scans start at once), is
// no history yet to a reader, not a fault, and becomes one at the first write.
TEST(HistoryFaults, shouldReadAFileWithNothingInItYetAsNoHistory)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    OtherConnection(path).exec("CREATE TABLE t (x)");
    OtherConnection(path).exec("DROP TABLE t");
    ASSERT_GT(QFileInfo(path).size(), 0);
    HistoryStore reader(path);
    EXPECT_EQ(reader.open(HistoryStore::Access::Read), HistoryStore::Opened::Absent) << reader.lastError().toStdString();
    HistoryStore writer(path);
    ASSERT_EQ(writer.open(), HistoryStore::Opened::Ready);
    EXPECT_TRUE(writer.record({testRecord({0, true, {5}})}));
}

TEST(HistoryFaults, shouldNoticeAFileDeletedOrReplacedWhileInUseAndRecordIntoTheNewOne)
{
    for (const bool replaced : {false, true}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        HistoryService service(path, 90);
        QSignalSpy recorded(&service, &HistoryService::recorded), failed(&service, &HistoryService::failed);
        service.record({testRecord({0, true, {5}})});
        ASSERT_TRUE(recorded.wait(30000));
        ASSERT_TRUE(QFile::rename(path, path + QStringLiteral(".old")));
        if (replaced) {
            const QString other = dir.filePath(QStringLiteral("other.sqlite"));
            {
                HistoryStore made(other);
                ASSERT_TRUE(made.open() == HistoryStore::Opened::Ready && made.record({testRecord({0, true, {7}})}));
            }
            ASSERT_TRUE(QFile::rename(other, path));
        }
        service.record({testRecord({5, true, {6}})});
        ASSERT_TRUE(recorded.wait(30000)) << replaced;
        ASSERT_EQ(failed.size(), 1) << replaced;
        EXPECT_TRUE(failed.front().front().toString().startsWith(path + QStringLiteral(": deleted or replaced while in use")));
        HistoryStore store(path);
        ASSERT_EQ(store.open(HistoryStore::Access::Read), HistoryStore::Opened::Ready);
        EXPECT_EQ(store.computers(wholeNetwork, at(5))->size(), replaced ? 2u : 1u) << replaced;
    }
}

TEST(HistoryFaults, shouldReadAFileOfVersion1AsItIsAndMigrateItAtTheFirstTest)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    {
        OtherConnection old(path);
        for (const char* statement :
             {"CREATE TABLE tests (id INTEGER PRIMARY KEY, network INTEGER NOT NULL, first_octet INTEGER NOT NULL,"
              " last_octet INTEGER NOT NULL, preset INTEGER NOT NULL, started INTEGER NOT NULL, ended INTEGER NOT NULL,"
              " whole INTEGER NOT NULL)",
              "CREATE TABLE computers (address INTEGER PRIMARY KEY, first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL,"
              " name TEXT NOT NULL, mac TEXT NOT NULL, answering INTEGER, state INTEGER NOT NULL,"
              " state_time INTEGER NOT NULL, missed INTEGER)",
              "CREATE TABLE changes (address INTEGER NOT NULL, time INTEGER NOT NULL, answering INTEGER NOT NULL,"
              " PRIMARY KEY (address, time)) WITHOUT ROWID",
              "CREATE TABLE round_trips (address INTEGER NOT NULL, day INTEGER NOT NULL, minimum INTEGER NOT NULL,"
              " maximum INTEGER NOT NULL, total INTEGER NOT NULL, count INTEGER NOT NULL, PRIMARY KEY (address, day))"
              " WITHOUT ROWID",
              "PRAGMA application_id = 1400268849", "PRAGMA user_version = 1"})
            ASSERT_TRUE(old.exec(QLatin1String(statement))) << statement;
        ASSERT_TRUE(old.exec(QStringLiteral("INSERT INTO computers VALUES (3221225989, %1, %1, 'host5', '', 1, 1, %1, 0)")
                                 .arg(at(0).toSecsSinceEpoch())));
    }
    const QByteArray before = contents(path);
    const auto read = [&](HistoryStore::Access access) {
        HistoryStore store(path);
        EXPECT_EQ(store.open(access), HistoryStore::Opened::Ready) << store.lastError().toStdString();
        if (access == HistoryStore::Access::Write) {
            EXPECT_TRUE(store.record({testRecord({5, true, {}, {5}})}));
        }
        return store.computers(wholeNetwork, at(5)).value_or(std::vector<ComputerHistory>{});
    };
    const std::vector<ComputerHistory> old = read(HistoryStore::Access::Read);
    ASSERT_EQ(old.size(), 1u);
    EXPECT_EQ(std::tuple(old[0].name, old[0].present, old[0].seenBy), std::tuple(QStringLiteral("host5"), true, ComputerHistory::SeenBy::Unknown));
    EXPECT_EQ(contents(path), before);
    const std::vector<ComputerHistory> migrated = read(HistoryStore::Access::Write);
    ASSERT_EQ(migrated.size(), 1u);
    EXPECT_EQ(std::tuple(migrated[0].lastSeen, migrated[0].present, migrated[0].seenBy), std::tuple(at(5), true, ComputerHistory::SeenBy::Link));
}
