// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// --history: what the history holds of a range, written as a report.
#pragma once

#include "cli/CommandLine.h"

// The stored computers of the options' range in their format to their
// report file ("-": standard output), from the history file. The exit
// status: 0 with a record of the range, 1 without (no file, none of the
// range, or a file that cannot be read: one line on standard error says
// why), 4 when the report cannot be written.
[[nodiscard]] int writeHistoryReport(const CommandLineOptions& options, const QString& historyFile);
