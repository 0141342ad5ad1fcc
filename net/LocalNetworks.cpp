// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/LocalNetworks.h"

#include "net/Log.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <map>

namespace {

struct Link {
    unsigned index = 0;
    std::optional<MacAddress> mac;
};

} // namespace

uint32_t LocalInterface::netmask() const noexcept
{
    const int bits = std::clamp(prefixLength, 0, 32);
    return htonl(bits == 0 ? 0u : ~0u << (32 - bits));
}

bool LocalInterface::inSubnet(uint32_t other) const noexcept
{
    return ((other ^ address) & netmask()) == 0;
}

std::vector<LocalInterface> localInterfaces(std::string* why)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        const std::string reason = std::strerror(errno);
        qCWarning(lcNet) << "cannot read the local interfaces:" << reason.c_str();
        if (why != nullptr) *why = reason;
        return {};
    }
    // The AF_PACKET entries carry each device's index and link-layer address.
    std::map<std::string, Link> links;
    for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_PACKET) continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(i->ifa_addr);
        Link& entry = links[i->ifa_name];
        entry.index = static_cast<unsigned>(link->sll_ifindex);
        MacAddress mac{};
        if (link->sll_halen == mac.size()) {
            std::memcpy(mac.data(), link->sll_addr, mac.size());
            if (isStationAddress(mac)) entry.mac = mac;
        }
    }
    const std::string gatewayDevice = RouteTable::ofSystem().defaultDevice();
    std::vector<LocalInterface> interfaces;
    for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
        LocalInterface one;
        one.name = i->ifa_name;
        one.name = one.name.substr(0, one.name.find(':'));  // eth0:1 is a label of eth0
        one.address = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr;
        if (i->ifa_netmask != nullptr)
            one.prefixLength = std::popcount(reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr);
        one.up = (i->ifa_flags & IFF_UP) != 0;
        one.loopback = (i->ifa_flags & IFF_LOOPBACK) != 0;
        one.pointToPoint = (i->ifa_flags & IFF_POINTOPOINT) != 0;
        one.noArp = (i->ifa_flags & IFF_NOARP) != 0;
        if (const auto link = links.find(one.name); link != links.end()) {
            one.index = link->second.index;
            one.mac = link->second.mac;
        } else {
            one.index = if_nametoindex(one.name.c_str());
        }
        one.defaultRoute = !gatewayDevice.empty() && one.name == gatewayDevice;
        interfaces.push_back(std::move(one));
    }
    freeifaddrs(list);
    return interfaces;
}

OnLink OnLink::ofSystem()
{
    std::string why;
    std::vector<LocalInterface> interfaces = localInterfaces(&why);
    return {std::move(interfaces), RouteTable::ofSystem(), why};
}

std::optional<LocalInterface> OnLink::interfaceFor(uint32_t address) const
{
    const RouteTable::Route* route = routes.routeTo(address);
    if (route == nullptr || !route->onLink) return std::nullopt;
    const LocalInterface* out = nullptr;
    for (const LocalInterface& i : interfaces) {
        if (i.address == address) return std::nullopt;  // our own: the kernel answers it itself
        if (i.prefixLength > 0 && i.prefixLength < 31 && i.inSubnet(address)) {
            // A subnet's network and broadcast addresses are nobody's (a /31 has none, RFC 3021).
            const uint32_t host = address & ~i.netmask();
            if (host == 0 || host == ~i.netmask()) return std::nullopt;
        }
        if (i.name != route->device || !i.up || i.loopback || i.pointToPoint || i.noArp || !i.mac) continue;
        // Of the device's addresses, the one whose subnet holds the target speaks for it.
        if (out == nullptr || (i.inSubnet(address) && !out->inSubnet(address))) out = &i;
    }
    if (out == nullptr) return std::nullopt;
    return *out;
}

std::optional<uint32_t> preferredLocalAddress(const std::vector<LocalInterface>& interfaces)
{
    std::optional<uint32_t> first;
    for (const LocalInterface& i : interfaces) {
        if (!i.up || i.loopback || (ntohl(i.address) >> 24) == 127) continue;
        if (i.defaultRoute) return i.address;
        if (!first) first = i.address;
    }
    return first;
}

std::optional<uint32_t> preferredLocalAddress()
{
    return preferredLocalAddress(localInterfaces());
}
