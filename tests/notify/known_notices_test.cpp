// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches, in the lab: a computer that moves taken for one gone and one come (a "stopped answering" notice), its
// name lost on the way or its move not in the history; a new MAC without its one notice, or told again after a
// restart; a private (locally administered) MAC told by default; a first test of the LAN told computer by computer; a
// new MAC answering for an address that another MAC holds (a conflict) untold, or told without the other MAC.
#include "history/HistoryStore.h"
#include "net/ArpProber.h"
#include "scan/ScanController.h"
#include "tests/Lab.h"
#include "tests/QtPrinters.h"
#include "tests/notify/NoticeFixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

TEST_F(Notices, shouldFollowAComputerByItsMacAndTellOfANewOneOnceAcrossARestart)
{
    SCANVET_REQUIRE_LAB();
    offer(true);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("history.sqlite"));
    const TestPlan plan{{lastOctetRange(0xC6336400, 1, 254)}, 1};
    std::unique_ptr<ArpProber> prober;  // outlives the program that uses it
    std::unique_ptr<ScanController> scan;
    std::unique_ptr<QSignalSpy> changed, moved, told;
    QSignalSpy sent(&m_notifier, &DesktopNotifier::finished);
    const auto startProgram = [&](ArpProber* arp = nullptr) {
        scan = std::make_unique<ScanController>(std::make_unique<Pinger>(), arp);
        scan->setHistory(file, 90);
        QObject::connect(scan.get(), &ScanController::newComputersSeen, &m_notifier, &DesktopNotifier::notifyNewComputers);
        changed = std::make_unique<QSignalSpy>(scan.get(), &ScanController::computersChanged);
        moved = std::make_unique<QSignalSpy>(scan.get(), &ScanController::computersMoved);
        told = std::make_unique<QSignalSpy>(scan.get(), &ScanController::newComputersSeen);
        sent.clear();  // notices sent, of this program
    };
    // A test, its record and the notice it brings, if any.
    const auto runTest = [&] {
        QSignalSpy settled(scan.get(), &ScanController::testSettled);
        const qsizetype notices = told->size();
        if (!scan->start(plan) || !settled.wait(30000)) return false;
        if (!QTest::qWaitFor([&] { return !scan->history()->busy(); }, 10000)) return false;
        return told->size() == notices || QTest::qWaitFor([&] { return sent.size() == told->size(); }, 10000);
    };
    const auto row = [&](const char* address) { return scan->foundComputers().rowOf(QLatin1String(address)); };

    startProgram();
    ASSERT_TRUE(runTest());
    // The LAN's own hosts have private MACs: of the first test, the batch of the ARP-only hosts with makers' MACs.
    EXPECT_EQ(m_standIn.notices, QStringList{"Scanvet Address|2 new computers on the network: 198.51.100.40, "
                                             "00:1c:42:5c:a1:40 (Parallels, Inc.); 198.51.100.41, 70:b3:d5:71:9a:41 "
                                             "(2M Technology)."});
    ASSERT_TRUE(scan->nameComputer(QStringLiteral("00:1c:42:5c:a1:40"), QStringLiteral("Printer"), QString()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->foundComputers().label(row("198.51.100.40")) == "Printer"; }, 10000));

    // .40 takes the address .43; .41 gets a new MAC of a maker, .42 another private one.
    ASSERT_EQ(std::system((arpHost(0) + "addr del 198.51.100.40/24 dev eth0 && " + arpHost(0) +
                           "addr add 198.51.100.43/24 dev eth0 && ip -4 neigh flush all").c_str()), 0);
    ASSERT_TRUE(runTest());
    ASSERT_EQ(moved->size(), 1);
    EXPECT_TRUE(moved->first().at(1).toStringList().value(0).startsWith(
        "Printer (00:1c:42:5c:a1:40) moved from .40 to .43 at "));
    for (const QList<QVariant>& change : *changed) EXPECT_TRUE(change.at(2).toStringList().isEmpty()) << "stopped answering";
    EXPECT_TRUE(scan->foundComputers().data(scan->foundComputers().index(row("198.51.100.43")), Qt::DisplayRole)
                    .toString().startsWith("198.51.100.43 Printer"));
    {
        HistoryStore store(file);
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
    ASSERT_TRUE(runTest());
    EXPECT_EQ(m_standIn.notices,
              QStringList{"Scanvet Address|New computer on the network: 198.51.100.41, 00:1c:42:5c:a1:99 (Parallels, Inc.)"});

    // A restart: the same MACs again, and a test after that, are no news.
    startProgram();
    ASSERT_TRUE(runTest());
    ASSERT_TRUE(runTest());
    EXPECT_EQ(told->size(), 0);
    EXPECT_EQ(m_standIn.notices.size(), 1);

    // .42 takes a new private MAC and also the address .43, where the Printer answers: the kernel's neighbour table
    // keeps one MAC an address, so the program asks ARP itself. The new MAC is told, private or not, with the other.
    std::string why;
    prober = ArpProber::open(why);
    ASSERT_TRUE(prober) << why;
    ASSERT_EQ(std::system((arpHost(2) + "link set eth0 down && " + arpHost(2) + "link set eth0 address 02:5c:a1:00:00:77 && " +
                           arpHost(2) + "link set eth0 up && " + arpHost(2) + "addr add 198.51.100.43/24 dev eth0 && "
                           "ip -4 neigh flush all").c_str()), 0);
    startProgram(prober.get());
    ASSERT_TRUE(runTest());
    EXPECT_EQ(m_standIn.notices.mid(1), QStringList{"Scanvet Address|New computer on the network: 198.51.100.43, "
                                                    "02:5c:a1:00:00:77 (private (random) address), address conflict: "
                                                    "MAC address 00:1c:42:5c:a1:40 answers for it too"});
}
