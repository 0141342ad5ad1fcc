// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: wrong first or last sighting, a missed or extra change, a stopped test that records a computer as gone or
// counts in uptime, uptime outside its window or before the first sighting, a late older test that turns the state
// back, a computer seen on the link alone counted absent, a time stored by a clock that ran ahead that holds the state,
// retention that loses a present computer's first sighting, keeps what is older or deletes on the strength of a clock
// ahead of the stored tests, a test of a /16 split over transactions or its .0 and .255 never read, and an off
// history that makes its file.
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
        bool present;
        int changes;
        std::optional<double> uptime24h, uptime7d;
        std::optional<qint64> readAt = {};  // default: at the last step
    };
    constexpr qint64 Year = 365 * Day;
    const Row rows[] = {
        {"first and last seen", {{0, W, {5}}, {5, W, {5}}}, 5, 0, 5, true, 0, 100, 100},
        {"a change each way", {{0, W, {5}}, {5, W, {}}, {10, W, {5}}}, 5, 0, 10, true, 2, 200 / 3., 200 / 3.},
        {"a stopped test records no one gone", {{0, W, {5}}, {5, S, {}}}, 5, 0, 0, true, 0, 100, 100},
        {"a stopped test adds sightings", {{0, W, {5}}, {5, S, {5, 6}}}, 6, 5, 5, true, 0, {}, {}},
        {"an answer in a stopped test is a change", {{0, W, {5}}, {5, W, {}}, {10, S, {5}}}, 5, 0, 10, false, 2, 50, 50},
        {"seen on the link only", {{0, W, {}, {7}}, {5, W, {}, {7}}}, 7, 0, 5, true, 0, 100, 100},
        {"present by echo or link", {{0, W, {7}}, {5, W, {}, {7}}, {10, W, {}}, {15, W, {}, {7}}}, 7, 0, 15, true, 2, 75, 75},
        {"a time ahead of the clock holds nothing", {{0, W, {5}}, {Year, W, {}}, {10, W, {}}, {15, W, {5}}}, 5, 0, 15,
         true, 2, 200 / 3., 200 / 3., 15},
        {"uptime from the first sighting", {{0, W, {5}}, {5, W, {5, 6}}, {10, W, {5}}}, 6, 5, 5, false, 1, 50, 50},
        {"24 hours and 7 days", {{0, W, {5}}, {720, W, {}}, {2 * Day, W, {5}}, {2 * Day + 5, W, {5}}}, 5, 0,
         2 * Day + 5, true, 2, 100, 75},
        {"a late older test changes nothing", {{10, W, {5}}, {5, W, {}}}, 5, 10, 10, true, 0, 100, 100},
    };
    for (const Row& row : rows) {
        TemporaryHistory history;
        ASSERT_TRUE(history.run(row.steps)) << row.rule << history.store.lastError().toStdString();
        const std::optional<ComputerHistory> computer =
            history.computer(row.octet, row.readAt.value_or(std::ranges::max(row.steps, {}, &Step::minute).minute));
        ASSERT_TRUE(computer) << row.rule;
        EXPECT_EQ(computer->firstSeen, at(row.firstSeen)) << row.rule;
        EXPECT_EQ(computer->lastSeen, at(row.lastSeen)) << row.rule;
        EXPECT_EQ(computer->present, row.present) << row.rule;
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
        const auto& [from, to, present] = expected[i];
        EXPECT_EQ(computer->timeline[i].from, at(from)) << i;
        EXPECT_EQ(computer->timeline[i].to, at(to)) << i;
        EXPECT_EQ(computer->timeline[i].present, present) << i;
    }
}

TEST(HistoryRules, shouldPruneWhatIsOlderThanTheKeptDaysButAPresentComputersFirstSighting)
{
    TemporaryHistory history;
    history.store.setKeepDays(7);
    ASSERT_TRUE(history.run({{0, W, {5, 8}}, {5, W, {8}}, {10, W, {5, 8}}, {10 * Day, W, {5}}}));
    // A clock a year ahead deletes no more than the newest stored test allows, by itself or with a test.
    ASSERT_TRUE(history.store.prune(at(400 * Day)));
    ASSERT_TRUE(history.store.record({testRecord({400 * Day, W, {5}})}, true));
    const auto kept = history.store.computers(*HistoryRange::parse(QStringLiteral("192.0.2.1-20")), at(10 * Day));
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->size(), 1u) << "192.0.2.8, last seen 10 days ago, is gone";
    EXPECT_EQ(kept->front().firstSeen, at(0));
    EXPECT_EQ(kept->front().changes, 0) << "its changes of 10 days ago are gone";
    EXPECT_EQ(kept->front().uptime7d, 100.0);
}

TEST(HistoryRules, shouldRecordATestOfASlash16WholeOrNotAtAllAndShowItsNetworkEnds)
{
    TemporaryHistory history;
    TestRecord low = testRecord({0, W, {0, 255}}, QStringLiteral("192.0.2.0-255"));
    TestRecord high = testRecord({0, W, {}}, QStringLiteral("192.0.3.0-254"));
    high.computers.push_back({QStringLiteral("192.0.3.9"), true, {}, {}, true, {}});
    TestRecord broken = high;
    broken.range = QStringLiteral("192.0.3.0-256");
    EXPECT_FALSE(history.store.record({low, broken}));
    const HistoryRange typed = *HistoryRange::parse(QStringLiteral("192.0.2.1-254"));
    EXPECT_TRUE(history.store.computers(typed, at(0))->empty()) << "a piece of a test that failed was kept";
    ASSERT_TRUE(history.store.record({low, high}));
    const auto shown = history.store.computers(typed, at(0));
    ASSERT_TRUE(shown && shown->size() == 2u);
    EXPECT_EQ(shown->front().address, address(0));
    EXPECT_EQ(shown->back().address, address(255));
    EXPECT_EQ(history.store.computers(*HistoryRange::parse(QStringLiteral("192.0.3.1-10")), at(0))->size(), 1u);
}

TEST(HistoryRules, shouldWriteNothingWhenOff)
{
    QTemporaryDir dir;
    HistoryStore store(dir.filePath(QStringLiteral("history.sqlite")), 0);
    EXPECT_EQ(store.open(), HistoryStore::Opened::Absent);
    EXPECT_TRUE(store.record({testRecord({0, W, {5}})}));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
