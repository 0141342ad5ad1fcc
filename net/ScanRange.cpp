// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/ScanRange.h"

#include "net/Ipv4.h"

#include <charconv>

namespace {

std::optional<unsigned> numberIn(std::string_view text, unsigned min, unsigned max)
{
    unsigned value = 0;
    if (text.empty() || text.size() > 3) return std::nullopt;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || rest != text.data() + text.size() || value < min || value > max) return std::nullopt;
    return value;
}

} // namespace

ScanRange lastOctetRange(uint32_t network, int min, int max) noexcept
{
    const uint32_t base = network & 0xFFFFFF00u;
    return {base | (static_cast<uint32_t>(min) & 0xFF), base | (static_cast<uint32_t>(max) & 0xFF)};
}

std::string scanRangeText(const ScanRange& range)
{
    const std::string first = addressText(range.first);
    if (range.isInOneNetwork()) return first + '-' + std::to_string(range.last & 0xFF);
    return first + '-' + addressText(range.last);
}

std::optional<ScanRange> parseRangeText(std::string_view text)
{
    if (const size_t slash = text.find('/'); slash != std::string_view::npos) {
        const std::optional<uint32_t> address = parseAddress(text.substr(0, slash));
        const std::optional<unsigned> bits = numberIn(text.substr(slash + 1), 16, 30);
        if (!address || !bits) return std::nullopt;
        const uint32_t mask = ~0u << (32 - *bits);
        const uint32_t first = *address & mask;
        return ScanRange{first + 1, (first | ~mask) - 1};
    }
    const size_t dash = text.find('-');
    if (dash == std::string_view::npos) return std::nullopt;
    const std::optional<uint32_t> first = parseAddress(text.substr(0, dash));
    const std::optional<unsigned> last = numberIn(text.substr(dash + 1), 0, 255);
    if (!first || !last || (*first & 0xFF) > *last) return std::nullopt;
    return lastOctetRange(*first, static_cast<int>(*first & 0xFF), static_cast<int>(*last));
}
