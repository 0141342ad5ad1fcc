// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches, in the lab: a computer that moves taken for one gone and one come (a "stopped answering" notice), its
// name lost on the way or its move not in the history; a new MAC without its one notice, or told again after a
// restart; a private (locally administered) MAC told by default; a first test of the LAN told computer by computer; a
// MAC answering for an address that another MAC holds (a conflict) untold, told without the other MAC or its name, or
// told again at each test while it lasts.
#include "history/HistoryStore.h"
#include "net/ArpProber.h"
#include "scan/ScanController.h"
#include "tests/Lab.h"
#include "tests/QtPrinters.h"
#include "tests/notify/NoticeFixture.h"

#include <QDir>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <sstream>

namespace {

// The namespace of ARP-only host number index (.40, .41, .42).
std::string arpHost(size_t index)
{
    std::istringstream names(std::getenv("SCANVET_LAB_ARP_HOSTS"));
    std::string name;
    for (size_t i = 0; i <= index; ++i) names >> name;
    return "ip -n " + name + ' ';
}

} // namespace

// One program after another on one history file, the notices of each on the stand-in service.
struct KnownPrograms {
    explicit KnownPrograms(DesktopNotifier& notifier) : m_notifier(notifier) {}
    void startProgram(ArpProber* arp = nullptr)
    {
        scan = std::make_unique<ScanController>(std::make_unique<Pinger>(), arp);
        scan->setHistory(file, 90);
        QObject::connect(scan.get(), &ScanController::newComputersSeen, &m_notifier, &DesktopNotifier::notifyNewComputers);
        QObject::connect(scan.get(), &ScanController::addressConflicts, &m_notifier, &DesktopNotifier::notifyConflicts);
        changed = std::make_unique<QSignalSpy>(scan.get(), &ScanController::computersChanged);
        moved = std::make_unique<QSignalSpy>(scan.get(), &ScanController::computersMoved);
        told = std::make_unique<QSignalSpy>(scan.get(), &ScanController::newComputersSeen);
        conflicts = std::make_unique<QSignalSpy>(scan.get(), &ScanController::addressConflicts);
        sent.clear();  // notices sent, of this program
    }
    // A test, its record and the notices it brings, if any.
    bool runTest(const TestPlan& plan)
    {
        QSignalSpy settled(scan.get(), &ScanController::testSettled);
        if (!scan->start(plan) || !settled.wait(30000)) return false;
        if (!QTest::qWaitFor([&] { return !scan->history()->busy(); }, 10000)) return false;
        return QTest::qWaitFor([&] { return sent.size() == told->size() + conflicts->size(); }, 10000);
    }
    int row(const char* address) const { return scan->foundComputers().rowOf(QLatin1String(address)); }
    bool labelled(const char* address, const char* label) const
    {
        return QTest::qWaitFor([&] { return scan->foundComputers().label(row(address)) == QLatin1String(label); }, 10000);
    }

    DesktopNotifier& m_notifier;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("history.sqlite"));
    std::unique_ptr<ArpProber> prober;  // outlives the program that uses it
    std::unique_ptr<ScanController> scan;
    std::unique_ptr<QSignalSpy> changed, moved, told, conflicts;
    QSignalSpy sent{&m_notifier, &DesktopNotifier::finished};
};

