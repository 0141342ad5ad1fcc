// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: a notice with markup taken as markup, a plain one escaped, a list not cut after ten, a notice
// that hangs or fails without a service, or that does not replace its range's previous one; no notice, or more than one, when a range's computers change; a notice
// that goes before the name of a computer found late in its test is in.
#include "tests/notify/NoticeFixture.h"
#include "scan/ScanController.h"
#include "tests/Lab.h"
#include "tests/QtPrinters.h"
#include "tests/SlowNameServer.h"

#include <QSignalSpy>

#include <vector>
#include <QTest>

TEST_F(Notices, shouldEscapeNamesOnlyWhereTheServiceRendersMarkupAndGoWithoutAService)
{
    QStringList many;
    for (int i = 1; i <= 12; ++i) many << QStringLiteral("10.0.0.%1").arg(i);
    const QString tricky = QStringLiteral("10.0.0.20 <b>x</b>&co");
    const struct {
        bool service;
        QStringList capabilities, now, stopped;
        QString range, notice;  // notice empty: none
        uint replaces;          // the service's id of the notice it replaces
    } rows[] = {
        {true, {"body", "body-markup"}, {tricky}, {}, "A", "Scanvet Address|Answering now: 10.0.0.20 &lt;b&gt;x&lt;/b&gt;&amp;co.", 0},
        {true, {"body"}, {"10.0.0.1"}, {tricky}, "A", "Scanvet Address|Answering now: 10.0.0.1. Stopped answering: " + tricky + '.', 1},
        {true, {}, {}, many, "B", "Scanvet Address|Stopped answering: " + many.mid(0, 10).join(", ") + " and 2 more.", 0},
        {false, {"body"}, {"10.0.0.1"}, {}, "A", {}, 0},
    };
    for (const auto& row : rows) {
        offer(row.service);
        m_standIn.capabilities = row.capabilities;
        m_standIn.notices.clear();
        m_standIn.replaced.clear();
        QSignalSpy finished(&m_notifier, &DesktopNotifier::finished);
        m_notifier.notifyChange(row.range, row.now, row.stopped);
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_EQ(finished.first().first().toBool(), row.service);
        EXPECT_EQ(m_standIn.notices, row.notice.isEmpty() ? QStringList{} : QStringList{row.notice});
        // As vectors: Qt's comparison of two empty lists of numbers passes memcmp a null pointer.
        const std::vector<uint> replaced(m_standIn.replaced.begin(), m_standIn.replaced.end());
        EXPECT_EQ(replaced, row.notice.isEmpty() ? std::vector<uint>{} : std::vector<uint>{row.replaces});
    }
}

// In the lab: one host taken away and one added between two tests of a range bring one notice naming both,
// once the added one's name, which the slow name server holds, is in.
TEST_F(Notices, shouldSendOneNoticeForASecondTestOfARangeWhoseComputersChanged)
{
    SCANVET_REQUIRE_LAB();
    auto scan = std::make_unique<ScanController>(std::make_unique<Pinger>());
    offer(true);
    QObject::connect(scan.get(), &ScanController::computersChanged, &m_notifier, &DesktopNotifier::notifyChange);
    QSignalSpy finished(scan.get(), &ScanController::finished), sent(&m_notifier, &DesktopNotifier::finished);
    QSignalSpy settled(scan.get(), &ScanController::testSettled);
    const TestPlan plan{{lastOctetRange(0xC6336400, 9, 13)}, 1};
    const auto runTest = [&] { return scan->start(plan) && settled.wait(30000); };
    ASSERT_TRUE(runTest());
    const std::string hosts = std::getenv("SCANVET_LAB_HOSTS");
    // The scanner's neighbour table forgets .11 too: a fresh entry it once had would show it on the link for a while.
    ASSERT_EQ(std::system(("ip -n " + hosts + " addr del 198.51.100.11/24 dev eth0 && ip -n " + hosts +
                           " addr add 198.51.100.9/24 dev eth0 && ip -4 neigh flush all").c_str()), 0);
    const SlowNameServer nameServer;
    ASSERT_TRUE(nameServer.holds(0));
    ASSERT_TRUE(scan->start(plan) && finished.wait(30000));
    ASSERT_TRUE(nameServer.holds(1));
    EXPECT_TRUE(m_standIn.notices.isEmpty());
    nameServer.answer();
    ASSERT_TRUE(sent.wait(10000));
    QTest::qWait(200);  // a second notice would be on its way by now
    EXPECT_EQ(m_standIn.notices, QStringList{"Scanvet Address|Answering now: 198.51.100.9 slow9.lab. "
                                           "Stopped answering: 198.51.100.11 bravo.lab."});
}

