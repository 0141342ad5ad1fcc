// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The user's own settings and history stay untouched: each test program keeps its own.
    const QTemporaryDir config, data;
    setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
    setenv("XDG_DATA_HOME", QFile::encodeName(data.path()).constData(), 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Every case skipped (no lab, no ping socket): ctest's "skipped". A failure never is.
    const auto* unit = ::testing::UnitTest::GetInstance();
    // CI must not pass on tests that did not run.
    const char* required = std::getenv("SCANVET_LAB_REQUIRED");
    if (result == 0 && unit->skipped_test_count() > 0 && required != nullptr && std::string(required) == "1") {
        std::fprintf(stderr, "%d test(s) skipped, and SCANVET_LAB_REQUIRED=1 makes that a failure\n",
                     unit->skipped_test_count());
        return 1;
    }
    if (result == 0 && unit->successful_test_count() == 0 && unit->skipped_test_count() > 0) return 77;
    return result;
}
