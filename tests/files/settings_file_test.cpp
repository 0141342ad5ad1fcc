// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: settings lines shifted by a line break in a field, untrimmed or without CR LF; values not clamped into
// their ranges; lines after a bad or missing one applied, or the wrong error; a missing file or a folder not told apart
// from an empty file; a FIFO, device or huge file that hangs or floods the start, or is replaced by a save.
#include "files/SettingsFile.h"
#include "files/TextFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QTemporaryDir>

TEST(SettingsFile, shouldApplyLinesUpToTheFirstBadOneClampedIntoTheirRanges)
{
    constexpr SettingsFile::Range ranges[] = {{0, 255}, {0, 255}, {0, 255}, {1, 254}, {1, 254}, {1, 254}, {0, 60}};
    const std::tuple<std::vector<std::string>, std::vector<int>, std::string> cases[] = {
        {{"300", "-5", "7", "0", "999", "-1", "99"}, {255, 0, 7, 1, 254, 1, 60}, ""},
        {{"10", "20", "abc", "60"}, {10, 20}, "'abc' is not a valid integer value"},
        {{"10", "20", "30"}, {10, 20, 30}, "List index out of bounds (3)"},
    };
    for (const auto& [lines, expected, expectedError] : cases) {
        std::vector<int> got;
        std::string error;
        try {
            SettingsFile::applyLines(lines, ranges, [&](size_t i, int v) { got.push_back(i == got.size() ? v : -1); });
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
        EXPECT_EQ(std::pair(got, error), std::pair(expected, expectedError));
    }
}

TEST(SettingsFile, shouldWriteSevenCleanLinesAndReadOrReplaceOnlyTheStartOfARegularFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(SettingsFile::FileName), fifo = dir.filePath("fifo"), big = dir.filePath("big");
    ASSERT_TRUE(SettingsFile::write({" 10 ", "2\r\n0", "3\n", "\t4", "5\r6\n\n7", std::string("6\0" "6", 3), ""}, path));
    EXPECT_EQ(readTextFileStart(path, 4096), "10\r\n2 0\r\n3\r\n4\r\n5 6  7\r\n6 6\r\n\r\n");

    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(fifo, dir.filePath("fifo-link")) && QFile::link("/dev/zero", dir.filePath("zero")));
    ASSERT_TRUE(writeTextFile(big, QByteArray("1\r\n").repeated(17 << 20)));
    for (const QString& unreadable : {dir.filePath("none"), dir.path()})  // a start with either takes the defaults
        EXPECT_EQ(SettingsFile::readLines(unreadable), std::nullopt) << unreadable.toStdString();
    for (const QString& name : {fifo, dir.filePath("fifo-link"), dir.filePath("zero")})
        EXPECT_EQ(SettingsFile::readLines(name), std::vector<std::string>{});
    const auto lines = SettingsFile::readLines(big);
    EXPECT_TRUE(lines && lines->size() > 7 && lines->size() < 2000) << "only a few kilobytes of 51 MB are read";
    // No write through the link to /dev/zero: a fault would replace the machine's own.
    for (const QString& name : {fifo, dir.filePath("fifo-link")}) EXPECT_FALSE(writeTextFile(name, "1\r\n"));
}
