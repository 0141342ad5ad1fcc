// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// --name, --forget and --known: the user's names for the computers the
// history knows, by MAC address or, for a computer without one (behind a
// router), by IPv4 address.
#pragma once

#include "cli/CommandLine.h"

struct KnownRequest {
    QString name;    // --name KEY=NAME
    QString note;    // --note, with --name
    QString forget;  // --forget KEY
    bool list = false;
};

// The command, or a usage error; others: another option given with them.
[[nodiscard]] CommandLine knownCommandLine(const KnownRequest& request, const QString& format, const QString& report,
                                           const QStringList& others);
// Names, forgets, or writes the known computers (mac,label,note,first_seen,
// last_address,last_seen) in the options' format. Exit status: 0 done (or
// some listed), 1 nothing to forget (or none to list), 4 the report cannot
// be written, 6 the history cannot be read or written.
[[nodiscard]] int runKnownCommand(const CommandLineOptions& options, const QString& historyFile);
