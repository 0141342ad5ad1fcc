// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The program's command line. Without arguments it starts the window; with
// --range it scans without one.
#pragma once

#include "headless/ScanOptions.h"

#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Action { Window, Help, Version, Scan, UsageError };
    Action action = Action::Window;
    ScanOptions scan;
    QString text;  // the help, the version, or the usage error's one line
};

// Needs no application object: the program decides what to start from it.
CommandLine parseCommandLine(const QStringList& arguments);
