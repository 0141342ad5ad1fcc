// Catches: wrong status or result lines, entries for silent addresses, one address taken for a longer
// one, a second name look-up for a listed computer, a late name written into another entry, a worker
// left waiting by a close, and a repeat that starts from the wrong moment or survives a stop or a ping.
#include "scan/GuiHandOver.h"
#include "tests/scan/ScanFixture.h"

#include <QSignalSpy>

#include <thread>

TEST(EchoRecorder, shouldTurnEachEchoIntoItsLinesAndItsEntry)
{
    FoundComputers list;
    QStringList lookups, sheet, status;
    EchoRecorder recorder(list, [&](int row, const QString& address) { lookups << QString::number(row) + address; });
    QObject::connect(&recorder, &EchoRecorder::resultLineAdded, &recorder, [&](const QString& l) { sheet << l; });
    QObject::connect(&recorder, &EchoRecorder::statusChanged, &recorder, [&](const QString& l) { status << l; });
    struct Row {
        const char* address;
        bool answered, onlyCorrect;
        uint32_t rtt;
        const char* line;
        QStringList entries, lookups;
        std::vector<bool> answering;
    };
    const QString five = entry("10.0.0.5"), fifty = entry("10.0.0.50");
    const Row rows[] = {
        {"192.168.0.9", false, true, 0, "Timeout or not found", {}, {}, {}},
        {"192.168.0.9", false, false, 0, "Timeout or not found", {}, {}, {}},
        {"10.0.0.50", true, true, 0, "Reply O.K. - in 0 msecs", {fifty}, {"010.0.0.50"}, {true}},
        {"10.0.0.5", true, true, 7, "Reply O.K. - in 7 msecs", {fifty, five}, {"010.0.0.50", "110.0.0.5"}, {true, true}},
        {"10.0.0.5", false, true, 0, "Timeout or not found", {fifty, five}, {"010.0.0.50", "110.0.0.5"}, {true, false}},
        {"10.0.0.5", true, true, 7, "Reply O.K. - in 7 msecs", {fifty, five}, {"010.0.0.50", "110.0.0.5"}, {true, true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address);
        const qsizetype before = sheet.size();
        recorder.setShowOnlyCorrectReplies(row.onlyCorrect);
        recorder.record(QString::fromLatin1(row.address),
                        {row.answered ? EchoStatus::Answered : EchoStatus::TimedOut, row.rtt, 0, 0});
        const QString line = QStringLiteral("Sending ping to %1 %2").arg(QLatin1String(row.address), QLatin1String(row.line));
        EXPECT_EQ(status.last(), line);
        EXPECT_EQ(sheet.size() - before, row.answered || !row.onlyCorrect ? 1 : 0);
        if (sheet.size() > before) {
            EXPECT_EQ(sheet.last(), line);
        }
        EXPECT_EQ(lookups, row.lookups);
        ASSERT_EQ(list.count(), row.entries.size());
        for (int i = 0; i < list.count(); ++i) {
            EXPECT_EQ(list.text(i), row.entries[i]);
            EXPECT_EQ(list.answered(i), row.answering[static_cast<size_t>(i)]);
        }
    }
    EXPECT_EQ(list.data(list.index(1), Qt::AccessibleDescriptionRole), QStringLiteral("answering"));
}

TEST(FoundComputers, shouldWriteANameOnlyIntoTheEntryThatStillShowsItsAddress)
{
    FoundComputers list;
    list.add(QStringLiteral("10.0.0.7"));
    list.add(QStringLiteral("10.0.0.8"));
    list.setHostName(0, QStringLiteral("10.0.0.7"), QStringLiteral("PRINTER1"));
    EXPECT_EQ(list.text(0), entry("10.0.0.7 PRINTER1"));
    const QString longName(40, u'n');
    list.setHostName(1, QStringLiteral("10.0.0.8"), longName);
    EXPECT_EQ(list.text(1), QStringLiteral("10.0.0.8 ") + longName);  // never cut

    list.clear();
    list.add(QStringLiteral("10.0.0.9"));
    list.setHostName(0, QStringLiteral("10.0.0.7"), QStringLiteral("late"));
    list.setHostName(1, QStringLiteral("10.0.0.8"), QStringLiteral("gone"));
    EXPECT_EQ(list.text(0), entry("10.0.0.9"));
    EXPECT_EQ(list.rowOf(QStringLiteral("10.0.0.7")), -1);
    list.setAnswered(0, false);
    EXPECT_EQ(list.data(list.index(0), Qt::AccessibleDescriptionRole), QStringLiteral("not answering"));
}

TEST(GuiHandOver, shouldReleaseAWaitingWorkerWhenClosedWithoutRunningItsWork)
{
    auto handOver = GuiHandOver::create();
    bool ran = false;
    std::atomic<int> handed{-1};
    std::thread worker([&] { handed = handOver->run([&] { ran = true; }); });
    handOver->close();
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(handed, 0);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(handOver->run([&] { ran = true; }));
    EXPECT_FALSE(ran);
}

TEST_F(ScanFixture, shouldRepeatAFinishedTestAPeriodAfterItsEndButNotAfterAStopOrAPing)
{
    scan->setMinuteLength(std::chrono::milliseconds(20));
    QSignalSpy due(scan.get(), &ScanController::repeatDue);
    ASSERT_TRUE(runTest({127, 0, 0}, 200, 100, 0, 1));  // an inverted range: no echo, the test ends at once
    EXPECT_TRUE(steps.empty());
    EXPECT_TRUE(scan->repeatArmed());
    EXPECT_TRUE(due.wait(10000));

    ASSERT_TRUE(runTest({127, 0, 0}, 200, 100, 0, 0));  // no repeat period: armed, but nothing ever counts
    EXPECT_FALSE(scan->repeatCounting());

    scan->setParameters({127, 0, 0}, 200, 100, 1);
    scan->start();
    scan->requestStop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !scan->isRunning(); }, 10000));
    EXPECT_FALSE(scan->repeatArmed());

    ASSERT_TRUE(runTest({127, 0, 0}, 200, 100, 0, 1));
    scan->pingOnce(QStringLiteral("127.0.0.1"));
    EXPECT_FALSE(scan->repeatArmed());
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("Sending ping to 127.0.0.1 Reply O.K. - in ")));
}
