// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistoryReport.h"

#include "base/Text.h"
#include "files/Report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// From a server: which scanner saw each computer last, as a last field.
bool fromServer(const std::vector<ComputerHistory>& computers)
{
    return std::any_of(computers.begin(), computers.end(), [](const ComputerHistory& c) { return !c.scanner.isEmpty(); });
}

QStringList fieldNames(bool withScanner)
{
    if (withScanner) return fieldNames(false) << QStringLiteral("scanner");
    return {QStringLiteral("address"),   QStringLiteral("name"),       QStringLiteral("mac"),
            QStringLiteral("first_seen"), QStringLiteral("last_seen"), QStringLiteral("present"),
            QStringLiteral("seen_by"),    QStringLiteral("uptime_24h"), QStringLiteral("uptime_7d"),
            QStringLiteral("changes"),   QStringLiteral("label"),     QStringLiteral("moved")};
}

// "echo" or "link" at its last sighting; empty where the file's version 1 did not keep it.
QString seenByText(ComputerHistory::SeenBy seenBy)
{
    switch (seenBy) {
    case ComputerHistory::SeenBy::Echo: return QStringLiteral("echo");
    case ComputerHistory::SeenBy::Link: return QStringLiteral("link");
    case ComputerHistory::SeenBy::Tcp: return QStringLiteral("tcp");
    case ComputerHistory::SeenBy::Unknown: break;
    }
    return QString();
}

double rounded(double percent)
{
    return std::round(percent * 10) / 10;
}

// The fields as text, in the order of fieldNames().
QStringList fields(const ComputerHistory& computer, const QString& noUptime, bool withScanner)
{
    if (withScanner) return fields(computer, noUptime, false) << printable(computer.scanner);
    auto uptime = [&](const std::optional<double>& percent) {
        return percent ? QString::number(rounded(*percent)) : noUptime;
    };
    return {computer.address,
            printable(computer.name),
            printable(computer.mac),
            isoWithOffset(computer.firstSeen),
            isoWithOffset(computer.lastSeen),
            computer.present ? QStringLiteral("true") : QStringLiteral("false"),
            seenByText(computer.seenBy),
            uptime(computer.uptime24h),
            uptime(computer.uptime7d),
            QString::number(computer.changes),
            printable(computer.label),
            computer.moved};
}

} // namespace

QByteArray historyTextReport(const QString& range, const QDateTime& generated,
                             const std::vector<ComputerHistory>& computers)
{
    const bool withScanner = fromServer(computers);
    std::vector<QStringList> rows{fieldNames(withScanner)};
    for (const ComputerHistory& computer : computers) rows.push_back(fields(computer, QStringLiteral("-"), withScanner));
    std::vector<qsizetype> widths(rows.front().size(), 0);
    for (const QStringList& row : rows)
        for (qsizetype i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    QString text = QStringLiteral("History of %1, generated %2\r\n").arg(printable(range), isoWithOffset(generated));
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) line += row[i].leftJustified(widths[i] + 2);
        text += line.trimmed() + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

QByteArray historyCsvReport(const std::vector<ComputerHistory>& computers)
{
    const bool withScanner = fromServer(computers);
    QString text = fieldNames(withScanner).join(u',') + QStringLiteral("\r\n");
    for (const ComputerHistory& computer : computers) {
        QStringList row = fields(computer, QString(), withScanner);
        for (QString& field : row) field = csvField(field);
        text += row.join(u',') + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

QByteArray historyJsonReport(const QString& range, const QDateTime& generated,
                             const std::vector<ComputerHistory>& computers)
{
    auto uptime = [](const std::optional<double>& percent) { return percent ? QJsonValue(rounded(*percent)) : QJsonValue(); };
    QJsonArray list;
    for (const ComputerHistory& computer : computers) {
        QJsonObject object{{QStringLiteral("address"), computer.address},
                                {QStringLiteral("name"), printable(computer.name)},
                                {QStringLiteral("mac"), printable(computer.mac)},
                                {QStringLiteral("first_seen"), isoWithOffset(computer.firstSeen)},
                                {QStringLiteral("last_seen"), isoWithOffset(computer.lastSeen)},
                                {QStringLiteral("present"), computer.present},
                                {QStringLiteral("seen_by"), computer.seenBy == ComputerHistory::SeenBy::Unknown
                                                                ? QJsonValue() : QJsonValue(seenByText(computer.seenBy))},
                                {QStringLiteral("uptime_24h"), uptime(computer.uptime24h)},
                                {QStringLiteral("uptime_7d"), uptime(computer.uptime7d)},
                                {QStringLiteral("changes"), computer.changes},
                                {QStringLiteral("label"), printable(computer.label)},
                                {QStringLiteral("moved"), computer.moved}};
        if (!computer.scanner.isEmpty()) object.insert(QStringLiteral("scanner"), printable(computer.scanner));
        list.append(object);
    }
    const QJsonObject report{{QStringLiteral("range"), printable(range)},
                             {QStringLiteral("generated"), isoWithOffset(generated)},
                             {QStringLiteral("computers"), list}};
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}
