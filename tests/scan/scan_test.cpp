// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: a change told for a first, stopped or other range's or preset's test, told before N misses, or missed,
// or its count of misses lost when the program starts again; wrong status or result
// lines, entries for silent addresses, one address taken for a longer one, a second name look-up for a
// listed computer; an address conflict told again while it lasts, or not told once it has come back.
#include "tests/history/HistoryFixture.h"
#include "tests/scan/ScanFixture.h"

#include "net/Ipv4.h"

#include <QSignalSpy>



TEST(EchoRecorder, shouldTurnEachEchoIntoItsLinesAndItsEntry)
{
    FoundComputers list;
    QStringList lookups, sheet, status;
    EchoRecorder recorder(list, [&](int row, const QString& address) { lookups << QString::number(row) + address; });
    QObject::connect(&recorder, &EchoRecorder::resultLineAdded, &recorder, [&](const QString& l) { sheet << l; });
    QObject::connect(&recorder, &EchoRecorder::statusChanged, &recorder, [&](const QString& l) { status << l; });
    const struct {
        const char* address;
        uint32_t rtt;  // 99: no answer
        bool onlyCorrect;
        const char *line, *answering;  // the entries' states, in order
        qsizetype sheetLines, lookups;
    } rows[] = {{"192.168.0.9", 99, true, "Timeout or not found", "", 0, 0},
                {"192.168.0.9", 99, false, "Timeout or not found", "", 1, 0},
                {"10.0.0.50", 0, true, "Reply O.K. - in 0 msecs", "1", 2, 1},
                {"10.0.0.5", 7, true, "Reply O.K. - in 7 msecs", "11", 3, 2},
                {"10.0.0.5", 99, true, "Timeout or not found", "01", 3, 2},
                {"10.0.0.5", 7, true, "Reply O.K. - in 7 msecs", "11", 4, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.address);
        recorder.setShowOnlyCorrectReplies(row.onlyCorrect);
        const QLatin1String address(row.address);
        recorder.record(address, {row.rtt == 99 ? EchoStatus::TimedOut : EchoStatus::Answered, row.rtt, 0, 0});
        EXPECT_EQ(status.last(), QStringLiteral("Sending ping to %1 %2").arg(address, QLatin1String(row.line)));
        EXPECT_EQ(sheet.size(), row.sheetLines);
        EXPECT_EQ(lookups.size(), row.lookups);
        QString answering;
        for (int i = 0; i < list.count(); ++i) answering += list.answered(i) ? '1' : '0';
        EXPECT_EQ(answering, QLatin1String(row.answering));
    }
    // The lines of the answers, and of every echo while all are shown.
    EXPECT_EQ(sheet, (QStringList{status[1], status[2], status[3], status[5]}));
    // In address order, whatever the order they answered in.
    EXPECT_EQ(lookups, (QStringList{"010.0.0.50", "010.0.0.5"}));
    EXPECT_EQ(list.text(0) + list.text(1), entry("10.0.0.5") + entry("10.0.0.50"));
}

TEST(ChangeWatch, shouldTellWhatChangedSinceTheLastWholeTestOfTheSameRangeAndPresetOnly)
{
    ChangeWatch watch;
    const struct {
        uint32_t network;
        int preset;
        std::vector<int> answered;  // -1: an address outside the range (the octets were edited)
        bool whole;
        int missesBeforeGone;
        const char* change;  // "now | stopped", or "" for none
    } tests[] = {{0x0A000000, 0, {1, 2}, true, 1, ""},   // the range's first test
                 {0x0A000000, 0, {1, 2}, true, 1, ""},   // unchanged
                 {0x0A000000, 0, {2, 3}, true, 1, "10.0.0.3 | 10.0.0.1"},
                 {0x0A000100, 0, {}, true, 1, ""},       // another range: its own first test
                 {0x0A000000, 1, {2}, true, 1, ""},      // another preset: its own first test
                 {0x0A000000, 0, {}, false, 1, ""},      // stopped: neither told nor kept
                 {0x0A000000, 0, {2, 3}, true, 1, ""},   // so nothing changed since the last whole one
                 {0x0A000000, 0, {2, -1}, true, 1, ""},  // octets edited: not comparable, not kept
                 {0x0A000000, 0, {}, true, 2, ""},       // one miss of two
                 {0x0A000000, 0, {3}, true, 2, " | 10.0.0.2"},  // .3 back: its misses start again
                 {0x0A000000, 0, {}, true, 2, ""},
                 {0x0A000000, 0, {}, true, 2, " | 10.0.0.3"},
                 {0x0A000100, 0, {4}, true, 1, "10.0.1.4 | "}};
    for (const auto& test : tests) {
        TestOutcome outcome{{{lastOctetRange(test.network, 1, 5)}, test.preset}, {}, {}, test.whole, true, {}, {}};
        for (const int octet : test.answered) {
            outcome.comparable = outcome.comparable && octet > 0;
            outcome.answered.push_back({octet < 0 ? 0x0A090909u : test.network + uint32_t(octet), 1});
        }
        watch.setMissesBeforeGone(test.missesBeforeGone);
        // The history counts no one absent from a test that was stopped or went elsewhere either.
        for (const TestRecord& record : outcome.historyRecords([](uint32_t) { return QString(); }))
            EXPECT_EQ(record.whole, test.whole && outcome.comparable);
        const std::optional<RangeChange> change = watch.compare(outcome);
        const auto text = [](const std::vector<uint32_t>& addresses) {
            QStringList dotted;
            for (const uint32_t a : addresses) dotted << QStringLiteral("%1.%2.%3.%4").arg(a >> 24).arg(a >> 16 & 255).arg(a >> 8 & 255).arg(a & 255);
            return dotted.join(' ');
        };
        EXPECT_EQ(change ? text(change->answeringNow) + " | " + text(change->stoppedAnswering) : QString(),
                  QLatin1String(test.change));
    }
}

