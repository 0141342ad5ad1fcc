// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Where the command line's history is: --history-db for one run, else the
// window's choice (Options, History store), else the file of this computer;
// and the name this scanner's tests carry on a server (--scanner-name, else
// the one set in Options, else the host name).
#pragma once

#include "cli/CommandLine.h"
#include "history/HistoryService.h"

#include <QString>

class QCommandLineParser;

struct HistoryPlace {
    QString location;  // a file, or a postgresql:// URI
    HistoryServerSetup server;
    bool isServer() const;
};

// --history-db, --scanner-name and --from-scanner.
void addHistoryPlaceOptions(QCommandLineParser& parser);
// Reads them into options for a scan (history false) or --history (true);
// an empty string, or the usage error's text.
[[nodiscard]] QString readHistoryPlaceOptions(const QCommandLineParser& parser, bool history,
                                              CommandLineOptions* options);
// True when one of them was given without --range or --history: the usage error's text in why.
[[nodiscard]] bool historyPlaceOptionsAlone(const QCommandLineParser& parser, QString* why);

// historyFile: the file of this computer, where neither the options nor the preferences name a server.
HistoryPlace historyPlace(const CommandLineOptions& options, const QString& historyFile);
