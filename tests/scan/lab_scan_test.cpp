// Catches: addresses skipped, repeated or out of order; answering hosts missing from the list or
// without their names; a stop that cuts the echo short or lets the next address through; a halt that
// waits for the echo or reports after it; late replies and errors counted for another address; a
// progress step lost where no echo went out; a found computer that never shows it stopped answering.
#include "tests/Lab.h"
#include "tests/scan/ScanFixture.h"

#include <QRegularExpression>

#include <set>

class LabScan : public ScanFixture {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        ScanFixture::SetUp();
    }
    // Each line belongs to its address and says what that address did.
    void expectLines(const std::vector<std::string>& addresses, const std::set<std::string>& answering)
    {
        ASSERT_EQ(lines.size(), static_cast<qsizetype>(addresses.size()));
        for (size_t i = 0; i < addresses.size(); ++i) {
            const QString start = QStringLiteral("Sending ping to ") + QString::fromStdString(addresses[i]);
            const QString pattern = QRegularExpression::escape(start) +
                                    (answering.count(addresses[i]) != 0 ? R"( Reply O\.K\. - in \d+ msecs$)"
                                                                        : " Timeout or not found$");
            EXPECT_TRUE(QRegularExpression(pattern).match(lines[static_cast<qsizetype>(i)]).hasMatch())
                << lines[static_cast<qsizetype>(i)].toStdString();
        }
    }
    // Sets the first three octets when the scan sends its request number n (from 1).
    void changeOctetsAt(std::map<int, std::array<int, 3>> changes)
    {
        scan->pinger().onRequest = [this, changes, n = 0]() mutable {
            const auto change = changes.find(++n);
            if (change == changes.end()) return;
            scan->parameters().octet1 = change->second[0];
            scan->parameters().octet2 = change->second[1];
            scan->parameters().octet3 = change->second[2];
        };
    }
    static std::vector<std::string> lan(int low, int high)
    {
        std::vector<std::string> addresses;
        for (int i = low; i <= high; ++i) addresses.push_back("198.51.100." + std::to_string(i));
        return addresses;
    }
};

TEST_F(LabScan, shouldListExactlyTheAnsweringHostsOfTheRangeInOrderWithTheirNames)
{
    setUp(198, 51, 100, 4, 13, 1);
    ASSERT_TRUE(runTest());
    EXPECT_EQ(steps, (std::vector<int>{4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    expectLines(lan(4, 13), {Lab::Echo5, Lab::Alpha, Lab::Bravo, Lab::Unnamed12, Lab::Unnamed13});
    const QStringList named{entry("198.51.100.5 echo5.lab"), entry("198.51.100.10 alpha.lab"),
                            entry("198.51.100.11 bravo.lab"), entry("198.51.100.12"), entry("198.51.100.13")};
    EXPECT_TRUE(QTest::qWaitFor([&] { return entries() == named; }, 20000)) << entries().join('|').toStdString();
}

TEST_F(LabScan, shouldFinishTheEchoUnderWayWhenStoppedAndPingNoFurtherAddress)
{
    setUp(198, 51, 100, 20, 22, 2, 5);  // 3000 ms for the silent address
    scan->pinger().onRequest = [this] { scan->requestStop(); };
    ASSERT_TRUE(runTest());
    EXPECT_EQ(lines, QStringList{QStringLiteral("Sending ping to 198.51.100.20 Timeout or not found")});
    EXPECT_EQ(steps, std::vector<int>{20});
    EXPECT_FALSE(scan->repeatArmed());
}

TEST_F(LabScan, shouldHaltAnEchoAtOnceAndReportNothingMore)
{
    setUp(198, 51, 100, 20, 22, 2);
    std::atomic<bool> sent{false};
    scan->pinger().onRequest = [&] { sent = true; };
    scan->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.load(); }, 10000));
    scan->halt();
    QCoreApplication::processEvents();
    EXPECT_FALSE(scan->isRunning());
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(finished, 0);
}

TEST_F(LabScan, shouldGiveEveryAddressItsOwnResultAmongLateAndUnreachableHosts)
{
    // 203.0.113.10 answers behind the router; 198.51.100.11-13 answer; 203.0.113.20 is silent
    // behind the router, which reports it unreachable seconds later, during the next echoes; .30
    // answers after 30 ms, in time for 600 ms. The octets change as the scan goes.
    setUp(203, 0, 113, 10, 30, 1);
    changeOctetsAt({{1, {198, 51, 100}}, {10, {203, 0, 113}}, {11, {198, 51, 100}}});
    ASSERT_TRUE(runTest());
    std::vector<std::string> addresses{Lab::Far};
    for (const std::string& a : lan(11, 19)) addresses.push_back(a);
    addresses.push_back(Lab::FarSilent);
    for (const std::string& a : lan(21, 30)) addresses.push_back(a);
    expectLines(addresses, {Lab::Far, Lab::Bravo, Lab::Unnamed12, Lab::Unnamed13, Lab::Late});
    const QStringList named{entry("203.0.113.10 far.lab"), entry("198.51.100.11 bravo.lab"), entry("198.51.100.12"),
                            entry("198.51.100.13"), entry("198.51.100.30 late.lab")};
    EXPECT_TRUE(QTest::qWaitFor([&] { return entries() == named; }, 20000)) << entries().join('|').toStdString();

    // The router's errors for its unreachable route come at once, at most one a second.
    lines.clear();
    setUp(203, 0, 113, 200, 206, 1);
    changeOctetsAt({{1, {198, 51, 100}}, {3, {203, 0, 113}}, {4, {198, 51, 100}}, {6, {203, 0, 113}}});
    ASSERT_TRUE(runTest());
    expectLines({"203.0.113.200", "198.51.100.201", "198.51.100.202", "203.0.113.203", "198.51.100.204",
                 "198.51.100.205", "203.0.113.206"},
                {});
    EXPECT_EQ(entries().size(), 5);
}

TEST_F(LabScan, shouldStepProgressAlsoForAnAddressToWhichNoEchoWentOut)
{
    setUp(198, 51, 100, 10, 13, 1);
    // For .11 only, the first octet becomes one that no address has: no request goes out.
    QObject::connect(scan.get(), &ScanController::progressed, scan.get(),
                     [this](int octet) { scan->parameters().octet1 = octet == 10 ? 256 : 198; });
    ASSERT_TRUE(runTest());
    EXPECT_EQ(steps, (std::vector<int>{10, 11, 12, 13}));
    expectLines({Lab::Alpha, "198.51.100.12", Lab::Unnamed13}, {Lab::Alpha, Lab::Unnamed12, Lab::Unnamed13});
}

TEST_F(LabScan, shouldMarkAFoundComputerSilentWhenALaterTestGetsNoAnswer)
{
    setUp(198, 51, 100, 30, 30, 1);  // 600 ms: the late host's answer is in time
    ASSERT_TRUE(runTest());
    ASSERT_EQ(entries().size(), 1);
    EXPECT_TRUE(scan->foundComputers().answered(0));
    setUp(198, 51, 100, 30, 30, 0);  // 1 ms: it is not
    ASSERT_TRUE(runTest());
    ASSERT_EQ(entries().size(), 1);
    EXPECT_FALSE(scan->foundComputers().answered(0));
    EXPECT_EQ(steps, (std::vector<int>{30, 30}));
}
