// Catches: report lines out of order or mislabelled, On and Off swapped, lines without CR LF; names or times written as Latin-1; a time of day with a zone, a stray blank or one-digit minutes and seconds.
#include "files/Report.h"

#include <gtest/gtest.h>

TEST(Report, shouldWriteTheParametersTimeAndEntriesWithCrLf)
{
    const QStringList lines = foundComputersReport({"192", "168", "1", "1", "254"}, "3:04:05 PM",
                                                   {{QStringLiteral("192.168.1.1 router").leftJustified(41), true},
                                                    {QStringLiteral("192.168.1.7").leftJustified(41), false}});
    EXPECT_EQ(textFileBytes(lines), "Scanvet Address - finded computers\r\n" + QByteArray(35, '=')
                                        + "\r\n\r\nParam      :\r\n\r\nIP Address : 192.168.1.xxx\r\n"
                                          "IP range   : min = 1\r\nIP range   : max = 254\r\n\r\n"
                                          "Report generated at : 3:04:05 PM\r\n\r\n192.168.1.1 router"
                                        + QByteArray(23, ' ') + " On\r\n192.168.1.7" + QByteArray(30, ' ')
                                        + " Off\r\n\r\n--- End of List ---\r\n");
}

TEST(Report, shouldWriteNamesAndTimesInTheLocalesEncoding)
{
    const QString time = reportTimeOfDay(QLocale("ko_KR"), QTime(15, 4, 5));
    EXPECT_EQ(textFileBytes({"žluťoučký-kůň", "café", time}),
              "\xc5\xbelu\xc5\xa5ou\xc4\x8dk\xc3\xbd-k\xc5\xaf\xc5\x88\r\ncaf\xc3\xa9\r\n" + time.toUtf8() + "\r\n");
}

TEST(Report, shouldGiveTheTimeOfDayInTheLocalesLongFormatWithoutZone)
{
    const std::tuple<const char*, QTime, QString> cases[] = {
        {"en_US", QTime(15, 4, 5), QStringLiteral("3:04:05 PM")},
        {"de_DE", QTime(9, 4, 5), QStringLiteral("09:04:05")},
        {"ko_KR", QTime(15, 4, 5), QStringLiteral("오후 3시 04분 05초")},
        {"zh_CN", QTime(15, 4, 5), QStringLiteral("15:04:05")},
        {"fa_IR", QTime(15, 4, 5), QStringLiteral("۱۵:۰۴:۰۵")},
    };
    for (const auto& [locale, time, expected] : cases)
        EXPECT_EQ(reportTimeOfDay(QLocale(locale), time), expected) << locale;
}
