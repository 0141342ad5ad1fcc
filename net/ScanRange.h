// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// An inclusive range of IPv4 addresses, in host byte order so that its
// addresses can be counted (the echo socket takes network byte order), and
// its one text form, for the plan, the reports and the history.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct ScanRange {
    uint32_t first = 0;
    uint32_t last = 0;

    uint64_t size() const noexcept { return first <= last ? uint64_t{last} - first + 1 : 0; }
    bool contains(uint32_t address) const noexcept { return address >= first && address <= last; }
    // Within one /24.
    bool isInOneNetwork() const noexcept { return (first >> 8) == (last >> 8); }
    bool operator==(const ScanRange&) const = default;
};

// network.min..max: the first three octets of network (host byte order; its
// last octet is ignored) with the last octets min to max.
ScanRange lastOctetRange(uint32_t network, int min, int max) noexcept;
// "A.B.C.MIN-MAX" when the range lies within one /24, else "A.B.C.D-E.F.G.H".
std::string scanRangeText(const ScanRange& range);
// "A.B.C.MIN-MAX" (octets 0..255, MIN <= MAX) or the block "A.B.C.D/N" (N
// from 16 to 30, without its network and broadcast addresses), strictly in
// decimal. None for anything else.
[[nodiscard]] std::optional<ScanRange> parseRangeText(std::string_view text);
