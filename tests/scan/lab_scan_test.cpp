// Catches: addresses skipped, repeated or out of order; answering hosts missing from the list or
// without their names; a stop that cuts the echo short or lets the next address through; late
// replies and errors counted for another address; a progress step lost where no echo went out.
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
    // One line per address, in order, each saying what that address did.
    void expectLines(const std::vector<std::string>& addresses, const std::set<std::string>& answering)
    {
        ASSERT_EQ(lines.size(), static_cast<qsizetype>(addresses.size()));
        for (size_t i = 0; i < addresses.size(); ++i) {
            const QString start = QRegularExpression::escape(QString::fromStdString("Sending ping to " + addresses[i]));
            const char* end = answering.count(addresses[i]) ? R"( Reply O\.K\. - in \d+ msecs$)" : " Timeout or not found$";
            EXPECT_TRUE(QRegularExpression(start + end).match(lines[qsizetype(i)]).hasMatch()) << lines[qsizetype(i)].toStdString();
        }
    }
    // The first three octets become these from request number n (from 1) on.
    void changeOctetsAt(std::map<int, std::array<int, 3>> changes)
    {
        scan->pinger().onRequest = [this, changes, n = 0]() mutable {
            if (const auto change = changes.find(++n); change != changes.end())
                for (auto [to, octet] : {std::pair{&scan->parameters().octet1, 0}, {&scan->parameters().octet2, 1},
                                         {&scan->parameters().octet3, 2}})
                    *to = change->second[size_t(octet)];
        };
    }
    static std::vector<std::string> lan(int low, int high, std::vector<std::string> before = {})
    {
        for (int i = low; i <= high; ++i) before.push_back("198.51.100." + std::to_string(i));
        return before;
    }
    bool namesAre(const QStringList& named)
    {
        const bool same = QTest::qWaitFor([&] { return entries() == named; }, 20000);
        EXPECT_EQ(entries(), named);
        return same;
    }
};

TEST_F(LabScan, shouldListExactlyTheAnsweringHostsOfTheRangeInOrderWithTheirNames)
{
    ASSERT_TRUE(runTest({198, 51, 100}, 4, 13, 1));
    EXPECT_EQ(steps, (std::vector<int>{4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    expectLines(lan(4, 13), {Lab::Echo5, Lab::Alpha, Lab::Bravo, Lab::Unnamed12, Lab::Unnamed13});
    namesAre({entry("198.51.100.5 echo5.lab"), entry("198.51.100.10 alpha.lab"), entry("198.51.100.11 bravo.lab"),
              entry("198.51.100.12"), entry("198.51.100.13")});
}

TEST_F(LabScan, shouldFinishTheEchoUnderWayWhenStoppedAndPingNoFurtherAddress)
{
    // A click on Stop Test while the echo is under way.
    scan->pinger().onRequest = [this] { QMetaObject::invokeMethod(scan.get(), [this] { scan->requestStop(); }); };
    ASSERT_TRUE(runTest({198, 51, 100}, 20, 22, 2, 5));  // 3000 ms for the silent .20
    EXPECT_EQ(lines, QStringList{QStringLiteral("Sending ping to 198.51.100.20 Timeout or not found")});
    EXPECT_EQ(steps, std::vector<int>{20});
    EXPECT_FALSE(scan->repeatArmed());
}

TEST_F(LabScan, shouldGiveEveryAddressItsOwnResultAmongLateAndUnreachableHosts)
{
    // 203.0.113.10 answers behind the router; .20 there is silent, and the router says so seconds
    // later, during the next echoes; .30 on the LAN answers after 30 ms, in time for 600 ms.
    changeOctetsAt({{1, {198, 51, 100}}, {10, {203, 0, 113}}, {11, {198, 51, 100}}});
    ASSERT_TRUE(runTest({203, 0, 113}, 10, 30, 1));
    std::vector<std::string> addresses = lan(11, 19, {Lab::Far});
    addresses.push_back(Lab::FarSilent);
    expectLines(lan(21, 30, addresses), {Lab::Far, Lab::Bravo, Lab::Unnamed12, Lab::Unnamed13, Lab::Late});
    namesAre({entry("203.0.113.10 far.lab"), entry("198.51.100.11 bravo.lab"), entry("198.51.100.12"),
              entry("198.51.100.13"), entry("198.51.100.30 late.lab")});

    // The router's errors for its unreachable route come at once, at most one a second.
    lines.clear();
    changeOctetsAt({{1, {198, 51, 100}}, {3, {203, 0, 113}}, {4, {198, 51, 100}}, {6, {203, 0, 113}}});
    ASSERT_TRUE(runTest({203, 0, 113}, 200, 206, 1));
    expectLines({"203.0.113.200", "198.51.100.201", "198.51.100.202", "203.0.113.203", "198.51.100.204",
                 "198.51.100.205", "203.0.113.206"}, {});
    EXPECT_EQ(entries().size(), 5);
}

TEST_F(LabScan, shouldStepProgressAlsoForAnAddressToWhichNoEchoWentOut)
{
    // After .10, the first octet becomes one that no address has: no request goes out for .11.
    scan->pinger().onReturned = [this] { scan->parameters().octet1 = 256; };
    ASSERT_TRUE(runTest({198, 51, 100}, 10, 11, 1));
    EXPECT_EQ(steps, (std::vector<int>{10, 11}));
    expectLines({Lab::Alpha}, {Lab::Alpha});
}