TEST_F(Notices, shouldFollowAComputerByItsMacAndTellOfANewOneOnceAcrossARestart)
{
    SCANVET_REQUIRE_LAB();
    offer(true);
    KnownPrograms known(m_notifier);
    const TestPlan plan{{lastOctetRange(0xC6336400, 1, 254)}, 1};

    known.startProgram();
    ASSERT_TRUE(known.runTest(plan));
    // The LAN's own hosts have private MACs: of the first test, the batch of the ARP-only hosts with makers' MACs.
    EXPECT_EQ(m_standIn.notices, QStringList{"Scanvet Address|2 new computers on the network: 198.51.100.40, "
                                             "00:1c:42:5c:a1:40 (Parallels, Inc.); 198.51.100.41, 70:b3:d5:71:9a:41 "
                                             "(2M Technology)."});
    ASSERT_TRUE(known.scan->nameComputer(QStringLiteral("00:1c:42:5c:a1:40"), QStringLiteral("Printer"), QString()));
    ASSERT_TRUE(known.labelled("198.51.100.40", "Printer"));

    // .40 takes the address .43; .41 gets a new MAC of a maker, .42 another private one.
    ASSERT_EQ(std::system((arpHost(0) + "addr del 198.51.100.40/24 dev eth0 && " + arpHost(0) +
                           "addr add 198.51.100.43/24 dev eth0 && ip -4 neigh flush all").c_str()), 0);
    ASSERT_TRUE(known.runTest(plan));
    ASSERT_EQ(known.moved->size(), 1);
    EXPECT_TRUE(known.moved->first().at(1).toStringList().value(0).startsWith(
        "Printer (00:1c:42:5c:a1:40) moved from .40 to .43 at "));
    for (const QList<QVariant>& change : *known.changed) EXPECT_TRUE(change.at(2).toStringList().isEmpty()) << "stopped answering";
    const FoundComputers& found = known.scan->foundComputers();
    EXPECT_TRUE(found.data(found.index(known.row("198.51.100.43")), Qt::DisplayRole).toString().startsWith("198.51.100.43 Printer"));
    {
        HistoryStore store(known.file);
        ASSERT_EQ(store.open(HistoryStore::Access::Read), HistoryStore::Opened::Ready);
        const auto kept = store.computers(*HistoryRange::parse(QStringLiteral("198.51.100.43-43")), QDateTime::currentDateTime());
        ASSERT_TRUE(kept && kept->size() == 1);
        EXPECT_EQ(kept->front().label, "Printer");
        EXPECT_TRUE(kept->front().moved.startsWith("moved from .40 to .43 at ")) << kept->front().moved.toStdString();
    }

    m_standIn.notices.clear();
    for (const auto& [host, mac] : {std::pair{1, "00:1c:42:5c:a1:99"}, std::pair{2, "02:5c:a1:00:00:99"}})
        ASSERT_EQ(std::system((arpHost(host) + "link set eth0 down && " + arpHost(host) + "link set eth0 address " + mac +
                               " && " + arpHost(host) + "link set eth0 up").c_str()), 0);
    ASSERT_EQ(std::system("ip -4 neigh flush all"), 0);
    ASSERT_TRUE(known.runTest(plan));
    EXPECT_EQ(m_standIn.notices,
              QStringList{"Scanvet Address|New computer on the network: 198.51.100.41, 00:1c:42:5c:a1:99 (Parallels, Inc.)"});

    // A restart: the same MACs again, and a test after that, are no news.
    known.startProgram();
    ASSERT_TRUE(known.runTest(plan));
    ASSERT_TRUE(known.runTest(plan));
    EXPECT_EQ(known.told->size(), 0);
    EXPECT_EQ(m_standIn.notices.size(), 1);

    // .42 takes a new private MAC and also the address .43, where the Printer answers: the kernel's neighbour table
    // keeps one MAC an address, so the program asks ARP itself. The new private MAC is no news, the conflict is.
    std::string why;
    known.prober = ArpProber::open(why);
    ASSERT_TRUE(known.prober) << why;
    ASSERT_EQ(std::system((arpHost(2) + "link set eth0 down && " + arpHost(2) + "link set eth0 address 02:5c:a1:00:00:77 && " +
                           arpHost(2) + "link set eth0 up && " + arpHost(2) + "addr add 198.51.100.43/24 dev eth0 && "
                           "ip -4 neigh flush all").c_str()), 0);
    known.startProgram(known.prober.get());
    ASSERT_TRUE(known.runTest(plan));
    EXPECT_EQ(m_standIn.notices.mid(1), QStringList{"Scanvet Address|Address conflict at 198.51.100.43: 00:1c:42:5c:a1:40 "
                                                    "(Parallels, Inc., Printer) and 02:5c:a1:00:00:77 (private (random) "
                                                    "address) both answer for it"});
}

// Two MACs the history knows, one of them named, answering for one address: one notice, not again at the next test.
TEST_F(Notices, shouldTellAConflictOfTwoKnownMacsOnceWhileItLasts)
{
    SCANVET_REQUIRE_LAB();
    offer(true);
    KnownPrograms known(m_notifier);
    // The spoofer's script goes into the working folder: this test's own, left before it goes.
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(known.dir.path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    std::string why, ours;
    known.prober = ArpProber::open(why);
    ASSERT_TRUE(known.prober) << why;
    std::getline(std::ifstream("/sys/class/net/eth0/address"), ours);
    const TestPlan plan{{lastOctetRange(0xC6336400, 12, 20)}, 1};
    known.startProgram(known.prober.get());
    // At each test an intruder claims an address from a MAC of its own: first the silent .20, then .12 of the lab's
    // hosts (named "Printer" after the first test).
    const struct {
        const char* claimed;
        QStringList notices;
    } tests[] = {
        {Lab::Silent, {"Scanvet Address|New computer on the network: 198.51.100.20, 00:1c:42:00:00:99 (Parallels, Inc.)"}},
        {Lab::Unnamed12, {"Scanvet Address|Address conflict at 198.51.100.12: 00:1c:42:00:00:99 (Parallels, Inc.) and "
                          "02:00:00:00:00:10 (private (random) address, Printer) both answer for it"}},
        {Lab::Unnamed12, {}},
    };
    for (const auto& test : tests) {
        SCOPED_TRACE(test.claimed);
        m_standIn.notices.clear();
        ASSERT_EQ(std::system("ip -4 neigh flush all"), 0);
        std::thread spoofer = Lab::sendArpReply(test.claimed, "00:1c:42:00:00:99", ours, ours, "198.51.100.2", 150);
        const auto joined = qScopeGuard([&] { spoofer.join(); });
        ASSERT_TRUE(Lab::spoofing(test.claimed));
        ASSERT_TRUE(known.runTest(plan));
        EXPECT_EQ(m_standIn.notices, test.notices);
        if (std::string(test.claimed) == Lab::Silent) {
            ASSERT_TRUE(known.scan->nameComputer(QStringLiteral("02:00:00:00:00:10"), QStringLiteral("Printer"), QString()));
            ASSERT_TRUE(known.labelled(Lab::Unnamed12, "Printer"));
        }
    }
}
