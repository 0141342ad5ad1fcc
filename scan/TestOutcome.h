// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What one test found, handed on once it has settled: its names are in, or
// their time is up.
#pragma once

#include "scan/TestPlan.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

struct TestOutcome {
    struct Answer {
        uint32_t address;  // host byte order
        uint32_t roundTripMs;
    };
    TestPlan plan;
    QDateTime started;
    QDateTime ended;
    bool whole = false;       // every address had its turn: not stopped
    bool comparable = true;   // every echo went to an address of the plan
    std::vector<Answer> answered;  // in address order
};
