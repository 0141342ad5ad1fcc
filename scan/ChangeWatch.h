// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Which computers of a range started or stopped answering, test after test
// of the same range with the same preset: a preset with a shorter time-out
// misses slower computers, so each keeps its own baseline. Where the history
// is on, each test's baseline is read from it, so that the misses counted
// outlive the program; without it, since the program started. A first test
// tells nothing, and a stopped test, or one whose addresses were edited while
// it ran, neither tells nor moves the baseline.
#pragma once

#include "history/HistoryService.h"
#include "scan/ComputerMoves.h"
#include "scan/TestOutcome.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

struct RangeChange {
    std::vector<uint32_t> answeringNow;      // host byte order, ascending
    std::vector<uint32_t> stoppedAnswering;
    std::vector<AddressMove> moved;  // a MAC at a new address: in neither list above
};

class ChangeWatch {
public:
    // A computer stops answering only after this many whole tests in a row
    // without an answer (at least 1).
    void setMissesBeforeGone(int tests) { m_missesBeforeGone = std::max(1, tests); }
    int missesBeforeGone() const { return m_missesBeforeGone; }
    // Asks history (null: none) for the baseline of the test of plan that
    // starts; one that comes before the test settles is the one compared with.
    void askHistory(HistoryService* history, const TestPlan& plan);
    // The change the test brings, when it tells one.
    [[nodiscard]] std::optional<RangeChange> compare(const TestOutcome& outcome);

private:
    struct Baseline {
        QSet<uint32_t> present;
        QHash<uint32_t, int> misses;  // whole tests in a row without an answer, of the present ones
        QHash<uint32_t, QString> macs;  // of the present ones, at their last sighting
    };
    static void keepMacs(Baseline& baseline, const TestOutcome& outcome);
    void adopt(const QString& key, const PresenceBaseline& read);
    QHash<QString, Baseline> m_baselines;  // by ranges and preset
    int m_missesBeforeGone = 1;
    quint64 m_asked = 0;  // the history's answer for this test is the one taken
    std::optional<PresenceBaseline> m_read;
    QMetaObject::Connection m_answers;
};
