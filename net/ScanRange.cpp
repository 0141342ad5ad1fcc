// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/ScanRange.h"

#include "net/Ipv4.h"

#include <arpa/inet.h>

ScanRange lastOctetRange(uint32_t network, int min, int max) noexcept
{
    const uint32_t base = network & 0xFFFFFF00u;
    return {base | (static_cast<uint32_t>(min) & 0xFF), base | (static_cast<uint32_t>(max) & 0xFF)};
}

std::string scanRangeText(const ScanRange& range)
{
    const std::string first = dottedText(htonl(range.first));
    if ((range.first & 0xFFFFFF00u) == (range.last & 0xFFFFFF00u))
        return first + '-' + std::to_string(range.last & 0xFF);
    return first + '-' + dottedText(htonl(range.last));
}
