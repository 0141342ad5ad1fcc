// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: addresses skipped, repeated or out of order; answering hosts missing from the list or
// without their names; late replies and errors counted for another address; a stop that comes after the
// test's end and makes it a stopped one; a failure whose box lets later events overtake earlier ones. (The stop
// rule and a whole range's list: the command-line tests.)
#include "tests/Lab.h"
#include "tests/scan/ScanFixture.h"

#include "scan/RangeScanner.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <stdexcept>
#include <thread>

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
        ASSERT_EQ(m_lines.size(), static_cast<qsizetype>(addresses.size()));
        for (size_t i = 0; i < addresses.size(); ++i) {
            const QString start = QRegularExpression::escape(QString::fromStdString("Sending ping to " + addresses[i]));
            const char* end = answering.count(addresses[i]) ? R"( Reply O\.K\. - in \d+ msecs$)" : " Timeout or not found$";
            EXPECT_TRUE(QRegularExpression(start + end).match(m_lines[qsizetype(i)]).hasMatch()) << m_lines[qsizetype(i)].toStdString();
        }
    }
    // The first three octets become these from request number n (from 1) on, as the window's edits do.
    void changeNetworkAt(std::map<int, uint32_t> changes)
    {
        m_scan->pinger().onRequest = [this, changes, n = 0]() mutable {
            if (const auto change = changes.find(++n); change != changes.end()) m_scan->setNetwork(change->second);
        };
    }
    static bool testThreadRuns()
    {
        const QDir tasks(QStringLiteral("/proc/self/task"));
        for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
            if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == RangeScanner::ThreadName) return true;
        }
        return false;
    }
    static std::vector<std::string> lan(int low, int high, std::vector<std::string> before = {})
    {
        for (int i = low; i <= high; ++i) before.push_back("198.51.100." + std::to_string(i));
        return before;
    }
};

TEST_F(LabScan, shouldGiveEveryAddressItsOwnResultAmongLateAndUnreachableHosts)
{
    // 203.0.113.10 answers behind the router; .20 there is silent, and the router says so seconds
    // later, during the next echoes; .30 on the LAN answers after 30 ms, in time for 600 ms.
    changeNetworkAt({{1, 0xC6336400}, {10, 0xCB007100}, {11, 0xC6336400}});
    ASSERT_TRUE(runTest(0xCB007100, 10, 30, 1, true));
    std::vector<std::string> addresses = lan(11, 19, {Lab::Far});
    addresses.push_back(Lab::FarSilent);
    expectLines(lan(21, 30, addresses), {Lab::Far, Lab::Bravo, Lab::Unnamed12, Lab::Unnamed13, Lab::Late});
    // The list in address order, whichever network answered first.
    const QStringList named{entry("198.51.100.11 bravo.lab"), entry("198.51.100.12"), entry("198.51.100.13"),
                            entry("198.51.100.30 late.lab"), entry("203.0.113.10 far.lab")};
    EXPECT_TRUE(QTest::qWaitFor([&] { return entries() == named; }, 20000)) << entries().join('|').toStdString();
}

// The test's thread has handed over its end, the GUI thread has not taken it yet, and then the stop comes:
// the test was whole, and its repeat follows.
TEST_F(LabScan, shouldKeepATestWholeWhenItsStopComesAfterItsEnd)
{
    m_scan->setRepeatMinutes(5);
    for (const bool oneAtATime : {true, false}) {
        SCOPED_TRACE(oneAtATime ? "one at a time" : "sweep");
        const int before = m_finished;
        ASSERT_TRUE(m_scan->start({{lastOctetRange(0xC6336400, 10, 11)}, 1, oneAtATime}));
        const QDeadlineTimer guard(30000);
        while (testThreadRuns() && !guard.hasExpired()) std::this_thread::yield();  // no event loop meanwhile
        ASSERT_FALSE(testThreadRuns());
        m_scan->requestStop();
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_finished > before; }, 60000));
        EXPECT_TRUE(m_scan->repeatArmed());
        EXPECT_EQ(m_lines.size(), 2 * (oneAtATime ? 1 : 2));
    }
    m_scan->halt();
}

// A step of the test fails and its box runs an event loop: the test's later events, come meanwhile, must not
// overtake the rest of the batch the failure came in. The sweep hands .10 to .13 over together, .14 on a time-out
// later.
TEST_F(LabScan, shouldKeepTheTestsEventsInOrderWhileAFailureIsShown)
{
    QStringList order;
    const QString failure = QStringLiteral("a handler failed");
    QObject::connect(m_scan.get(), &ScanController::progressed, m_scan.get(), [&](qint64 done, qint64, quint32) {
        order << QString::number(done);
        if (done == 1) throw std::runtime_error(failure.toStdString());
    });
    QObject::connect(m_scan.get(), &ScanController::finished, m_scan.get(), [&] { order << "end"; });
    QObject::connect(m_scan.get(), &ScanController::failed, m_scan.get(), [&](const QString& why) {
        order << why;
        if (!QTest::qWaitFor([&] { return order.contains("end"); }, 5000)) order << "no end in the box";  // its event loop
    });
    ASSERT_TRUE(runTest(0xC6336400, 10, 20, 1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return order.contains(failure); }, 5000));
    EXPECT_EQ(order.removeAll(failure), 1);
    EXPECT_EQ(order.join(' '), "1 2 3 4 5 6 7 8 9 10 11 end");
}