TEST(ChangeWatch, shouldCountTheMissesFromTheHistorySoThatTheyOutliveTheProgram)
{
    TemporaryHistory file;
    HistoryService history(file.path, 365);
    const struct {
        std::vector<int> present;
        const char* change;
    } tests[] = {{{1, 2}, ""},           // the range's first test
                 {{1}, ""},              // one miss of two
                 {{1}, " | 192.0.2.2"},  // the second, though the program started again in between
                 {{1, 2, 3}, "192.0.2.2 192.0.2.3 | "}};
    qint64 minute = -40;
    for (const auto& test : tests) {
        ChangeWatch watch;  // a program started anew each time
        watch.setMissesBeforeGone(2);
        TestOutcome outcome{{{lastOctetRange(0xC0000200, 1, 20)}, 1}, at(minute).addSecs(-5), at(minute), true, true, {}, {}};
        minute += 5;
        for (const int octet : test.present) outcome.answered.push_back({0xC0000200u + uint32_t(octet), 1});
        QSignalSpy baseline(&history, &HistoryService::baselineRead), recorded(&history, &HistoryService::recorded);
        watch.askHistory(&history, outcome.plan);
        ASSERT_TRUE(baseline.wait(10000));
        const std::optional<RangeChange> change = watch.compare(outcome);
        QStringList now, stopped;
        for (const uint32_t a : change ? change->answeringNow : std::vector<uint32_t>{}) now << QString::fromStdString(addressText(a));
        for (const uint32_t a : change ? change->stoppedAnswering : std::vector<uint32_t>{}) stopped << QString::fromStdString(addressText(a));
        EXPECT_EQ(change ? now.join(' ') + " | " + stopped.join(' ') : QString(), QLatin1String(test.change));
        history.record(outcome.historyRecords([](uint32_t) { return QString(); }));
        ASSERT_TRUE(recorded.wait(10000));
    }
}

TEST(TestOutcome, shouldCountAComputerFoundByAKnockAlonePresentInTheNoticesAndTheHistory)
{
    // 192.0.2.5 answers the echo, .7 a TCP knock alone, .9 both.
    TestOutcome outcome{{{lastOctetRange(0xC0000200, 1, 20)}, 1}, at(0).addSecs(-10), at(0), true, true, {}, {}};
    outcome.answered = {{0xC0000205, 1}, {0xC0000209, 1}};
    outcome.knocked = {{0xC0000207, 443, {443}}, {0xC0000209, 80, {}}};
    EXPECT_EQ(outcome.present(), (std::vector<uint32_t>{0xC0000205, 0xC0000207, 0xC0000209}));
    ChangeWatch watch;
    (void)watch.compare(outcome);
    TestOutcome later = outcome;
    later.knocked.clear();
    const std::optional<RangeChange> change = watch.compare(later);
    ASSERT_TRUE(change.has_value());
    EXPECT_EQ(change->stoppedAnswering, std::vector<uint32_t>{0xC0000207});
    TemporaryHistory history;
    ASSERT_TRUE(history.store.record(outcome.historyRecords([](uint32_t) { return QString(); })));
    const std::optional<ComputerHistory> knocked = history.computer(7, 0), both = history.computer(9, 0);
    ASSERT_TRUE(knocked && both);
    EXPECT_EQ(std::tuple(knocked->present, knocked->seenBy), std::tuple(true, ComputerHistory::SeenBy::Tcp));
    EXPECT_EQ(both->seenBy, ComputerHistory::SeenBy::Echo);
}

TEST(KnownComputerWatch, shouldTellAConflictOnceWhileItLastsAndAgainOnceItCameBackOrChangedPair)
{
    const QString a = QStringLiteral("00:1c:42:00:00:01"), b = QStringLiteral("02:00:00:00:00:02"),
                  c = QStringLiteral("00:1c:42:00:00:03");
    KnownComputerWatch watch;
    watch.setKnownNames({{{a, QStringLiteral("Gateway")}}, {}});
    const QString ab = "Address conflict at 192.0.2.5: 00:1c:42:00:00:01 (Parallels, Gateway) and 02:00:00:00:00:02 "
                       "(private (random) address) both answer for it";
    // Who answered for 192.0.2.5 (the first MAC, then the second), whether the test was whole, what is told.
    const struct {
        QString first, second;
        bool whole;
        QStringList told;
    } tests[] = {
        {a, b, true, {ab}},
        {b, a, true, {}},          // the same pair, the other answering first
        {a, {}, false, {}},        // a stopped test ends nothing
        {a, b, true, {}},
        {a, {}, true, {}},         // over
        {a, b, true, {ab}},        // back
        {a, c, true, {"Address conflict at 192.0.2.5: 00:1c:42:00:00:01 (Parallels, Gateway) and 00:1c:42:00:00:03 "
                       "both answer for it"}},
    };
    for (const auto& test : tests) {
        TestOutcome outcome{{{lastOctetRange(0xC0000200, 1, 20)}, 1}, at(0).addSecs(-10), at(0), test.whole, true, {}, {}};
        const auto makerOf = [](const QString& mac) { return mac == QLatin1String("00:1c:42:00:00:01") ? "Parallels" : ""; };
        outcome.onLink = {{0xC0000205, test.first, makerOf(test.first), test.second, makerOf(test.second)}};
        EXPECT_EQ(watch.tested(outcome), test.told) << qPrintable(test.first + ' ' + test.second);
    }
}
