// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history on a real PostgreSQL server: refusals that spool, many
// scanners at once, a server that goes away in the middle of a repeat, and
// the command line on it. Also the parts that need no server: the URI and the spool.
#include "ServerFixture.h"
#include "tests/Process.h"

#include "history/HistorySpool.h"
#include "history/HistoryStore.h"
#include "history/ServerHistory.h"
#include "history/ServerLocation.h"

#include <QFileInfo>

#include <sys/socket.h>
#include <sys/stat.h>

#include <memory>
#include <tuple>

namespace {

TestRecord oneTest(int minute, std::vector<int> answering)
{
    const QDateTime end = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() / 60 * 60 - 3600 + minute * 60);
    TestRecord test{QStringLiteral("192.0.2.1-20"), 1, end.addSecs(-5), end, true, {}};
    for (int octet : answering) test.computers.push_back({QStringLiteral("192.0.2.%1").arg(octet), true, {}, {}, false, {}});
    return test;
}

std::string run(const char* script, const char* action)
{
    return std::string("bash ") + script + " " + action + " " + std::getenv("SCANVET_PG_LOCATION");
}

} // namespace

TEST(ServerLocationTest, readsTheUriAsLibpqDoes)
{
    const struct {
        const char* uri;
        QStringList inOptions;  // empty: refused, the first word of the reason in error
        const char* error;
    } rows[] = {
        {"postgresql://scanvet@/db?host=/run/x", {"host='/run/x'", "dbname='db'", "connect_timeout=5"}, ""},
        {"postgres://u@h.example:5433/db?sslmode=require&connect_timeout=2",
         {"sslmode='require'", "port='5433'", "connect_timeout='2'"}, ""},
        {"postgresql://u:secret@/db", {}, "a password in the URI is refused"},
        {"postgresql://u@/db?nosuch=1", {}, "invalid URI query parameter"},
        {"/var/lib/history.sqlite", {}, "not a postgresql:// URI"},
    };
    for (const auto& row : rows) {
        const ServerLocation location(QString::fromUtf8(row.uri));
        EXPECT_EQ(location.isValid(), !row.inOptions.isEmpty()) << row.uri;
        for (const QString& part : row.inOptions) EXPECT_TRUE(location.connectOptions().contains(part)) << row.uri;
        EXPECT_TRUE(location.error().contains(QLatin1String(row.error))) << row.uri << location.error().toStdString();
    }
    EXPECT_FALSE(ServerLocation(QStringLiteral("postgresql://u@/db")).connectOptions().contains(QLatin1String("password")));
}

TEST(HistorySpoolTest, keepsTestsInOrderUntilRemoved)
{
    QTemporaryDir dir;
    HistorySpool spool(dir.filePath(QStringLiteral("folder/spool.sqlite")));
    EXPECT_FALSE(spool.oldest());
    EXPECT_FALSE(QFileInfo::exists(spool.path())) << "nothing waits: no file";
    for (int i = 0; i < 4; ++i) {
        TestRecord test = oneTest(i, {1, i + 2});
        test.computers[1].answeredKnock = true;
        ASSERT_TRUE(spool.add(QString::number(i), {test}));
    }
    {
        QSqlDatabase file = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("spoiler"));
        file.setDatabaseName(spool.path());
        ASSERT_TRUE(file.open() && QSqlQuery(file).exec(QStringLiteral("UPDATE waiting SET pieces = 'x' WHERE uid = '1'")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("spoiler"));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(spool.path()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u) << "only its owner reads the tests";
    for (int i : {0, 2, 3}) {  // 1 cannot be read: set aside
        const auto entry = spool.oldest();
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->uid, QString::number(i));
        ASSERT_EQ(entry->pieces.size(), 1u);
        EXPECT_EQ(entry->pieces[0].end, oneTest(i, {}).end);
        ASSERT_EQ(entry->pieces[0].computers.size(), 2u);
        EXPECT_EQ(entry->pieces[0].computers[1].address, QStringLiteral("192.0.2.%1").arg(i + 2));
        EXPECT_TRUE(entry->pieces[0].computers[1].answeredKnock);
        ASSERT_TRUE(spool.remove(entry->id));
    }
    EXPECT_EQ(spool.count(), 0);
    EXPECT_EQ(spool.setAsideCount(), 1);
}

