// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What a scan from the command line is asked to do.
#pragma once

#include <QString>

#include <array>

enum class ReportFormat { Text, Csv, Json };

struct ScanOptions {
    QString range;                  // "A.B.C.MIN-MAX" as given
    std::array<int, 3> octets{};
    int rangeMin = 1;
    int rangeMax = 254;
    int preset = 0;                 // an index of SpeedPresets
    bool allLines = false;          // every status line, not only the correct replies
    bool quiet = false;             // no result lines
    int repeatMinutes = 0;          // 0: one test
    QString reportFile;             // empty: none; "-": standard output
    ReportFormat format = ReportFormat::Text;
};
