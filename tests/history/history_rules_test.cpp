// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: wrong first or last sighting, a missed or extra change, a stopped test that records a computer as gone or
// counts in uptime, uptime outside its window or before the first sighting, a late older test that turns the state
// back, a notice before N missed whole tests or a return without one, retention that loses a present computer's first
// sighting or keeps what is older, round trips not summed per day, and an off history that makes its file.
#include "HistoryFixture.h"

constexpr bool W = true, S = false;  // a whole or a stopped test
constexpr qint64 Day = 24 * 60;

TEST(HistoryRules, shouldKeepSightingsChangesAndUptimeByTheRules)
{
    struct Row {
        const char* rule;
        std::vector<Step> steps;
        int octet;
        qint64 firstSeen, lastSeen;
        bool answering;
        int changes;
        std::optional<double> uptime24h, uptime7d;
    };
    const Row rows[] = {
        {"first and last seen", {{0, W, {5}}, {5, W, {5}}}, 5, 0, 5, true, 0, 100, 100},
        {"a change each way", {{0, W, {5}}, {5, W, {}}, {10, W, {5}}}, 5, 0, 10, true, 2, 200 / 3., 200 / 3.},
        {"a stopped test records no one gone", {{0, W, {5}}, {5, S, {}}}, 5, 0, 0, true, 0, 100, 100},
        {"a stopped test adds sightings", {{0, W, {5}}, {5, S, {5, 6}}}, 6, 5, 5, true, 0, {}, {}},
        {"an answer in a stopped test is a change", {{0, W, {5}}, {5, W, {}}, {10, S, {5}}}, 5, 0, 10, false, 2, 50, 50},
        {"seen on the link only", {{0, W, {}, {7}}, {5, W, {}, {7}}}, 7, 0, 5, false, 0, 0, 0},
        {"uptime from the first sighting", {{0, W, {5}}, {5, W, {5, 6}}, {10, W, {5}}}, 6, 5, 5, false, 1, 50, 50},
        {"24 hours and 7 days", {{0, W, {5}}, {720, W, {}}, {2 * Day, W, {5}}, {2 * Day + 5, W, {5}}}, 5, 0,
         2 * Day + 5, true, 2, 100, 75},
        {"a late older test changes nothing", {{10, W, {5}}, {5, W, {}}}, 5, 10, 10, true, 0, 100, 100},
    };
    for (const Row& row : rows) {
        TemporaryHistory history;
        ASSERT_TRUE(history.run(row.steps)) << row.rule << history.store.lastError().toStdString();
        const std::optional<ComputerHistory> computer = history.computer(row.octet, std::ranges::max(row.steps, {}, &Step::minute).minute);
        ASSERT_TRUE(computer) << row.rule;
        EXPECT_EQ(computer->firstSeen, at(row.firstSeen)) << row.rule;
        EXPECT_EQ(computer->lastSeen, at(row.lastSeen)) << row.rule;
        EXPECT_EQ(computer->answering, row.answering) << row.rule;
        EXPECT_EQ(computer->changes, row.changes) << row.rule;
        EXPECT_EQ(computer->uptime24h.has_value(), row.uptime24h.has_value()) << row.rule;
        EXPECT_NEAR(computer->uptime24h.value_or(-1), row.uptime24h.value_or(-1), 0.01) << row.rule;
        EXPECT_NEAR(computer->uptime7d.value_or(-1), row.uptime7d.value_or(-1), 0.01) << row.rule;
    }
}

TEST(HistoryRules, shouldDrawTheLastDayAsAlternatingSpans)
{
    TemporaryHistory history;
    ASSERT_TRUE(history.run({{0, W, {5}}, {Day, W, {5}}, {Day + 5, W, {}}, {Day + 10, W, {5}}, {Day + 15, W, {5}}}));
    const std::optional<ComputerHistory> computer = history.computer(5, Day + 20);
    ASSERT_TRUE(computer);
    const std::vector<std::tuple<qint64, qint64, bool>> expected{
        {20, Day + 5, true}, {Day + 5, Day + 10, false}, {Day + 10, Day + 15, true}};
    ASSERT_EQ(computer->timeline.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& [from, to, answering] = expected[i];
        EXPECT_EQ(computer->timeline[i].from, at(from)) << i;
        EXPECT_EQ(computer->timeline[i].to, at(to)) << i;
        EXPECT_EQ(computer->timeline[i].answering, answering) << i;
    }
}

