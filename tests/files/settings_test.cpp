// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: settings lines shifted by a line break in a field, untrimmed or without CR LF; values not clamped into
// their limits; lines after a bad or missing one taken, the wrong error, or raw bytes of a binary file in it; a
// missing file or a folder not told apart from an empty file; a FIFO, device or huge file that hangs or floods the
// start; a preference that cannot be kept without a word.
#include "files/Settings.h"
#include "files/TextFile.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

QString readBack(const Settings& settings)
{
    const Settings::StoredFields read = settings.readFields();
    QStringList values;
    for (const int value : read.values) values << QString::number(value);
    return values.join(' ') + '|' + read.error;
}

} // namespace

TEST(Settings, shouldReadTheLinesUpToTheFirstBadOneClampedIntoTheirLimits)
{
    QTemporaryDir dir;
    const Settings settings(dir.path());
    const std::pair<QByteArray, QString> rows[] = {
        {"300\n-5\r\n7\r0\n999\n-1\n99\n", "255 0 7 1 254 1 60|"},
        {"10\n20\nabc\n60\n", "10 20|'abc' is not a valid integer value"},
        {"10\n20\n\x1b[2J\x07\n", "10 20|'?[2J?' is not a valid integer value"},
        {"10\n20\n30", "10 20 30|List index out of bounds (3)"},
        {"1\n2\n3\n4\n5\n6\n7\0" "8\n", "1 2 3 4 5 6 7|"},
    };
    for (const auto& [bytes, expected] : rows) {
        ASSERT_TRUE(writeTextFile(settings.fieldsFile(), bytes));
        EXPECT_EQ(readBack(settings), expected) << bytes.toStdString();
    }
}

TEST(Settings, shouldWriteSevenCleanLinesAndReadOnlyTheStartOfARegularFile)
{
    QTemporaryDir dir;
    const Settings settings(dir.path());
    ASSERT_TRUE(settings.writeFields({" 10 ", "2\r\n0", "3\n", "\t4", "5\r6\n\n7", std::string("6\0" "6", 3), ""}));
    EXPECT_EQ(readTextFileStart(settings.fieldsFile(), 4096), "10\r\n2 0\r\n3\r\n4\r\n5 6  7\r\n6 6\r\n\r\n");

    // Each of these gives the defaults (cannot be read) or nothing (no regular file), at once.
    const QString fifo = dir.filePath("fifo/Scanvet.cfg"), zero = dir.filePath("zero/Scanvet.cfg");
    ASSERT_TRUE(QDir(dir.path()).mkpath("fifo") && QDir(dir.path()).mkpath("zero") && QDir(dir.path()).mkpath("big"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", zero) && QDir(dir.path()).mkpath("folder/Scanvet.cfg"));
    ASSERT_TRUE(writeTextFile(dir.filePath("big/Scanvet.cfg"), QByteArray("1\r\n").repeated(17 << 20)));
    const std::pair<const char*, QString> rows[] = {{"none", "1 1 1 1 1 254 1|"},
                                                    {"folder", "1 1 1 1 1 254 1|"},
                                                    {"fifo", "|List index out of bounds (0)"},
                                                    {"zero", "|List index out of bounds (0)"},
                                                    {"big", "1 1 1 1 1 1 1|"}};
    for (const auto& [folder, expected] : rows) EXPECT_EQ(readBack(Settings(dir.filePath(folder))), expected) << folder;
}

TEST(Settings, shouldSayWhyAPreferenceCannotBeKept)
{
    // Root ignores permissions: a read-only file system, mounted where only this process sees it.
    if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no private read-only file system: needs root";
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + "/scanvet";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_RDONLY, nullptr), 0);
    Settings settings(folder);
    EXPECT_EQ(settings.setOneAtATime(true), folder + "/scanvet-address.conf: Read-only file system");
    EXPECT_TRUE(settings.oneAtATime()) << "the choice holds for this run";
    umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
}
