// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The kernel's main IPv4 routing table, read once from /proc/net/route
// (readable by anyone, this network namespace's). The other tables of
// policy routing are out of scope: an address that a rule sends elsewhere is
// judged by the main table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class RouteTable {
public:
    struct Route {
        uint32_t destination;  // network byte order, as is the mask
        uint32_t mask;
        bool onLink;           // up, without a gateway, not a blackhole or a reject
        long metric;
        std::string device;
    };

    // The routes now; where they cannot be read, none (logged).
    static RouteTable ofSystem();
    // From text in the form of /proc/net/route.
    explicit RouteTable(const std::string& procNetRoute);

    // The route the kernel takes to address (network byte order): the
    // longest prefix, then the lowest metric; null where none leads there.
    [[nodiscard]] const Route* routeTo(uint32_t address) const noexcept;
    // The device of the default route with the lowest metric, or empty.
    [[nodiscard]] std::string defaultDevice() const;

private:
    std::vector<Route> m_routes;  // longest prefix first, then lowest metric
};
