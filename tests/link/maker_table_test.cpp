// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches a maker table that takes a shorter block over a longer one inside 70:B3:D5, trips over quoted commas,
// doubled quotes or line breaks, believes garbled or cut-short lines, names a maker for all-zero, all-one or locally
// administered MACs, fails without its files, reads an older copy of a list over a newer one, or never says loaded;
// a maker's name that keeps control or bidirectional characters (an oui.csv refreshed from the network).
#include "link/MakerTable.h"
#include "tests/Lab.h"

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

void write(const QString& path, const QByteArray& text, int daysOld = 0)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(text);
    file.flush();  // before the time is set: a later write would set it anew
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addDays(-daysOld), QFileDevice::FileModificationTime));
}

MacAddress mac(const char* text)
{
    MacAddress m{};
    std::sscanf(text, "%hhx:%hhx:%hhx:%hhx:%hhx:%hhx", &m[0], &m[1], &m[2], &m[3], &m[4], &m[5]);
    return m;
}

std::string makerOf(MakerTable& table, const char* address)
{
    return table.makerOf(mac(address)).toStdString();
}

} // namespace

TEST(MakerTable, longestBlockFirstAndOnlyWholeRecords)
{
    const QTemporaryDir folder;
    write(folder.filePath("oui.csv"),
          "Registry,Assignment,Organization Name,Organization Address\r\n"
          "MA-L,70B3D5,IEEE Registration Authority,445 Hoes Lane Piscataway NJ US 08554 \r\n"
          "MA-L,001C42,\"Parallels, Inc.\",660 SW 39h Street Renton WA US 98057 \r\n"
          "MA-L,001EFC,\"JSC \"\"MASSA-K\"\"\",\"15, A, Pirogovskaya nab.\n Saint-Petersburg RU \"\r\n"
          "MA-L,A8BBCC,\"Unclosed quote, never ends\r\n"
          "MA-L,0C0B0A,  Good After Garbage ,addr\r\n"
          "MA-L,0C0B1C,\"Evil\xE2\x80\xAE Corp\xC2\x9B" "1m\x1B[2J\x07\",addr\r\n"
          "MA-L,0C0B1D,\"Two\n Lines\",addr\r\n"
          "MA-L,54321,Short Assignment,addr\r\n"
          "MA-L,54ZZ10,Not Hex,addr\r\n"
          "MA-L,543210\r\n"
          "MA-L,C4CDEF,\"Stray\"text,addr\r\n"
          "a line of garbage\r\n"
          "MA-M,443322,Registry of another list,addr\r\n"
          "MA-L,0C0D0E,\"Cut at the end");
    write(folder.filePath("mam.csv"), "MA-M,70B3D51,Block Of 28,addr\nMA-M,70B3D5,Too Short For 28,addr\n");
    write(folder.filePath("oui36.csv"), "MA-S,70B3D5719,2M Technology,\"802 Greenview Drive, Grand Prairie\"\r\n");
    MakerTable table({folder.path()});
    QSignalSpy loaded(&table, &MakerTable::loaded);
    EXPECT_EQ(makerOf(table, "00:1c:42:00:00:01"), "") << "a maker before the load";
    table.startLoading();
    ASSERT_TRUE(loaded.wait(10000));
    const struct { const char* mac; const char* maker; } cases[] = {
        {"70:b3:d5:71:9a:41", "2M Technology"},
        {"70:b3:d5:1f:00:01", "Block Of 28"},
        {"70:b3:d5:72:00:01", "IEEE Registration Authority"},
        {"00:1c:42:5c:a1:40", "Parallels, Inc."},
        {"00:1e:fc:00:00:01", "JSC \"MASSA-K\""},
        {"a8:bb:cc:00:00:01", ""},
        {"0c:0b:0a:00:00:01", "Good After Garbage"},
        {"0c:0b:1c:00:00:01", "Evil? Corp?1m?[2J?"},
        {"0c:0b:1d:00:00:01", "Two Lines"},
        {"54:32:10:00:00:01", ""},
        {"c4:cd:ef:00:00:01", ""},
        {"44:33:22:00:00:01", ""},
        {"0c:0d:0e:00:00:01", ""},
        {"02:5c:a1:00:00:42", "(locally administered)"},
        {"00:00:00:00:00:00", ""},
        {"ff:ff:ff:ff:ff:ff", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(makerOf(table, c.mac), c.maker) << c.mac;
    EXPECT_EQ(table.blockCount(), 8u);
}

TEST(MakerTable, theNewerCopyOfEachListAndNoFilesAtAll)
{
    const QTemporaryDir shipped, updated;
    write(shipped.filePath("oui.csv"), "MA-L,001C42,Shipped Name,addr\n", 30);
    write(updated.filePath("oui.csv"), "MA-L,001C42,Updated Name,addr\n", 1);
    write(updated.filePath("mam.csv"), "MA-M,001C421,Updated Block,addr\n", 40);
    write(shipped.filePath("mam.csv"), "MA-M,001C421,Shipped Block,addr\n", 30);
    MakerTable table({shipped.path(), updated.path()});
    ASSERT_TRUE(table.waitUntilLoaded(10s));
    EXPECT_EQ(makerOf(table, "00:1c:42:00:00:01"), "Updated Name");
    EXPECT_EQ(makerOf(table, "00:1c:42:10:00:01"), "Shipped Block");
    MakerTable none({shipped.filePath("missing")});
    ASSERT_TRUE(none.waitUntilLoaded(10s));
    EXPECT_EQ(none.blockCount(), 0u);
    EXPECT_EQ(makerOf(none, "00:1c:42:00:00:01"), "");
}

TEST(MakerTable, debiansListsNameTheLabsMakers)
{
    if (!QFile::exists("/usr/share/ieee-data/oui.csv")) GTEST_SKIP() << "ieee-data is not installed";
    MakerTable table;
    ASSERT_TRUE(table.waitUntilLoaded(10s));
    EXPECT_GT(table.blockCount(), 40000u);
    for (const auto& host : Lab::ArpOnlyHosts) EXPECT_EQ(makerOf(table, host.mac), host.maker) << host.address;
    EXPECT_EQ(makerOf(table, "70:b3:d5:00:0f:ff"), "IEEE Registration Authority") << "an MA-S block nobody has";
}
