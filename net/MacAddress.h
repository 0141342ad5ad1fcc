// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// An Ethernet (48-bit) link-layer address and its text.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

using MacAddress = std::array<uint8_t, 6>;

// "00:1c:42:5c:a1:40", as ip(8) writes it.
inline std::string macText(const MacAddress& mac)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

// All zeros or all ones: no station's own address.
inline bool isStationAddress(const MacAddress& mac)
{
    bool zeros = true, ones = true;
    for (const uint8_t b : mac) {
        zeros = zeros && b == 0;
        ones = ones && b == 0xFF;
    }
    return !zeros && !ones;
}
