// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The program's command line. Without arguments it starts the window; with
// --range it scans without one, and with --history it writes what the
// history holds of a range.
#pragma once

#include "files/Report.h"
#include "scan/TestPlan.h"

#include <QString>
#include <QStringList>

#include <optional>

struct CommandLineOptions {
    TestPlan plan;
    QStringList ranges;        // as given, each as A.B.C.MIN-MAX or A.B.C.D-A.B.C.D
    bool allLines = false;     // every status line, not only the correct replies
    bool quiet = false;        // no result lines and no progress
    int repeatMinutes = 0;     // 0: one test
    QString reportFile;        // empty: none; "-": standard output
    ReportFormat format = ReportFormat::Text;
    bool keepHistory = true;   // each test goes into the history
    QString historyRange;      // --history: "A.B.C.MIN-MAX", the range whose history is written
    // --name KEY=NAME (KEY a MAC or an address) with --note, --forget KEY, --known.
    QString nameKey, nameLabel, nameNote, forgetKey;
    QString historyDb;         // --history-db: a postgresql:// URI or a history file; empty: the window's choice
    QString scannerName;       // --scanner-name; empty: the one set in Options, or the host name
    QString fromScanner;       // --from-scanner: --history of this scanner's records only
};

struct CommandLine {
    enum class Action { Window, Help, Version, Scan, History, Known, UsageError };
    Action action = Action::Window;
    CommandLineOptions options;
    QString text;  // the help, the version, or the usage error's one line
};

// Needs no application object: the program decides what to start from it.
[[nodiscard]] CommandLine parseCommandLine(const QStringList& arguments);
// What --range takes: a range's text (net/ScanRange.h) whose MIN and MAX
// are 1 to 254; nullopt for anything else.
[[nodiscard]] std::optional<ScanRange> parseScanRange(const QString& text);
