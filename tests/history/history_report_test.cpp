// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: a field missing, misnamed or out of order in a format; an uptime without a whole test given as 0; a name
// whose control, bidirectional or format characters reach the output; the reports' time and CSV spelling not used;
// text lines that end otherwise than the text report's (CR LF).
#include "history/HistoryReport.h"
#include "base/Text.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QDateTime at(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

std::vector<ComputerHistory> computers()
{
    ComputerHistory quiet{QStringLiteral("192.0.2.7"), {}, {}, at(60),
                          at(120), false, ComputerHistory::SeenBy::Unknown, {}, {}, 0, {}, {}, {}, {}};
    ComputerHistory named{QStringLiteral("192.0.2.5"), QString::fromUtf16(u"a\u202Eb\u2066c\u200Fd\u061Ce\x1b[1mf\u0085"),
                          QStringLiteral("02:00:00:00:00:05"), at(0),
                          at(300), true, ComputerHistory::SeenBy::Link, 200 / 3., 100, 2, {}, QStringLiteral("Printer"), QStringLiteral("moved from .4 to .5 at 00:03"), {}};
    return {named, quiet};
}

} // namespace

TEST(HistoryReport, shouldReplaceControlAndFormatCharactersOnly)
{
    EXPECT_EQ(printable(QString::fromUtf16(u"a\u202Eb\u2066c\u200Fd\u061Ce\x1b[1mf\u0085\u2028")), QStringLiteral("a?b?c?d?e?[1mf??"));
    EXPECT_EQ(printable(QString::fromUtf16(u"h\u00f6st-\u540d.lan \U0001F600")), QString::fromUtf16(u"h\u00f6st-\u540d.lan \U0001F600"));
}

TEST(HistoryReport, shouldWriteEveryFieldInEachFormat)
{
    const QDateTime generated = at(900);
    const QJsonObject json = QJsonDocument::fromJson(historyJsonReport("192.0.2.1-20", generated, computers())).object();
    EXPECT_EQ(json["range"].toString(), "192.0.2.1-20");
    EXPECT_EQ(json["generated"].toString(), "1970-01-01T00:15:00+00:00");
    const QJsonArray list = json["computers"].toArray();
    ASSERT_EQ(list.size(), 2);
    const QJsonObject expected{{"address", "192.0.2.5"}, {"name", "a?b?c?d?e?[1mf?"}, {"mac", "02:00:00:00:00:05"},
                               {"first_seen", "1970-01-01T00:00:00+00:00"}, {"last_seen", "1970-01-01T00:05:00+00:00"}, {"present", true}, {"seen_by", "link"},
                               {"uptime_24h", 66.7}, {"uptime_7d", 100}, {"changes", 2},
                               {"label", "Printer"}, {"moved", "moved from .4 to .5 at 00:03"}};
    EXPECT_EQ(list[0].toObject(), expected);
    EXPECT_TRUE(list[1].toObject()["uptime_24h"].isNull());
    EXPECT_TRUE(list[1].toObject()["seen_by"].isNull());

    EXPECT_EQ(historyCsvReport(computers()),
              "address,name,mac,first_seen,last_seen,present,seen_by,uptime_24h,uptime_7d,changes,label,moved\r\n"
              "192.0.2.5,a?b?c?d?e?[1mf?,02:00:00:00:00:05,1970-01-01T00:00:00+00:00,1970-01-01T00:05:00+00:00,true,link,"
              "66.7,100,2,Printer,moved from .4 to .5 at 00:03\r\n192.0.2.7,,,1970-01-01T00:01:00+00:00,1970-01-01T00:02:00+00:00,false,,,,0,,\r\n");

    EXPECT_EQ(historyTextReport("192.0.2.1-20", generated, computers()),
              "History of 192.0.2.1-20, generated 1970-01-01T00:15:00+00:00\r\n"
              "address    name             mac                first_seen                 last_seen                  "
              "present  seen_by  uptime_24h  uptime_7d  changes  label    moved\r\n"
              "192.0.2.5  a?b?c?d?e?[1mf?  02:00:00:00:00:05  1970-01-01T00:00:00+00:00  1970-01-01T00:05:00+00:00  "
              "true     link     66.7        100        2        Printer  moved from .4 to .5 at 00:03\r\n"
              "192.0.2.7                                      1970-01-01T00:01:00+00:00  1970-01-01T00:02:00+00:00  "
              "false             -           -          0\r\n");
}
