// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A computer's presence over time, from the changes kept of it: what
// uptime and the 24-hour strip are computed from. Times in seconds since the epoch.
#pragma once

#include <QtGlobal>

#include <optional>
#include <vector>

struct StateChange {
    qint64 time = 0;
    bool present = false;
};

struct StateSpan {
    qint64 from = 0, to = 0;
    bool present = false;
};

class StateTimeline {
public:
    // initial: the state before the first of changes (which alternate, oldest first).
    StateTimeline(bool initial, std::vector<StateChange> changes);

    // The state after every change at or before time.
    bool stateAt(qint64 time) const;
    // Percent of the tests (their times, in any order) within [from, to] at
    // which it was present; none when there is no such test.
    std::optional<double> uptime(const std::vector<qint64>& tests, qint64 from, qint64 to) const;
    // The spans of one state within [from, to], oldest first; none when to <= from.
    std::vector<StateSpan> spans(qint64 from, qint64 to) const;

private:
    bool m_initial;
    std::vector<StateChange> m_changes;
};
