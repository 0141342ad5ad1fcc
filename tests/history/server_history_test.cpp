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
#include "history/ServerSchema.h"
#include "history/HistoryReader.h"

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

// A test in which each (octet, MAC) was seen on the link.
TestRecord sighted(int minute, const std::vector<std::pair<int, const char*>>& macs)
{
    TestRecord test = oneTest(minute, {});
    for (const auto& [octet, mac] : macs)
        test.computers.push_back({QStringLiteral("192.0.2.%1").arg(octet), false, {}, QLatin1String(mac), true, {}});
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
         [&] { sql(QStringLiteral("UPDATE scanvet_history_version SET version = %1").arg(ServerSchema::Version)); },
         "written by a later Scanvet (history version 99; this one reads 3)"},
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
    int learned = 0;
    for (auto& writer : writers) {
        EXPECT_EQ(writer->finish(), 0);
        learned += writer->said("new ");
    }
    // Each MAC is new once, though the four scanners see it at once.
    EXPECT_EQ(learned, 51) << "00:1c:42:00:00:01 and one of .2's MACs every other test";
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM known_computers")), 51);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM computers k WHERE changes <> (SELECT count(*) FROM changes c"
                                   " WHERE c.scanner = k.scanner AND c.address = k.address)")), 0) << "the kept counts";
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

// Known computers on the server: one row per MAC for every scanner, moves and
// names by address each scanner's own; the page and the command line read them.
TEST_F(ServerHistoryTest, knownComputersAreSharedAndNamedOnTheServer)
{
    ServerHistoryStore s1(uri(), QStringLiteral("s1"), 365), s2(uri(), QStringLiteral("s2"), 365);
    const QByteArray location = uri().toUtf8();
    const auto name = [&](ServerHistoryStore& store, const QString& key, const QString& label) {
        bool found = false;
        return store.known(true, [&](KnownComputers& known) {
            return label.isEmpty() ? known.forget(key, &found) : known.name(key, label, QStringLiteral("a note"));
        }) && (found || !label.isEmpty());
    };
    const struct {
        const char* step;
        std::function<bool(KnownSightings*)> act;
        std::vector<QString> newMacs, moves;  // moves as "from>to"
        const char* labelAt5 = "";  // on s1's page, of s1's rows
        const char* labelAt9 = "";
    } rows[] = {
        {"s1 sees A and B", [&](KnownSightings* l) { return s1.record(QStringLiteral("1"), {sighted(1, {{5, "00:1c:42:00:00:0a"}, {6, "00:1c:42:00:00:0b"}})}, false, l); },
         {"00:1c:42:00:00:0a", "00:1c:42:00:00:0b"}, {}},
        {"s2 sees A at its own .5", [&](KnownSightings* l) { return s2.record(QStringLiteral("2"), {sighted(2, {{5, "00:1c:42:00:00:0a"}})}, false, l); },
         {}, {}},
        {"s1 sees A at .9: no move, s2 saw it last", [&](KnownSightings* l) { return s1.record(QStringLiteral("3"), {sighted(3, {{9, "00:1c:42:00:00:0a"}})}, false, l); },
         {}, {}},
        {"s1 sees A at .5 again: a move", [&](KnownSightings* l) { return s1.record(QStringLiteral("4"), {sighted(4, {{5, "00:1c:42:00:00:0a"}, {6, "00:1c:42:00:00:0b"}})}, false, l); },
         {}, {"192.0.2.9>192.0.2.5"}},
        {"s2 names A by MAC", [&](KnownSightings*) { return name(s2, QStringLiteral("00:1C:42:00:00:0A"), QStringLiteral("Printer")); },
         {}, {}, "Printer", "Printer"},  // s1's .9 last saw A: the MAC's name comes first
        {"s2 names .9 by address", [&](KnownSightings*) { return name(s2, QStringLiteral("192.0.2.9"), QStringLiteral("s2's nine")); },
         {}, {}, "Printer", "Printer"},
        {"s1 names .9 by address", [&](KnownSightings*) { return name(s1, QStringLiteral("192.0.2.9"), QStringLiteral("Nine")); },
         {}, {}, "Printer", "Printer"},
        {"s1 forgets A's name", [&](KnownSightings*) { return name(s1, QStringLiteral("00:1c:42:00:00:0a"), {}); },
         {}, {}, "", "Nine"},
    };
    for (const auto& row : rows) {
        KnownSightings learned;
        ASSERT_TRUE(row.act(&learned)) << row.step << ": " << s1.lastError().toStdString() << s2.lastError().toStdString();
        std::vector<QString> macs, moves;
        for (const NewComputer& computer : learned.newComputers) macs.push_back(computer.mac);
        for (const ComputerMove& move : learned.moves) moves.push_back(move.from + QLatin1Char('>') + move.to);
        EXPECT_EQ(macs, row.newMacs) << row.step;
        EXPECT_EQ(moves, row.moves) << row.step;
        const auto page = s1.computers(*HistoryRange::parse(QStringLiteral("192.0.2.1-20")), QDateTime::currentDateTime(),
                                       QStringLiteral("s1"));
        ASSERT_TRUE(page) << row.step;
        const auto labelAt = [&](const char* address) {
            for (const ComputerHistory& computer : *page)
                if (computer.address == QLatin1String(address)) return computer.label;
            return QString();
        };
        EXPECT_EQ(labelAt("192.0.2.5"), QLatin1String(row.labelAt5)) << row.step;
        EXPECT_EQ(labelAt("192.0.2.9"), QLatin1String(row.labelAt9)) << row.step;
    }
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM known_computers WHERE mac = '00:1c:42:00:00:0a' AND scanner = 's1'")), 1)
        << "the scanner that saw it last";
    const auto page = s1.computers(*HistoryRange::parse(QStringLiteral("192.0.2.1-20")), QDateTime::currentDateTime(), QStringLiteral("s1"));
    ASSERT_TRUE(page);
    EXPECT_EQ((*page)[0].moved, HistoryReader::moveText(0xC0000209, 0xC0000205, oneTest(4, {}).end));

    // The command line names, lists and forgets on the server; its names by address are its scanner's.
    const struct {
        std::vector<const char*> arguments;
        int status;
        const char* said;  // a line of the output, or of the errors with "scanvet:"
        int times = 1;
    } commands[] = {
        {{"--name", "00:1c:42:00:00:0b=Camera"}, 0, nullptr},
        {{"--name", "192.0.2.6=Six", "--scanner-name", "s2"}, 0, nullptr},
        {{"--known", "--format", "csv", "--scanner-name", "s2"}, 0, "00:1c:42:00:00:0b,Camera,,"},
        {{"--known", "--format", "csv", "--scanner-name", "s2"}, 0, ",Six,,,192.0.2.6,"},
        {{"--known", "--format", "csv", "--scanner-name", "s2"}, 0, ",Nine,", 0},
        {{"--known", "--format", "csv", "--scanner-name", "s1"}, 0, ",Nine,a note,,192.0.2.9,"},
        {{"--forget", "192.0.2.6", "--scanner-name", "s1"}, 1, "scanvet: 192.0.2.6 has no name to forget"},
    };
    for (const auto& command : commands) {
        std::vector<const char*> arguments{SCANVET, "--history-db", location.constData()};
        arguments.insert(arguments.end(), command.arguments.begin(), command.arguments.end());
        Process process(home.path().toStdString(), arguments);
        EXPECT_EQ(process.finish(), command.status) << command.arguments[1];
        if (!command.said) continue;
        const QByteArray said(command.said);
        EXPECT_EQ(said.startsWith("scanvet:") ? int(process.errors.count(said)) : process.said(said), command.times)
            << command.said << "\n" << process.lines.join('\n').constData() << process.errors.join('\n').constData();
    }

    // While the server is away a name fails with one line, and nothing waits in the spool for it.
    setPassword(QStringLiteral("wrong"));
    ServerHistory away(uri(), QStringLiteral("s1"), spoolFile(), 365);
    EXPECT_FALSE(away.known(true, [](KnownComputers& known) { return known.name(QStringLiteral("192.0.2.7"), QStringLiteral("x"), {}); }));
    EXPECT_TRUE(away.lastError().startsWith(QLatin1String("the name is not kept: the history server is away ("))) << away.lastError().toStdString();
    EXPECT_EQ(away.waiting(), 0);
}

