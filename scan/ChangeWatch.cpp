// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/ChangeWatch.h"

#include <algorithm>

namespace {

QString baselineKey(const TestPlan& plan)
{
    QString key = QString::number(plan.preset);
    const PlanAddresses addresses(plan.ranges);
    for (const ScanRange& range : addresses.ranges())
        key += QLatin1Char(' ') + QString::fromStdString(scanRangeText(range));
    return key;
}

} // namespace

std::optional<RangeChange> ChangeWatch::compare(const TestOutcome& outcome)
{
    if (!outcome.whole || !outcome.comparable) return std::nullopt;
    const QString key = baselineKey(outcome.plan);
    // A computer seen on the link is present, whether it answered the echo or not.
    const std::vector<uint32_t> present = outcome.present();
    const QSet<uint32_t> answered(present.begin(), present.end());
    const auto found = m_baselines.find(key);
    if (found == m_baselines.end()) {
        keepMacs(*m_baselines.insert(key, Baseline{answered, {}, {}}), outcome);
        return std::nullopt;
    }
    Baseline& baseline = *found;
    RangeChange change;
    change.moved = findMoves(baseline.macs, baseline.present, answered, outcome.onLink);
    for (const AddressMove& move : change.moved) {
        baseline.present.remove(move.from);
        baseline.misses.remove(move.from);
        baseline.present.insert(move.to);
    }
    for (const uint32_t address : present) {
        baseline.misses.remove(address);
        if (!baseline.present.contains(address)) change.answeringNow.push_back(address);
    }
    for (const uint32_t address : std::as_const(baseline.present)) {
        if (answered.contains(address)) continue;
        if (++baseline.misses[address] < m_missesBeforeGone) continue;
        change.stoppedAnswering.push_back(address);
    }
    for (const uint32_t address : change.answeringNow) baseline.present.insert(address);
    for (const uint32_t address : change.stoppedAnswering) {
        baseline.present.remove(address);
        baseline.misses.remove(address);
    }
    std::sort(change.answeringNow.begin(), change.answeringNow.end());
    std::sort(change.stoppedAnswering.begin(), change.stoppedAnswering.end());
    keepMacs(baseline, outcome);
    if (change.answeringNow.empty() && change.stoppedAnswering.empty() && change.moved.empty()) return std::nullopt;
    return change;
}

void ChangeWatch::keepMacs(Baseline& baseline, const TestOutcome& outcome)
{
    for (const TestOutcome::Sighting& sighting : outcome.onLink) baseline.macs.insert(sighting.address, sighting.mac);
    for (auto it = baseline.macs.begin(); it != baseline.macs.end();)
        it = baseline.present.contains(it.key()) ? std::next(it) : baseline.macs.erase(it);
}
