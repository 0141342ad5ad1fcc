// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The scanner's own IPv4 interfaces: which addresses lie on its link, and
// which of its addresses to offer as "the local IP".
#pragma once

#include "net/MacAddress.h"
#include "net/RouteTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One IPv4 address of one interface (an interface with two addresses gives two).
struct LocalInterface {
    std::string name;          // the device (eth0), without an address's label
    unsigned index = 0;        // the kernel's interface index
    uint32_t address = 0;      // network byte order
    int prefixLength = 0;
    bool up = false;
    bool loopback = false;
    bool pointToPoint = false;
    bool noArp = false;
    std::optional<MacAddress> mac;  // none where the link has no 48-bit address (a tunnel)
    bool defaultRoute = false;      // the default route goes out through it

    [[nodiscard]] uint32_t netmask() const noexcept;  // network byte order
    [[nodiscard]] bool inSubnet(uint32_t other) const noexcept;
};

// The system's interfaces, in the kernel's order; empty (and logged) when
// they cannot be read.
// None, with why where given, when they cannot be read.
[[nodiscard]] std::vector<LocalInterface> localInterfaces(std::string* why = nullptr);

// Which addresses lie on the scanner's own link, and through which of its
// interfaces: the one answer for the sweep's bound on echoes in flight, the
// sightings and the ARP requests. The kernel's main routing table decides,
// as it does where the echoes go: an address is on the link where its route
// has no gateway and leads out of an up interface that asks ARP.
struct OnLink {
    std::vector<LocalInterface> interfaces;
    RouteTable routes;
    std::string unreadable{};  // why the interfaces could not be read: nothing is known of the link

    [[nodiscard]] static OnLink ofSystem();
    // The interface, or none: for a route through a gateway, a blackhole, no
    // route, an interface without ARP, the scanner's own addresses, and a
    // subnet's network and broadcast addresses.
    [[nodiscard]] std::optional<LocalInterface> interfaceFor(uint32_t address) const;
    [[nodiscard]] bool contains(uint32_t address) const { return interfaceFor(address).has_value(); }
};

// The first IPv4 address of an up, non-loopback interface, the default
// route's interface first; none when there is no such interface (never a
// loopback address such as the 127.0.1.1 of Debian's hosts file).
[[nodiscard]] std::optional<uint32_t> preferredLocalAddress(const std::vector<LocalInterface>& interfaces);
[[nodiscard]] std::optional<uint32_t> preferredLocalAddress();