TEST(HistoryRules, shouldTellWhoMissedNWholeTestsInARowAndWhoCameBack)
{
    struct Row {
        const char* rule;
        std::vector<Step> steps;
        QStringList stopped[3], started[3];  // for N = 1, 2, 3
    };
    const QStringList five{address(5)}, nine{address(9)};
    const Row rows[] = {
        {"one miss", {{0, W, {5}}, {5, W, {}}}, {five, {}, {}}, {}},
        {"two misses", {{0, W, {5}}, {5, W, {}}, {10, W, {}}}, {{}, five, {}}, {}},
        {"three misses", {{0, W, {5}}, {5, W, {}}, {10, W, {}}, {15, W, {}, {5}}}, {{}, {}, five}, {}},
        {"back after three", {{0, W, {5}}, {5, W, {}}, {10, W, {}}, {15, W, {}}, {20, W, {5}}}, {}, {five, five, five}},
        {"back after one", {{0, W, {5}}, {5, W, {}}, {10, W, {5}}}, {}, {five, {}, {}}},
        {"new where a whole test went before", {{0, W, {5}}, {5, W, {5, 9}}}, {}, {nine, nine, nine}},
        {"the first test of a range", {{0, W, {5}}}, {}, {}},
        {"stopped tests neither count nor break", {{0, W, {5}}, {5, W, {}}, {10, S, {5}}, {15, W, {}}}, {{}, five, {}}, {}},
    };
    for (const Row& row : rows) {
        TemporaryHistory history;
        const std::optional<AnsweringChanges> outcome = history.run(row.steps);
        ASSERT_TRUE(outcome) << row.rule;
        for (int n = 1; n <= 3; ++n) {
            EXPECT_EQ(outcome->stoppedAnswering(n), row.stopped[n - 1]) << row.rule << " N=" << n;
            EXPECT_EQ(outcome->startedAnswering(n), row.started[n - 1]) << row.rule << " N=" << n;
        }
    }
}

TEST(HistoryRules, shouldPruneWhatIsOlderThanTheKeptDaysButAPresentComputersFirstSighting)
{
    TemporaryHistory history;
    history.store.setKeepDays(7);
    ASSERT_TRUE(history.run({{0, W, {5, 8}}, {5, W, {8}}, {10, W, {5, 8}}, {10 * Day, W, {5}}}));
    ASSERT_TRUE(history.store.prune(at(10 * Day)));
    const auto kept = history.store.computers(*HistoryRange::parse(QStringLiteral("192.0.2.1-20")), at(10 * Day));
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->size(), 1u) << "192.0.2.8, last seen 10 days ago, is gone";
    EXPECT_EQ(kept->front().firstSeen, at(0));
    EXPECT_EQ(kept->front().changes, 0) << "its changes of 10 days ago are gone";
    EXPECT_EQ(kept->front().uptime7d, 100.0);
}

TEST(HistoryRules, shouldSumRoundTripsPerDay)
{
    TemporaryHistory history;
    ASSERT_TRUE(history.run({{0, W, {5}}, {5, W, {5}}, {Day, W, {5}}}));
    TestRecord slow = testRecord({Day + 5, W, {5}});
    slow.computers[0].roundTripMs = 15;
    ASSERT_TRUE(history.store.record(slow));
    const auto days = history.store.roundTrips(address(5));
    ASSERT_TRUE(days);
    ASSERT_EQ(days->size(), 2u);
    EXPECT_EQ(std::tuple(days->at(0).minimumMs, days->at(0).meanMs, days->at(0).maximumMs), std::tuple(5, 5.0, 5));
    EXPECT_EQ(std::tuple(days->at(1).minimumMs, days->at(1).meanMs, days->at(1).maximumMs), std::tuple(5, 10.0, 15));
}

TEST(HistoryRules, shouldWriteNothingWhenOff)
{
    QTemporaryDir dir;
    HistoryStore store(dir.filePath(QStringLiteral("history.sqlite")), 0);
    EXPECT_EQ(store.open(), HistoryStore::Opened::Absent);
    EXPECT_TRUE(store.record(testRecord({0, W, {5}})));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
