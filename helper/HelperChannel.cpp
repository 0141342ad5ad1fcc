// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "helper/HelperChannel.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <map>

namespace Helper {

namespace {

int64_t nowNs(clockid_t clock) noexcept
{
    timespec t{};
    clock_gettime(clock, &t);
    return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

constexpr int64_t InterfacesFreshNs = 1'000'000'000;

} // namespace

int64_t monotonicNs() noexcept { return nowNs(CLOCK_MONOTONIC); }

int64_t monotonicOfRealtime(int64_t realtimeNs) noexcept
{
    // An age beyond a second is a step of the wall clock between the stamp and now.
    const int64_t mono = nowNs(CLOCK_MONOTONIC), age = nowNs(CLOCK_REALTIME) - realtimeNs;
    return age >= 0 && age <= 1'000'000'000 ? mono - age : mono;
}

bool sendMessage(int channel, const iovec* parts, int count) noexcept
{
    msghdr header{};
    header.msg_iov = const_cast<iovec*>(parts);
    header.msg_iovlen = static_cast<size_t>(count);
    for (;;) {
        if (sendmsg(channel, &header, MSG_NOSIGNAL) >= 0) return true;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
        pollfd room{channel, POLLOUT, 0};
        if (poll(&room, 1, -1) < 0 && errno != EINTR) return false;
    }
}

bool sendMessage(int channel, const std::vector<uint8_t>& message) noexcept
{
    const iovec part{const_cast<uint8_t*>(message.data()), message.size()};
    return sendMessage(channel, &part, 1);
}

bool refuse(int channel, const HelperProtocol::Request& request, const std::string& why) noexcept
{
    HelperProtocol::RefusedEvent refused;
    refused.request = request.kind;
    refused.sequence = request.kind == HelperProtocol::RequestKind::Echo ? request.echo.sequence : 0;
    refused.target = request.kind == HelperProtocol::RequestKind::Echo ? request.echo.destination : request.arp.target;
    refused.reason = why;
    return sendMessage(channel, HelperProtocol::encode(refused));
}

void Pace::wait() noexcept
{
    const int64_t allowed = m_last + HelperProtocol::MinPaceNs;
    int64_t now = monotonicNs();
    if (now < allowed) {
        const timespec until{static_cast<time_t>(allowed / 1'000'000'000), static_cast<long>(allowed % 1'000'000'000)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {}
        now = allowed;
    }
    m_last = now;
}

const std::vector<HelperProtocol::InterfaceAddress>& Interfaces::current(uint32_t wantedIndex)
{
    const int64_t now = monotonicNs();
    const bool known = wantedIndex == 0 || std::any_of(m_list.begin(), m_list.end(),
                                                       [&](const auto& i) { return i.index == wantedIndex; });
    if (m_readAt != 0 && now - m_readAt < InterfacesFreshNs && known) return m_list;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0) return m_list;  // the last list read stands
    m_readAt = now;
    std::map<std::string, std::array<uint8_t, 6>> macs;
    for (const ifaddrs* a = all; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_PACKET) continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
        if (link->sll_hatype != ARPHRD_ETHER || link->sll_halen != 6) continue;
        std::array<uint8_t, 6> mac{};
        std::copy_n(link->sll_addr, 6, mac.begin());
        macs[a->ifa_name] = mac;
    }
    m_list.clear();
    for (const ifaddrs* a = all; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || a->ifa_netmask == nullptr) continue;
        HelperProtocol::InterfaceAddress i;
        i.index = if_nametoindex(a->ifa_name);
        i.up = (a->ifa_flags & IFF_UP) != 0 && (a->ifa_flags & IFF_RUNNING) != 0;
        i.loopback = (a->ifa_flags & IFF_LOOPBACK) != 0;
        i.noArp = (a->ifa_flags & IFF_NOARP) != 0;
        i.address = reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr;
        i.netmask = reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr;
        if (const auto mac = macs.find(a->ifa_name); mac != macs.end()) i.mac = mac->second;
        if (i.index != 0) m_list.push_back(i);
    }
    freeifaddrs(all);
    return m_list;
}

} // namespace Helper
