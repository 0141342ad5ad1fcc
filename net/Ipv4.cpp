// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/Ipv4.h"

#include <arpa/inet.h>
#include <netinet/in.h>

uint32_t parseDottedAddress(const std::string& text) noexcept
{
    // inet_aton takes the classic forms of inet_addr; c_str() makes a NUL
    // inside the text end it, as it would in C.
    in_addr parsed{};
    if (inet_aton(text.c_str(), &parsed) == 0) return AllOnesAddress;
    return parsed.s_addr;
}

std::string dottedText(uint32_t address)
{
    in_addr a{};
    a.s_addr = address;
    char buffer[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, buffer, sizeof buffer);
    return buffer;
}
