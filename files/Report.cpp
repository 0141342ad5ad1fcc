// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "files/Report.h"

#include "base/KeptTexts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

// A dotted address as a number, so that .5 comes before .10; anything else after every address.
quint64 addressOrder(const QString& address)
{
    const QStringList octets = address.split(u'.');
    quint64 value = 0;
    for (const QString& octet : octets) {
        bool ok = false;
        const uint number = octet.toUInt(&ok);
        if (!ok || number > 255 || octets.size() != 4) return quint64{1} << 32;
        value = value << 8 | number;
    }
    return value;
}

// The locale's long time format without its time zone, and with two-digit
// minutes and seconds.
QString timeOfDayFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == u'\'') {  // a quoted literal stays as it is
            const qsizetype end = format.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? format.size() : end + 1;
            out += format.mid(i, stop - i);
            i = stop;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c) ++run;
        if ((c == u'm' || c == u's') && run == 1) {
            out += QString(2, c);
        } else if (c != u't') {
            out += format.mid(i, run);
        }
        i += run;
    }
    // Some locales put the zone in parentheses.
    out.remove(QStringLiteral("()"));
    return out.simplified();
}

} // namespace

QStringList foundComputersReport(const ReportHeader& header, const QString& timeOfDay,
                                 const std::vector<ReportEntry>& entries)
{
    QStringList lines{
        QLatin1String(KeptTexts::ReportTitle),
        QString(35, u'='),
        QString(),
        QStringLiteral("Param      :"),
        QString(),
        QStringLiteral("IP Address : ") + header.octet1 + u'.' + header.octet2 + u'.' + header.octet3
            + QStringLiteral(".xxx"),
        QStringLiteral("IP range   : min = ") + header.rangeMin,
        QStringLiteral("IP range   : max = ") + header.rangeMax,
        QString(),
        QStringLiteral("Report generated at : ") + timeOfDay,
        QString(),
    };
    for (const ReportEntry& entry : entries)
        lines += entry.text + (entry.answered ? QStringLiteral(" On") : QStringLiteral(" Off"));
    lines += QString();
    lines += QStringLiteral("--- End of List ---");
    return lines;
}

QString csvField(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@").contains(text.front())) text.prepend(u'\'');
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n')) return text;
    return u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

// Qt writes "Z" for a zero offset; the offset is always spelled out here.
QString isoWithOffset(const QDateTime& time)
{
    const int minutes = time.offsetFromUtc() / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (minutes < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2").arg(std::abs(minutes) / 60, 2, 10, QLatin1Char('0')).arg(std::abs(minutes) % 60, 2, 10, QLatin1Char('0'));
}

QByteArray csvReport(const std::vector<ReportEntry>& entries)
{
    QString text = QStringLiteral("address,name,answering,mac,vendor,seen_by,label,known,conflict,open_ports\r\n");
    const auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    for (const ReportEntry& entry : entries) {
        QStringList ports;
        for (const int port : entry.openPorts) ports << QString::number(port);
        text += csvField(entry.address) + u',' + csvField(entry.name) + u',' + flag(entry.answered) + u',' +
                csvField(entry.mac) + u',' + csvField(entry.vendor) + u',' + csvField(entry.seenBy) + u',' +
                csvField(entry.label) + u',' + flag(!entry.label.isEmpty()) + u',' + csvField(entry.conflict) + u',' +
                ports.join(u' ') + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

QByteArray jsonReport(const QStringList& ranges, const QDateTime& generated, const std::vector<ReportEntry>& entries)
{
    QJsonArray computers;
    for (const ReportEntry& entry : entries) {
        QJsonArray ports;
        for (const int port : entry.openPorts) ports.append(port);
        computers.append(QJsonObject{{QStringLiteral("address"), entry.address},
                                     {QStringLiteral("name"), entry.name},
                                     {QStringLiteral("answering"), entry.answered},
                                     {QStringLiteral("mac"), entry.mac},
                                     {QStringLiteral("vendor"), entry.vendor},
                                     {QStringLiteral("seen_by"), entry.seenBy},
                                     {QStringLiteral("label"), entry.label},
                                     {QStringLiteral("known"), !entry.label.isEmpty()},
                                     {QStringLiteral("conflict"), entry.conflict},
                                     {QStringLiteral("open_ports"), ports}});
    }
    const QJsonObject report{{QStringLiteral("range"), ranges.value(0)},
                             {QStringLiteral("ranges"), QJsonArray::fromStringList(ranges)},
                             {QStringLiteral("generated"), isoWithOffset(generated)},
                             {QStringLiteral("computers"), computers}};
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

QString reportTimeOfDay(const QLocale& locale, const QTime& time)
{
    return locale.toString(time, timeOfDayFormat(locale));
}

QByteArray textFileBytes(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text.toLocal8Bit();
}

QByteArray reportBytes(ReportFormat format, const FoundReport& report)
{
    // The list keeps the order computers were found in: the echo's answers
    // first, then those seen on the link alone.
    std::vector<ReportEntry> entries = report.entries;
    std::stable_sort(entries.begin(), entries.end(), [](const ReportEntry& a, const ReportEntry& b) {
        return addressOrder(a.address) < addressOrder(b.address);
    });
    switch (format) {
    case ReportFormat::Csv: return csvReport(entries);
    case ReportFormat::Json: return jsonReport(report.ranges, report.generated, entries);
    case ReportFormat::Text: break;
    }
    return textFileBytes(foundComputersReport(report.header, reportTimeOfDay(QLocale(), report.generated.time()), entries));
}
