// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/ChangeWatch.h"

#include <algorithm>
#include <utility>

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

void ChangeWatch::askHistory(HistoryService* history, const TestPlan& plan)
{
    ++m_asked;
    m_read.reset();
    QObject::disconnect(m_answers);
    if (history == nullptr) return;
    m_answers = QObject::connect(history, &HistoryService::baselineRead, history,
                                 [this](quint64 token, const std::optional<PresenceBaseline>& read) {
                                     if (token == m_asked) m_read = read;
                                 });
    std::vector<HistoryRange> pieces;
    for (const TestRecord& record : TestOutcome{plan, {}, {}, false, false, {}, {}}.historyRecords([](uint32_t) { return QString(); }))
        if (std::optional<HistoryRange> piece = HistoryRange::parse(record.range)) pieces.push_back(*piece);
    history->readBaseline(std::move(pieces), plan.preset, m_missesBeforeGone, m_asked);
}

void ChangeWatch::adopt(const QString& key, const PresenceBaseline& read)
{
    Baseline& baseline = m_baselines[key] = Baseline{};
    for (const PresenceBaseline::Computer& computer : read.computers) {
        if (computer.misses >= m_missesBeforeGone) continue;  // gone already: said when it went
        baseline.present.insert(computer.address);
        if (computer.misses > 0) baseline.misses.insert(computer.address, computer.misses);
        if (!computer.mac.isEmpty()) baseline.macs.insert(computer.address, computer.mac);
    }
}

std::optional<RangeChange> ChangeWatch::compare(const TestOutcome& outcome)
{
    if (!outcome.whole || !outcome.comparable) return std::nullopt;
    const QString key = baselineKey(outcome.plan);
    if (m_read) adopt(key, *std::exchange(m_read, std::nullopt));
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
