#pragma once

#include <gtest/gtest.h>

// Runs every test; a run in which every test skipped itself (no lab, no ICMP
// socket) ends with 77, which ctest reports as skipped. A failure never does.
inline int RunAllTestsReportingSkips()
{
    const int result = RUN_ALL_TESTS();
    const auto* unit = ::testing::UnitTest::GetInstance();
    if (result == 0 && unit->successful_test_count() == 0 && unit->skipped_test_count() > 0) return 77;
    return result;
}
