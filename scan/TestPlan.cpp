// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/TestPlan.h"

#include <algorithm>

PlanAddresses::PlanAddresses(std::vector<ScanRange> ranges)
{
    std::erase_if(ranges, [](const ScanRange& r) { return r.size() == 0; });
    std::sort(ranges.begin(), ranges.end(), [](const ScanRange& a, const ScanRange& b) { return a.first < b.first; });
    for (const ScanRange& range : ranges) {
        if (!m_ranges.empty() && uint64_t{range.first} <= uint64_t{m_ranges.back().last} + 1) {
            m_ranges.back().last = std::max(m_ranges.back().last, range.last);
            continue;
        }
        m_ranges.push_back(range);
    }
    for (const ScanRange& range : m_ranges) {
        m_before.push_back(m_count);
        m_count += static_cast<size_t>(range.size());
    }
}

uint32_t PlanAddresses::at(size_t index) const
{
    const auto after = std::upper_bound(m_before.begin(), m_before.end(), index);
    const size_t r = static_cast<size_t>(after - m_before.begin()) - 1;
    return m_ranges[r].first + static_cast<uint32_t>(index - m_before[r]);
}

std::string planText(const TestPlan& plan)
{
    std::string text;
    for (const ScanRange& range : plan.ranges) text += (text.empty() ? "" : ", ") + scanRangeText(range);
    return text;
}

bool TestPlan::contains(uint32_t address) const
{
    return std::any_of(ranges.begin(), ranges.end(), [&](const ScanRange& range) { return range.contains(address); });
}
