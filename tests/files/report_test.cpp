// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: a time of day with a zone, a stray blank or one-digit minutes and seconds; a CSV name whose quote is not
// doubled, or that a spreadsheet takes for a formula; a report in the order computers were found, or with .10 before
// .9. (The report's lines: the command line's golden files.)
#include "files/Report.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

TEST(Report, shouldGiveTheTimeOfDayInTheLocalesLongFormatWithoutZone)
{
    const std::pair<const char*, QString> cases[] = {
        {"en_US", "3:04:05 PM"}, {"ko_KR", "오후 3시 04분 05초"}, {"zh_CN", "15:04:05"}, {"fa_IR", "۱۵:۰۴:۰۵"}};
    for (const auto& [locale, expected] : cases)
        EXPECT_EQ(reportTimeOfDay(QLocale(locale), QTime(15, 4, 5)), expected) << locale;
}

TEST(Report, shouldQuoteEveryCsvNameAndKeepSpreadsheetsFromTakingItForAFormula)
{
    const std::pair<QString, QByteArray> cases[] = {
        {"a\"b", "\"a\"\"b\""}, {"x,y", "\"x,y\""}, {"-1+2", "'-1+2"}, {"=cmd", "'=cmd"},
        {"+a", "'+a"}, {"@SUM(A1)", "'@SUM(A1)"}, {"=\"a\"", "\"'=\"\"a\"\"\""}, {"plain.lab", "plain.lab"}};
    for (const auto& [name, field] : cases)
        EXPECT_EQ(csvReport({{name, true, "10.0.0.1", name, {}, {}, {}, {}, {}, {}}}), "address,name,answering,mac,vendor,seen_by,label,known,conflict,open_ports\r\n10.0.0.1," + field + ",true,,,,,false,,\r\n")
            << name.toStdString();
}

TEST(Report, shouldListEveryComputerInAddressOrderWhateverSawIt)
{
    // As found: the echo's answers first, then a computer seen on the link alone.
    const std::vector<ReportEntry> found{{"10.0.0.10", true, "10.0.0.10", {}, {}, {}, "echo", {}, {}},
                                         {"9.0.0.200", true, "9.0.0.200", {}, {}, {}, "echo", {}, {}},
                                         {"10.0.0.9", false, "10.0.0.9", {}, "02:00:00:00:00:09", {}, "link", {}, {}}};
    for (const ReportFormat format : {ReportFormat::Text, ReportFormat::Csv, ReportFormat::Json}) {
        const QByteArray bytes = reportBytes(format, {{}, {"10.0.0.1-10"}, QDateTime::currentDateTime(), found});
        const qsizetype first = bytes.indexOf("9.0.0.200"), second = bytes.indexOf("10.0.0.9"),
                        third = bytes.indexOf("10.0.0.10");
        EXPECT_TRUE(first >= 0 && first < second && second < third) << bytes.toStdString();
    }
}

TEST(Report, shouldPutTheOpenPortsAfterTheOtherColumnsAndKeepTheTextReportAsItWas)
{
    const std::vector<ReportEntry> found{{"10.0.0.8", false, "10.0.0.8", {}, {}, {}, "tcp", {}, {}, {443, 80}},
                                         {"10.0.0.9", true, "10.0.0.9", {}, {}, {}, "echo", {}, {}, {}}};
    EXPECT_EQ(csvReport(found), "address,name,answering,mac,vendor,seen_by,label,known,conflict,open_ports\r\n"
                                "10.0.0.8,,false,,,tcp,,false,,443 80\r\n10.0.0.9,,true,,,echo,,false,,\r\n");
    const QByteArray json = QJsonDocument::fromJson(jsonReport({"10.0.0.1-10"}, QDateTime::currentDateTime(), found))
                                .toJson(QJsonDocument::Compact);
    EXPECT_TRUE(json.contains(R"("open_ports":[443,80],"seen_by":"tcp")") && json.contains(R"("open_ports":[],"seen_by":"echo")"))
        << json.toStdString();
    const QByteArray text = reportBytes(ReportFormat::Text, {{}, {"10.0.0.1-10"}, QDateTime::currentDateTime(), found});
    EXPECT_FALSE(text.contains("443") || text.contains("tcp")) << text.toStdString();
}