// A server of the previous version, with its records, is taken on with nothing lost; its MACs count as known.
TEST_F(ServerHistoryTest, previousVersionIsTakenOn)
{
    {
        ServerHistoryStore made(uri(), QStringLiteral("s1"), 365);
        for (int minute = 1; minute <= 6; ++minute) {
            TestRecord test = sighted(minute, {{5, "00:1c:42:00:00:0a"}});
            if (minute % 2 == 0) test.computers.push_back({QStringLiteral("192.0.2.6"), true, {}, {}, false, {}});
            ASSERT_TRUE(made.record(QString::number(minute), {test}, false)) << made.lastError().toStdString();
        }
        ServerHistoryStore other(uri(), QStringLiteral("s2"), 365);
        ASSERT_TRUE(other.record(QStringLiteral("7"), {sighted(7, {{8, "00:1c:42:00:00:0a"}, {9, "00:1c:42:00:00:0c"}})}, false));
    }
    // Today's tables without what this version adds.
    ASSERT_TRUE(sql(QStringLiteral("DROP TABLE known_computers, named_addresses, moves; ALTER TABLE computers DROP COLUMN changes;"
                                   " UPDATE scanvet_history_version SET version = 2")));
    const auto rows = [&](const char* table) {
        return value(QStringLiteral("SELECT string_agg(t::text, ';' ORDER BY t::text) FROM (SELECT * FROM %1) t").arg(QLatin1String(table)))
            .toString();
    };
    const QString before[] = {rows("tests"), rows("changes"), rows("(SELECT scanner, address, first_seen, last_seen, name, mac FROM computers) AS c")};
    ServerHistoryStore store(uri(), QStringLiteral("s1"), 365);
    ASSERT_TRUE(store.open()) << store.lastError().toStdString();
    EXPECT_EQ(count(QStringLiteral("SELECT version FROM scanvet_history_version")), ServerSchema::Version);
    const QString after[] = {rows("tests"), rows("changes"), rows("(SELECT scanner, address, first_seen, last_seen, name, mac FROM computers) AS c")};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(before[i], after[i]) << i;
    EXPECT_EQ(value(QStringLiteral("SELECT string_agg(mac || ' ' || last_address || ' ' || scanner, ';' ORDER BY mac) FROM known_computers"))
                  .toString(), QStringLiteral("00:1c:42:00:00:0a 3221225992 s2;00:1c:42:00:00:0c 3221225993 s2"));
    EXPECT_EQ(count(QStringLiteral("SELECT changes FROM computers WHERE scanner = 's1' AND address = 3221225990")), 4)
        << "away at 3 and 5, back at 4 and 6";
    KnownSightings learned;
    ASSERT_TRUE(store.record(QStringLiteral("8"), {sighted(8, {{5, "00:1c:42:00:00:0a"}, {6, "00:1c:42:00:00:0c"}})}, false, &learned));
    EXPECT_TRUE(learned.newComputers.empty());
}
