// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/HistoryCommand.h"

#include "cli/HistoryPlace.h"
#include "cli/Log.h"
#include "files/Settings.h"
#include "files/TextFile.h"
#include "history/HistoryReport.h"
#include "history/HistoryStore.h"
#include "history/ServerHistoryStore.h"

#include <QDir>

#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int CannotRead = 6;

} // namespace

int writeHistoryReport(const CommandLineOptions& options, const QString& historyFile)
{
    return writeHistoryReport(options, historyFile, Settings(QDir::currentPath()).historyDays());
}

int writeHistoryReport(const CommandLineOptions& options, const QString& historyFile, int keepDays)
{
    if (keepDays == 0)
        std::fprintf(stderr, "scanvet: the history is off (the window's Options, Keep history): no test is recorded, "
                             "what follows was kept before\n");
    const ScanRange& range = options.plan.ranges.front();
    const HistoryRange asked(range.first >> 8, static_cast<int>(range.first & 0xFF), static_cast<int>(range.last & 0xFF));
    std::vector<ComputerHistory> computers;
    const QDateTime now = QDateTime::currentDateTime();
    const HistoryPlace place = historyPlace(options, historyFile);
    if (place.isServer()) {
        ServerHistoryStore server(place.location, place.server.scanner, keepDays);
        const auto read = server.computers(asked, now, options.fromScanner);
        if (!read) {
            std::fprintf(stderr, "scanvet: cannot read the history: %s\n", qPrintable(server.lastError()));
            return CannotRead;
        }
        computers = *read;
    } else if (!options.fromScanner.isEmpty()) {
        std::fprintf(stderr, "scanvet: --from-scanner: a history file holds this computer's tests alone\n");
    }
    HistoryStore store(place.location);
    switch (place.isServer() ? HistoryStore::Opened::Absent : store.open(HistoryStore::Access::Read)) {
    case HistoryStore::Opened::Absent:
        if (!place.isServer()) qCInfo(lcCli) << "no history yet:" << place.location;
        break;
    case HistoryStore::Opened::Failed:
        std::fprintf(stderr, "scanvet: cannot read the history: %s\n", qPrintable(store.lastError()));
        return CannotRead;
    case HistoryStore::Opened::Ready:
        if (const auto read = store.computers(asked, now)) {
            computers = *read;
            break;
        }
        std::fprintf(stderr, "scanvet: cannot read the history: %s\n", qPrintable(store.lastError()));
        return CannotRead;
    }
    QByteArray bytes;
    switch (options.format) {
    case ReportFormat::Text: bytes = historyTextReport(asked.text(), now, computers); break;
    case ReportFormat::Csv: bytes = historyCsvReport(computers); break;
    case ReportFormat::Json: bytes = historyJsonReport(asked.text(), now, computers); break;
    }
    if (!writeReportOrSay(options.reportFile, bytes)) return 4;
    return computers.empty() ? 1 : 0;
}

bool writeReportOrSay(const QString& reportFile, const QByteArray& bytes)
{
    QString why;
    if (reportFile == QLatin1String("-")) {
        if (const int error = writeAll(STDOUT_FILENO, bytes); error != 0) why = QString::fromLocal8Bit(std::strerror(error));
    } else {
        (void)writeTextFile(reportFile, bytes, &why);
    }
    if (why.isEmpty()) return true;
    std::fprintf(stderr, "scanvet: cannot write the report: %s\n", qPrintable(why));
    return false;
}