using ServerHistoryTest = ServerFixture;

// Each refusal: one line, nothing written, the test spooled; once mended, the spool goes first.
TEST_F(ServerHistoryTest, refusalsKeepTheTestsInTheSpool)
{
    const QString missing = database + QStringLiteral("x");
    const struct {
        const char* name;
        QString uri;
        std::function<void()> spoil, mend;
        const char* said;
    } rows[] = {
        {"wrong password", uri(), [&] { setPassword(QStringLiteral("wrong")); }, [&] { setPassword(password); },
         "password authentication failed for user \"scanvet\""},
        {"missing database", uri(missing), [] {}, [&] { sql(QStringLiteral("CREATE DATABASE ") + missing, QStringLiteral("postgres")); },
         "does not exist"},
        {"newer schema", uri(),
         [&] {
             ServerHistoryStore made(uri(), QStringLiteral("maker"), 365);
             ASSERT_TRUE(made.open()) << made.lastError().toStdString();
             sql(QStringLiteral("UPDATE scanvet_history_version SET version = 99"));
         },
         [&] { sql(QStringLiteral("UPDATE scanvet_history_version SET version = 2")); },
         "written by a later Scanvet (history version 99; this one reads 2)"},
    };
    for (const auto& row : rows) {
        QFile::remove(spoolFile());
        row.spoil();
        ServerHistory history(row.uri, QStringLiteral("s1"), spoolFile(), 365);
        EXPECT_TRUE(history.record({oneTest(1, {1})})) << row.name;
        auto notices = history.takeNotices();
        ASSERT_EQ(notices.size(), 1u) << row.name;
        EXPECT_FALSE(notices[0].back);
        EXPECT_TRUE(notices[0].text.contains(QLatin1String(row.said))) << row.name << ": " << notices[0].text.toStdString();
        EXPECT_TRUE(notices[0].text.contains(spoolFile())) << row.name;
        EXPECT_EQ(history.waiting(), 1) << row.name;
        EXPECT_TRUE(history.record({oneTest(2, {1, 2})})) << row.name;
        EXPECT_TRUE(history.takeNotices().empty()) << row.name << ": said once";
        row.mend();
        EXPECT_TRUE(history.record({oneTest(3, {2})})) << row.name;
        notices = history.takeNotices();
        ASSERT_EQ(notices.size(), 1u) << row.name;
        EXPECT_TRUE(notices[0].back);
        EXPECT_TRUE(notices[0].text.contains(QLatin1String("3 waiting test(s) sent"))) << notices[0].text.toStdString();
        EXPECT_EQ(history.waiting(), 0) << row.name;
        const QString in = row.uri == uri() ? database : missing;
        EXPECT_EQ(value(QStringLiteral("SELECT count(*) FROM tests WHERE scanner = 's1'"), in).toLongLong(), 3) << row.name;
        // Sent in order: .1 went absent in the third test, once.
        EXPECT_EQ(value(QStringLiteral("SELECT count(*) FROM changes WHERE scanner = 's1' AND address = 3221225985"), in).toLongLong(), 1)
            << row.name;
        sql(QStringLiteral("DELETE FROM tests; DELETE FROM computers; DELETE FROM changes"), in);
    }
}

