// Catches: report lines out of order or mislabelled, On and Off swapped, lines without CR LF or not in the locale's
// encoding; a time of day with a zone, a stray blank or one-digit minutes and seconds.
#include "files/Report.h"

#include <gtest/gtest.h>

TEST(Report, shouldWriteTheParametersTimeAndEntriesWithCrLfInTheLocalesEncoding)
{
    const QStringList lines = foundComputersReport({"192", "168", "1", "1", "254"}, "오후 3시 04분 05초",
                                                   {{"192.168.1.1 žluťoučký-kůň", true, "192.168.1.1", "žluťoučký-kůň"}, {"192.168.1.7", false, "192.168.1.7", ""}});
    const QString expected = "Scanvet Address - finded computers\r\n" + QString(35, u'=') + "\r\n\r\nParam      :\r\n\r\n"
        + "IP Address : 192.168.1.xxx\r\nIP range   : min = 1\r\nIP range   : max = 254\r\n\r\nReport generated at : "
        + "오후 3시 04분 05초\r\n\r\n192.168.1.1 žluťoučký-kůň On\r\n192.168.1.7 Off\r\n\r\n--- End of List ---\r\n";
    EXPECT_EQ(textFileBytes(lines), expected.toUtf8());
}

TEST(Report, shouldGiveTheTimeOfDayInTheLocalesLongFormatWithoutZone)
{
    const std::pair<const char*, QString> cases[] = {
        {"en_US", "3:04:05 PM"}, {"ko_KR", "오후 3시 04분 05초"}, {"zh_CN", "15:04:05"}, {"fa_IR", "۱۵:۰۴:۰۵"}};
    for (const auto& [locale, expected] : cases)
        EXPECT_EQ(reportTimeOfDay(QLocale(locale), QTime(15, 4, 5)), expected) << locale;
}
