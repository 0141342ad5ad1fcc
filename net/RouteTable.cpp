// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/RouteTable.h"

#include "net/Log.h"

#include <net/route.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

RouteTable RouteTable::ofSystem()
{
    std::ifstream file("/proc/net/route");
    std::stringstream text;
    text << file.rdbuf();
    if (!file) qCWarning(lcNet, "no routes read, so no address counts as on-link: %s", std::strerror(errno));
    return RouteTable(text.str());
}

RouteTable::RouteTable(const std::string& procNetRoute)
{
    std::istringstream lines(procNetRoute);
    std::string line;
    std::getline(lines, line);  // the column names
    while (std::getline(lines, line)) {
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...; the addresses as the kernel holds them, in hex.
        std::istringstream fields(line);
        std::string device;
        uint32_t destination = 0, gateway = 0, mask = 0;
        unsigned flags = 0, skipped = 0;
        long metric = 0;
        if (!(fields >> device >> std::hex >> destination >> gateway >> flags >> std::dec >> skipped >> skipped
                     >> metric >> std::hex >> mask))
            continue;
        if ((flags & RTF_UP) == 0) continue;
        m_routes.push_back({destination & mask, mask, (flags & (RTF_GATEWAY | RTF_REJECT)) == 0, metric, device});
    }
    std::stable_sort(m_routes.begin(), m_routes.end(), [](const Route& a, const Route& b) {
        const int aBits = std::popcount(a.mask), bBits = std::popcount(b.mask);
        return aBits != bBits ? aBits > bBits : a.metric < b.metric;
    });
}

const RouteTable::Route* RouteTable::routeTo(uint32_t address) const noexcept
{
    const auto route = std::find_if(m_routes.begin(), m_routes.end(),
                                    [&](const Route& r) { return (address & r.mask) == r.destination; });
    return route != m_routes.end() ? &*route : nullptr;
}

std::string RouteTable::defaultDevice() const
{
    const auto route = std::find_if(m_routes.begin(), m_routes.end(), [](const Route& r) { return r.mask == 0; });
    return route != m_routes.end() ? route->device : std::string();
}
