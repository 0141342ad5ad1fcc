// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/StateTimeline.h"

#include <algorithm>

StateTimeline::StateTimeline(bool initial, std::vector<StateChange> changes)
    : m_initial(initial), m_changes(std::move(changes))
{
}

bool StateTimeline::stateAt(qint64 time) const
{
    const auto after = std::ranges::upper_bound(m_changes, time, {}, &StateChange::time);
    return after == m_changes.begin() ? m_initial : std::prev(after)->present;
}

std::optional<double> StateTimeline::uptime(const std::vector<qint64>& tests, qint64 from, qint64 to) const
{
    int covered = 0, answered = 0;
    for (qint64 time : tests) {
        if (time < from || time > to) continue;
        ++covered;
        answered += stateAt(time) ? 1 : 0;
    }
    if (covered == 0) return std::nullopt;
    return 100.0 * answered / covered;
}

std::vector<StateSpan> StateTimeline::spans(qint64 from, qint64 to) const
{
    std::vector<StateSpan> spans;
    if (to <= from) return spans;
    spans.push_back({from, to, stateAt(from)});
    for (const StateChange& change : m_changes) {
        if (change.time <= from || change.time >= to || change.present == spans.back().present) continue;
        spans.back().to = change.time;
        spans.push_back({change.time, to, change.present});
    }
    return spans;
}
