// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What one test is asked to do, the same whether the window or the command
// line starts it.
#pragma once

#include "net/ScanRange.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SpeedPreset {
    int timeoutMs;
    int ttl;
};
// LAN, fast Internet, slow Internet or heavy traffic.
inline constexpr std::array<SpeedPreset, 3> SpeedPresets{{{1, 1}, {600, 255}, {3000, 255}}};

struct TestPlan {
    std::vector<ScanRange> ranges;
    int preset = 0;  // an index of SpeedPresets
    // One echo in flight at a time, each address after the one before has
    // its result; else the requests go out every interval, many in flight.
    bool oneAtATime = false;
    std::chrono::microseconds interval{250};
    // TCP ports knocked on at every address in flight with its echo, for the
    // computers that ignore ping; empty: no knock.
    std::vector<uint16_t> tcpPorts{};
    bool openPorts = false;  // also which of them accept, on every present computer

    // address: host byte order.
    bool contains(uint32_t address) const;
    // One range within one /24.
    bool isOneNetworkPart() const { return ranges.size() == 1 && (ranges[0].first >> 8) == (ranges[0].last >> 8); }
};

// The plan's ranges as "A.B.C.MIN-MAX" texts joined by ", ".
std::string planText(const TestPlan& plan);

// The addresses of ranges in ascending order, each once however the ranges
// overlap.
class PlanAddresses {
public:
    explicit PlanAddresses(std::vector<ScanRange> ranges);

    size_t count() const { return m_count; }
    // The address at index (0 to count - 1), host byte order.
    uint32_t at(size_t index) const;
    const std::vector<ScanRange>& ranges() const { return m_ranges; }

private:
    std::vector<ScanRange> m_ranges;  // sorted, merged
    std::vector<size_t> m_before;     // addresses in the ranges before each
    size_t m_count = 0;
};