// A test the server refuses for good is set aside with its reason, said once,
// and the tests behind it go: from the spool, and straight.
TEST_F(ServerHistoryTest, refusedTestIsSetAsideAndTheRestGoOn)
{
    {
        ServerHistoryStore made(uri(), QStringLiteral("maker"), 365);
        ASSERT_TRUE(made.open()) << made.lastError().toStdString();
    }
    ASSERT_TRUE(sql(QStringLiteral("ALTER TABLE computers ADD CONSTRAINT kept_names CHECK (name <> 'refused')")));
    const struct {
        const char* name;
        std::function<void(TestRecord&)> spoil;
        const char* said;
    } rows[] = {
        {"a constraint", [](TestRecord& t) { t.computers[0].name = QStringLiteral("refused"); }, "kept_names"},
        {"a value the server cannot take", [](TestRecord& t) { t.computers[0].name = QStringLiteral("a%1b").arg(QChar(0)); },
         "unsupported Unicode escape sequence"},
        {"no range", [](TestRecord& t) { t.range = QStringLiteral("192.0.2.1-999"); }, "not a range: 192.0.2.1-999"},
    };
    for (const auto& row : rows) {
        QFile::remove(spoolFile());
        TestRecord bad = oneTest(2, {1});
        row.spoil(bad);
        ServerHistory history(uri(), QStringLiteral("s1"), spoolFile(), 365);
        setPassword(QStringLiteral("wrong"));  // away: the tests wait, the refused one between two
        for (const TestRecord& test : {oneTest(1, {1}), bad, oneTest(3, {2})}) EXPECT_TRUE(history.record({test})) << row.name;
        EXPECT_EQ(history.takeNotices().size(), 1u) << row.name << ": away";
        setPassword(password);
        EXPECT_TRUE(history.record({oneTest(4, {1})})) << row.name;
        bad.end = bad.end.addSecs(180);
        EXPECT_TRUE(history.record({bad})) << row.name << ": refused straight";
        EXPECT_TRUE(history.record({oneTest(6, {1})})) << row.name;
        const auto notices = history.takeNotices();
        ASSERT_EQ(notices.size(), 3u) << row.name;
        for (size_t i : {0u, 2u}) {
            EXPECT_TRUE(notices[i].text.contains(QLatin1String(row.said))) << row.name << ": " << notices[i].text.toStdString();
            EXPECT_TRUE(notices[i].text.contains(QLatin1String("it is set aside in ") + spoolFile())) << row.name;
        }
        EXPECT_TRUE(notices[1].text.contains(QLatin1String("3 waiting test(s) sent"))) << notices[1].text.toStdString();
        EXPECT_EQ(history.waiting(), 0) << row.name;
        EXPECT_EQ(history.setAsideCount(), 2) << row.name;
        EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM tests WHERE scanner = 's1'")), 4) << row.name;
        sql(QStringLiteral("DELETE FROM tests; DELETE FROM computers; DELETE FROM changes"));
    }
}

// The file and the server take a test by the same rules and read it back alike.
TEST_F(ServerHistoryTest, fileAndServerKeepTheSameHistory)
{
    HistoryStore file(home.filePath(QStringLiteral("history.sqlite")), 365);
    ServerHistoryStore server(uri(), QStringLiteral("s1"), 365);
    ASSERT_EQ(file.open(), HistoryStore::Opened::Ready);
    for (int minute = 1; minute <= 40; ++minute) {
        TestRecord test = oneTest(minute, {1, 2});
        test.whole = minute % 9 != 0;
        if (minute % 3 != 0) test.computers.push_back({QStringLiteral("192.0.2.3"), true, QStringLiteral("three"), {}, false, {}});
        test.computers.push_back({QStringLiteral("192.0.2.4"), false, {}, QStringLiteral("aa:bb:cc:00:00:04"), minute % 2 == 0, {}});
        test.computers.push_back({QStringLiteral("192.0.2.5"), false, {}, {}, false, {}, minute % 5 != 0});
        if (minute == 30) test.end = test.end.addSecs(-1800);  // another program's, recorded late
        ASSERT_TRUE(file.record({test}));
        ASSERT_TRUE(server.record(QString::number(minute), {test}, minute == 1)) << server.lastError().toStdString();
    }
    const QDateTime now = QDateTime::currentDateTime();
    const auto range = *HistoryRange::parse(QStringLiteral("192.0.2.1-20"));
    const auto inFile = file.computers(range, now), onServer = server.computers(range, now);
    ASSERT_TRUE(inFile && onServer);
    ASSERT_EQ(inFile->size(), 5u);
    ASSERT_EQ(onServer->size(), inFile->size());
    for (size_t i = 0; i < inFile->size(); ++i) {
        const ComputerHistory &a = (*inFile)[i], &b = (*onServer)[i];
        EXPECT_EQ(std::tie(a.address, a.name, a.mac, a.firstSeen, a.lastSeen, a.present, a.seenBy, a.changes),
                  std::tie(b.address, b.name, b.mac, b.firstSeen, b.lastSeen, b.present, b.seenBy, b.changes)) << i;
        EXPECT_EQ(a.uptime24h, b.uptime24h) << i;
        EXPECT_EQ(a.uptime7d, b.uptime7d) << i;
        ASSERT_EQ(a.timeline.size(), b.timeline.size()) << i;
        for (size_t j = 0; j < a.timeline.size(); ++j)
            EXPECT_EQ(std::tie(a.timeline[j].from, a.timeline[j].to, a.timeline[j].present),
                      std::tie(b.timeline[j].from, b.timeline[j].to, b.timeline[j].present)) << i << " " << j;
        EXPECT_EQ(b.scanner, QStringLiteral("s1"));
    }
    EXPECT_EQ((*onServer)[4].seenBy, ComputerHistory::SeenBy::Tcp) << "a knock alone keeps a computer";
}

