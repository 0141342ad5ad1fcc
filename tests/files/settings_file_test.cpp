// Catches: settings lines shifted by a line break in a field, untrimmed or without CR LF; lines split, clamped or applied wrongly, or the wrong error at a bad or missing line; a FIFO, device or huge file that hangs or floods the start, or is replaced by a save.
#include "files/SettingsFile.h"
#include "files/TextFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QTemporaryDir>

using namespace std::string_literals;

TEST(SettingsFile, shouldWriteSevenTrimmedCrLfLinesWhateverTheFieldsHold)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(SettingsFile::FileName);
    ASSERT_TRUE(SettingsFile::write({" 10 ", "2\r\n0", "3\n", "\t4", "5\r6\n\n7", "6\0"s "6", ""}, path));
    EXPECT_EQ(readTextFileStart(path, 4096), "10\r\n2 0\r\n3\r\n4\r\n5 6  7\r\n6 6\r\n\r\n");
}

TEST(SettingsFile, shouldApplyLinesUpToTheFirstBadOneClampedIntoTheirRanges)
{
    constexpr SettingsFile::Range ranges[] = {{0, 255}, {0, 255}, {0, 255}, {1, 254}, {1, 254}, {1, 254}, {0, 60}};
    const std::tuple<std::optional<std::string>, std::vector<int>, std::string> cases[] = {
        {std::nullopt, {1, 1, 1, 1, 1, 254, 1}, ""},
        {"300\r\n-5\r\n7\r\n0\r\n999\r\n-1\r\n99\r\n", {255, 0, 7, 1, 254, 1, 60}, ""},
        {"  10\r20\n30\r\n40\n5\r\n6\n7\0\n8\n"s, {10, 20, 30, 40, 5, 6, 7}, ""},
        {"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\nextra\r\n", {1, 2, 3, 4, 5, 6, 7}, ""},
        {"10\r\n20\r\n30\r\n40\r\nabc\r\n60\r\n3\r\n", {10, 20, 30, 40}, "'abc' is not a valid integer value"},
        {"10\r\n20 \r\n", {10}, "'20 ' is not a valid integer value"},
        {"10\r\n20\r\n30\r\n", {10, 20, 30}, "List index out of bounds (3)"},
        {"", {}, "List index out of bounds (0)"},
    };
    for (const auto& [file, expected, expectedError] : cases) {
        SCOPED_TRACE(file.value_or("(no file)"));
        QTemporaryDir dir;
        const QString path = dir.filePath(SettingsFile::FileName);
        ASSERT_TRUE(!file || writeTextFile(path, QByteArray::fromStdString(*file)));
        std::vector<int> applied;
        std::string error;
        try {
            const auto lines = SettingsFile::readLines(path).value_or(SettingsFile::defaultLines());
            SettingsFile::applyLines(lines, ranges, [&](size_t line, int value) {
                applied.push_back(line == applied.size() ? value : -1);
            });
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
        EXPECT_EQ(applied, expected);
        EXPECT_EQ(error, expectedError);
    }
}

TEST(SettingsFile, shouldReadOnlyTheStartOfARegularFileAndReplaceNothingElse)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo"), fifoLink = dir.filePath("fifo-link"), big = dir.filePath("big");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(fifo, fifoLink) && QFile::link("/dev/zero", dir.filePath("zero")));
    ASSERT_TRUE(writeTextFile(big, QByteArray("1\r\n").repeated(17 << 20)));

    for (const QString& name : {fifo, fifoLink, dir.filePath("zero")})
        EXPECT_EQ(SettingsFile::readLines(name), std::vector<std::string>{});
    const auto lines = SettingsFile::readLines(big);
    EXPECT_TRUE(lines && lines->size() > 7 && lines->size() < 2000) << "only a few kilobytes of 51 MB are read";

    // No write through the link to /dev/zero: a fault would replace the machine's own.
    for (const QString& name : {fifo, fifoLink}) EXPECT_FALSE(writeTextFile(name, "1\r\n"));
}
