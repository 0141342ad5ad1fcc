// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/EchoSweep.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono_literals;

namespace {

using Clock = EchoSweep::Clock;
constexpr Clock::duration Interval = 250us;

} // namespace

// A send a little late keeps the schedule; a later one lets the next go half
// an interval after it; a stall is made up for, up to its bound.
TEST(SweepPace, keepsItsScheduleAndMakesUpForAStallWithinItsBound)
{
    const Clock::time_point t0{};
    struct Row {
        const char* what;
        Clock::duration late;  // of the send, after its schedule
        Clock::duration schedule, earliest;  // of the next request, from t0
    };
    const Row rows[] = {
        {"on time", 0us, 250us, 250us},
        {"a little late", 100us, 250us, 250us},
        {"later than half an interval", 200us, 250us, 325us},
        {"a stall", 5ms, 250us, 5125us},
        {"a stall beyond the bound", 10ms, 10ms - EchoSweep::CatchUpIntervals * Interval + 250us, 10125us},
    };
    for (const Row& row : rows) {
        const EchoSweep::Pace pace = EchoSweep::paceAfter(t0, t0 + row.late, Interval);
        EXPECT_EQ(pace.schedule - t0, row.schedule) << row.what;
        EXPECT_EQ(pace.earliest - t0, row.earliest) << row.what;
    }
}

// A send 2 ms late, 8 intervals: it and the 15 after it, each going as early
// as it may and none closer than half an interval, bring the sweep back on
// its schedule.
TEST(SweepPace, aStallIsMadeUpForWithoutABurst)
{
    Clock::time_point schedule{}, sent = schedule + 2ms;
    int sends = 1;
    for (; sends < 100; ++sends) {
        const EchoSweep::Pace pace = EchoSweep::paceAfter(schedule, sent, Interval);
        EXPECT_GE(pace.earliest - sent, Interval / 2);
        schedule = pace.schedule;
        if (pace.earliest == schedule) break;
        sent = pace.earliest;
    }
    EXPECT_EQ(sends, 16);
}