TEST_F(ServerHistoryTest, fourScannersWriteAtOnce)
{
    const char* scanners[] = {"alpha", "bravo", "charlie", "charlie"};  // two programs of one name share its rows
    std::vector<std::unique_ptr<Process>> writers;
    const QByteArray location = uri().toUtf8();
    QByteArrayList spools;
    for (int i = 0; i < 4; ++i) spools << QFile::encodeName(home.filePath(QStringLiteral("spool%1.sqlite").arg(i)));
    for (int i = 0; i < 4; ++i)
        writers.push_back(std::make_unique<Process>(
            home.path().toStdString(),
            std::vector<const char*>{HISTORY_WRITER, location.constData(), scanners[i], "100", spools[i].constData()}));
    for (auto& writer : writers) EXPECT_EQ(writer->finish(), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM tests")), 400);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM tests WHERE scanner = 'charlie'")), 200);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM computers")), 9);
    // No lost update: each scanner's changes of a computer still alternate.
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM (SELECT answering, lag(answering) OVER (PARTITION BY scanner,"
                                   " address ORDER BY time) AS before FROM changes) c WHERE answering = before")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM changes WHERE scanner = 'alpha' AND address = 3221225986")), 99);
}

TEST_F(ServerHistoryTest, serverStoppedInTheMiddleOfARepeat)
{
    const QByteArray location = uri().toUtf8(), spool = QFile::encodeName(spoolFile());
    Process writer(home.path().toStdString(),
                   {HISTORY_WRITER, location.constData(), "repeat", "12", spool.constData(), "--step"});
    const auto next = [&](int tests) {
        for (int i = 0; i < tests; ++i) ASSERT_EQ(send(fileno(writer.output), "next\n", 5, MSG_NOSIGNAL), 5);
    };
    next(4);
    ASSERT_TRUE(writer.waitFor("recorded 4"));
    ASSERT_EQ(std::system(run(PG_SERVER, "pause").c_str()), 0);
    next(4);
    ASSERT_TRUE(writer.waitFor("recorded 8"));
    EXPECT_EQ(writer.said("away the history server is away"), 1);
    ASSERT_EQ(std::system(run(PG_SERVER, "resume").c_str()), 0);
    next(4);
    ASSERT_TRUE(writer.waitFor("recorded 12"));
    EXPECT_EQ(writer.finish(), 0);
    EXPECT_EQ(writer.said("back the history server is back"), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM tests")), 12);
    EXPECT_EQ(count(QStringLiteral("SELECT count(DISTINCT ended) FROM tests")), 12);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM (SELECT ended, lag(ended) OVER (ORDER BY id) AS before"
                                   " FROM tests) t WHERE ended < before")), 0) << "sent in order";
    EXPECT_EQ(HistorySpool(spoolFile()).count(), 0);
}

TEST_F(ServerHistoryTest, commandLineRecordsAndReadsByScanner)
{
    const QByteArray location = uri().toUtf8();
    Process scan(home.path().toStdString(), {SCANVET, "--range", "127.0.0.1-3", "--quiet", "--history-db",
                                             location.constData(), "--scanner-name", "console"});
    ASSERT_EQ(scan.finish(), 0);
    const struct {
        const char* from;
        int status;
        const char* line;
    } rows[] = {{"console", 0, "127.0.0.1,"}, {"other", 1, "address,"}};
    for (const auto& row : rows) {
        Process read(home.path().toStdString(), {SCANVET, "--history", "127.0.0.1-3", "--format", "csv", "--history-db",
                                                 location.constData(), "--from-scanner", row.from});
        EXPECT_EQ(read.finish(), row.status) << row.from;
        EXPECT_EQ(read.said(row.line), 1) << row.from;
        if (row.status == 0) {
            EXPECT_TRUE(read.lines.back().endsWith(",console")) << read.lines.back().constData();
        }
    }
}
