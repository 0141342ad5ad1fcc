// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/KnownCommand.h"

#include "cli/HistoryCommand.h"
#include "cli/HistoryPlace.h"

#include "net/Ipv4.h"
#include "base/Text.h"
#include "files/TextFile.h"
#include "history/HistoryStore.h"
#include "history/ServerHistoryStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int CannotUseHistory = 6;

CommandLine usage(const QString& line)
{
    return {CommandLine::Action::UsageError, {}, QStringLiteral("scanvet: ") + line};
}

QString timeText(const QDateTime& time)
{
    return time.isValid() ? isoWithOffset(time) : QString();
}

// mac, label, note, first_seen, last_address, last_seen.
QStringList fields(const KnownComputer& computer)
{
    return {computer.mac, printable(computer.label), printable(computer.note), timeText(computer.firstSeen),
            computer.lastAddress, timeText(computer.lastSeen)};
}

const QStringList FieldNames{QStringLiteral("mac"), QStringLiteral("label"), QStringLiteral("note"),
                             QStringLiteral("first_seen"), QStringLiteral("last_address"), QStringLiteral("last_seen")};

QByteArray knownBytes(ReportFormat format, const std::vector<KnownComputer>& computers, const QDateTime& now)
{
    if (format == ReportFormat::Json) {
        QJsonArray list;
        for (const KnownComputer& computer : computers) {
            const QStringList values = fields(computer);
            QJsonObject object;
            for (qsizetype i = 0; i < FieldNames.size(); ++i)
                object.insert(FieldNames[i], values[i].isEmpty() && i != 1 && i != 2 ? QJsonValue() : QJsonValue(values[i]));
            list.append(object);
        }
        return QJsonDocument(QJsonObject{{QStringLiteral("generated"), isoWithOffset(now)},
                                         {QStringLiteral("computers"), list}})
            .toJson(QJsonDocument::Indented);
    }
    std::vector<QStringList> rows{FieldNames};
    for (const KnownComputer& computer : computers) rows.push_back(fields(computer));
    QString text;
    if (format == ReportFormat::Csv) {
        for (QStringList& row : rows) {
            for (QString& field : row) field = csvField(field);
            text += row.join(u',') + QStringLiteral("\r\n");
        }
        return text.toUtf8();
    }
    std::vector<qsizetype> widths(FieldNames.size(), 0);
    for (const QStringList& row : rows)
        for (qsizetype i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], std::max<qsizetype>(row[i].size(), 1));
    text = QStringLiteral("Known computers, generated %1\r\n").arg(isoWithOffset(now));
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) line += (row[i].isEmpty() ? QStringLiteral("-") : row[i]).leftJustified(widths[i] + 2);
        text += line.trimmed() + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

int cannotUse(const QString& why)
{
    std::fprintf(stderr, "scanvet: cannot use the history: %s\n", qPrintable(why));
    return CannotUseHistory;
}

} // namespace

CommandLine knownCommandLine(const KnownRequest& request, const QString& format, const QString& report,
                             const QStringList& others)
{
    const int asked = int(!request.name.isEmpty()) + int(!request.forget.isEmpty()) + int(request.list);
    if (asked != 1) return usage(QStringLiteral("give one of --name, --forget and --known"));
    if (!others.isEmpty()) return usage(QStringLiteral("--%1 does nothing with --name, --forget or --known").arg(others.first()));
    if (!request.note.isEmpty() && request.name.isEmpty()) return usage(QStringLiteral("--note needs --name"));
    if (!request.list && (!format.isEmpty() || !report.isEmpty()))
        return usage(QStringLiteral("--format and --report go with --known"));
    CommandLine command{CommandLine::Action::Known, {}, {}};
    CommandLineOptions& options = command.options;
    const QString key = request.name.isEmpty() ? request.forget : request.name.section(u'=', 0, 0).trimmed();
    if (!request.name.isEmpty()) {
        options.nameLabel = request.name.section(u'=', 1).trimmed();
        options.nameNote = request.note;
        if (!request.name.contains(u'=') || options.nameLabel.isEmpty())
            return usage(QStringLiteral("--name: '%1' is not MAC=NAME or ADDRESS=NAME").arg(request.name));
    }
    if (!request.list && KnownComputers::macOf(key).isEmpty() && !parseAddress(key.toStdString()))
        return usage(QStringLiteral("'%1' is neither a MAC address (aa:bb:cc:dd:ee:ff) nor an IPv4 address").arg(key));
    (request.name.isEmpty() ? options.forgetKey : options.nameKey) = request.list ? QString() : key;
    if (request.list) {
        const QString kind = format.isEmpty() ? QStringLiteral("text") : format;
        const QStringList kinds{QStringLiteral("text"), QStringLiteral("csv"), QStringLiteral("json")};
        if (!kinds.contains(kind)) return usage(QStringLiteral("--format: '%1' is not text, csv or json").arg(kind));
        options.format = static_cast<ReportFormat>(kinds.indexOf(kind));
        options.reportFile = report.isEmpty() ? QStringLiteral("-") : report;
    }
    return command;
}

int runKnownCommand(const CommandLineOptions& options, const QString& historyFile)
{
    const HistoryPlace place = historyPlace(options, historyFile);
    const bool writes = !options.nameKey.isEmpty() || !options.forgetKey.isEmpty();
    // The file, or the server (where a name is never spooled: it is given again once the server answers).
    HistoryStore store(place.location);
    ServerHistoryStore server(place.location, place.server.scanner, 0);
    HistoryStore::Opened opened = HistoryStore::Opened::Ready;
    if (place.isServer() && !server.open()) return cannotUse(server.lastError());
    if (!place.isServer()) opened = store.open(writes ? HistoryStore::Access::Write : HistoryStore::Access::Read);
    if (opened == HistoryStore::Opened::Failed) return cannotUse(store.lastError());
    const auto known = [&](bool write, const std::function<bool(KnownComputers&)>& work) {
        return place.isServer() ? server.known(write, work) : store.known(write, work);
    };
    const auto lastError = [&] { return place.isServer() ? server.lastError() : store.lastError(); };
    if (!options.nameKey.isEmpty())
        return known(true, [&](KnownComputers& computers) {
            return computers.name(options.nameKey, options.nameLabel, options.nameNote);
        }) ? 0 : cannotUse(lastError());
    if (!options.forgetKey.isEmpty()) {
        bool found = false;
        if (!known(true, [&](KnownComputers& computers) { return computers.forget(options.forgetKey, &found); }))
            return cannotUse(lastError());
        if (!found) std::fprintf(stderr, "scanvet: %s has no name to forget\n", qPrintable(options.forgetKey));
        return found ? 0 : 1;
    }
    std::vector<KnownComputer> computers;
    if (opened == HistoryStore::Opened::Ready &&
        !known(false, [&](KnownComputers& kept) {
            auto all = kept.all();
            if (all) computers = std::move(*all);
            return all.has_value();
        }))
        return cannotUse(lastError());
    const QByteArray bytes = knownBytes(options.format, computers, QDateTime::currentDateTime());
    if (!writeReportOrSay(options.reportFile, bytes)) return 4;
    return computers.empty() ? 1 : 0;
}
