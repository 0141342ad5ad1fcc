// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// --history: what the history holds of a range, written as a report.
#pragma once

#include "cli/CommandLine.h"

// The stored computers of the options' range in their format to their
// report file ("-": standard output), from the history file, opened
// read-only. The exit status: 0 with a record of the range, 1 without (no
// file, or none of the range), 4 when the report cannot be written, 6 when
// the file cannot be read (one line on standard error says why; no report).
// keepDays: the window's choice; 0 (off) is said on standard error.
[[nodiscard]] int writeHistoryReport(const CommandLineOptions& options, const QString& historyFile, int keepDays);
// bytes to the report file ("-": standard output); false, with one line on
// standard error saying why, where they could not be written.
[[nodiscard]] bool writeReportOrSay(const QString& reportFile, const QByteArray& bytes);
// With the window's choice from the preferences.
[[nodiscard]] int writeHistoryReport(const CommandLineOptions& options, const QString& historyFile);
