// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Which IPv4 addresses the main routing table reaches without a gateway: an
// echo to one of them first resolves the address on the link (ARP), holding
// an entry of the kernel's neighbour table meanwhile (see EchoSweep).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class OnLinkRoutes {
public:
    // The routes of /proc/net/route now; where it cannot be read, nothing is on-link (logged).
    static OnLinkRoutes ofSystem();
    // From text in the form of /proc/net/route.
    explicit OnLinkRoutes(const std::string& procNetRoute);

    bool contains(uint32_t address) const noexcept;  // network byte order

private:
    struct Route {
        uint32_t destination;  // network byte order, as are the others
        uint32_t mask;
        bool onLink;
    };
    std::vector<Route> m_routes;  // longest prefix first
};
