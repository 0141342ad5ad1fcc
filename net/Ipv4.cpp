// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/Ipv4.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>

std::optional<uint32_t> parseAddress(std::string_view text) noexcept
{
    uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t end = part < 3 ? text.find('.') : text.size();
        if (end == std::string_view::npos || end == 0 || end > 3) return std::nullopt;
        unsigned octet = 256;
        const auto [rest, error] = std::from_chars(text.data(), text.data() + end, octet);
        if (error != std::errc() || rest != text.data() + end || octet > 255) return std::nullopt;
        address = address << 8 | octet;
        text.remove_prefix(part < 3 ? end + 1 : end);
    }
    return address;
}

uint32_t parseLenientAddress(const std::string& text) noexcept
{
    // c_str() makes a NUL inside the text end it, as it would in C.
    in_addr parsed{};
    if (inet_aton(text.c_str(), &parsed) == 0) return AllOnesAddress;
    return parsed.s_addr;
}

std::string addressText(uint32_t hostOrder)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += std::to_string(hostOrder >> shift & 0xFF);
        if (shift > 0) text += '.';
    }
    return text;
}

std::string dottedText(uint32_t networkOrder)
{
    return addressText(ntohl(networkOrder));
}
