// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/HistoryPlace.h"

#include "files/Settings.h"
#include "history/ServerLocation.h"

#include <QCommandLineParser>
#include <QDir>

namespace {

const QString HistoryDb = QStringLiteral("history-db");
const QString ScannerName = QStringLiteral("scanner-name");
const QString FromScanner = QStringLiteral("from-scanner");

} // namespace

bool HistoryPlace::isServer() const
{
    return ServerLocation::isServer(location);
}

void addHistoryPlaceOptions(QCommandLineParser& parser)
{
    parser.addOption({HistoryDb,
                      QStringLiteral("Keeps (or, with --history, reads) the history for this run in URL: a PostgreSQL "
                                     "server's libpq URI, postgresql://[user@][host][:port]/database[?param=value...] "
                                     "(host=/folder for a Unix socket; connect_timeout is 5 s unless it says), or "
                                     "the path of a history file. The password comes from ~/.pgpass or PGPASSFILE, "
                                     "never from here. Default: the window's Options, History store."),
                      QStringLiteral("URL")});
    parser.addOption({ScannerName,
                      QStringLiteral("The name this run's tests carry on a history server, and whose names by "
                                     "address --name, --forget and --known use there. Default: the name set "
                                     "in the window's Options, or the host name."),
                      QStringLiteral("NAME")});
    parser.addOption({FromScanner,
                      QStringLiteral("With --history on a server: only the records of the scanner NAME."),
                      QStringLiteral("NAME")});
}

bool historyPlaceOptionsAlone(const QCommandLineParser& parser, QString* why)
{
    for (const QString& name : {HistoryDb, ScannerName, FromScanner})
        if (parser.isSet(name)) {
            *why = QStringLiteral("--%1 needs --range, --history, --name, --forget or --known").arg(name);
            return true;
        }
    return false;
}

QString readHistoryPlaceOptions(const QCommandLineParser& parser, bool history, CommandLineOptions* options)
{
    for (const QString& name : {HistoryDb, ScannerName, FromScanner})
        if (parser.values(name).size() > 1) return QStringLiteral("--%1 is given more than once").arg(name);
    if (history && parser.isSet(ScannerName)) return QStringLiteral("--scanner-name does nothing with --history");
    if (!history && parser.isSet(FromScanner)) return QStringLiteral("--from-scanner needs --history");
    if (parser.isSet(HistoryDb)) {
        const QString url = parser.value(HistoryDb);
        if (url.isEmpty()) return QStringLiteral("--history-db: '' is no URL");
        if (ServerLocation::isServer(url)) {
            const ServerLocation location(url);
            if (!location.isValid()) return QStringLiteral("--history-db: %1").arg(location.error());
        }
        options->historyDb = url;
    }
    if (parser.isSet(ScannerName)) {
        options->scannerName = parser.value(ScannerName).trimmed();
        if (options->scannerName.isEmpty()) return QStringLiteral("--scanner-name: '' is no name");
    }
    if (parser.isSet(FromScanner)) options->fromScanner = parser.value(FromScanner);
    return QString();
}

HistoryPlace historyPlace(const CommandLineOptions& options, const QString& historyFile)
{
    const Settings settings(QDir::currentPath());
    HistoryPlace place;
    place.location = !options.historyDb.isEmpty()           ? options.historyDb
                     : !settings.historyServer().isEmpty() ? settings.historyServer()
                                                           : historyFile;
    place.server.scanner = options.scannerName.isEmpty() ? settings.scannerName() : options.scannerName;
    place.server.spoolFile = Settings::historySpoolFile();
    return place;
}
