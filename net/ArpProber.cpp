// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// An AF_PACKET datagram socket opened with protocol 0 receives nothing; a
// probe binds it to its interface for ARP and afterwards parks it on the
// loopback device, which carries no ARP, so that no packet queues up between
// tests. Binding needs no capability, only the socket's creation does.
#include "net/ArpProber.h"

#include "net/Log.h"

#include <linux/filter.h>
#include <linux/if_ether.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_map>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t ArpSize = 28;  // Ethernet and IPv4: 8 bytes of header, two MACs, two addresses

std::array<uint8_t, ArpSize> whoHas(const LocalInterface& from, uint32_t target)
{
    std::array<uint8_t, ArpSize> p{0, ARPHRD_ETHER, 0x08, 0x00, 6, 4, 0, ARPOP_REQUEST};
    std::memcpy(&p[8], from.mac->data(), 6);
    std::memcpy(&p[14], &from.address, 4);
    std::memcpy(&p[24], &target, 4);  // target MAC (18..23) stays zero
    return p;
}

// Only replies reach the socket: ARP's opcode, at 6 in a datagram socket's packet, is 2.
bool attachReplyFilter(int fd)
{
    static const sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 6),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ARPOP_REPLY, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFF),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(code)), const_cast<sock_filter*>(code)};
    return setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
}

timespec timespecOf(Clock::duration d) noexcept
{
    const auto ns = std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::nanoseconds>(d).count());
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

} // namespace

std::unique_ptr<ArpProber> ArpProber::open(std::string& why)
{
    const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        why = std::string("no packet socket for ARP: ") + std::strerror(errno)
              + (errno == EPERM ? " (it needs CAP_NET_RAW)" : "");
        return nullptr;
    }
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        why = std::string("no eventfd for the ARP socket: ") + std::strerror(errno);
        close(fd);
        return nullptr;
    }
    if (!attachReplyFilter(fd))
        qCWarning(lcNet) << "the ARP socket sees every ARP packet, no filter:" << std::strerror(errno);
    return std::unique_ptr<ArpProber>(new ArpProber(fd, wake));
}

ArpProber::~ArpProber()
{
    close(m_socketFd);
    close(m_wakeFd);
}

void ArpProber::interrupt() noexcept
{
    const uint64_t one = 1;
    if (write(m_wakeFd, &one, sizeof one) < 0) qCWarning(lcNet) << "cannot wake the ARP probe:" << std::strerror(errno);
}

std::chrono::milliseconds ArpProber::longestProbe(size_t addresses)
{
    return 2 * static_cast<int>(std::min<size_t>(addresses, 1u << 20)) * PacingInterval + RetryAfter + ReplyWait;
}

bool ArpProber::listenOn(unsigned interfaceIndex) noexcept
{
    sockaddr_ll at{};
    at.sll_family = AF_PACKET;
    at.sll_protocol = htons(ETH_P_ARP);
    at.sll_ifindex = static_cast<int>(interfaceIndex);
    if (bind(m_socketFd, reinterpret_cast<const sockaddr*>(&at), sizeof at) == 0) return true;
    qCWarning(lcNet) << "cannot bind the ARP socket to interface" << interfaceIndex << ":" << std::strerror(errno);
    return false;
}

std::vector<ArpReply> ArpProber::probe(const LocalInterface& on, const std::vector<uint32_t>& addresses,
                                       const std::atomic<bool>& stop)
{
    std::vector<ArpReply> replies;
    uint64_t wakes = 0;
    while (read(m_wakeFd, &wakes, sizeof wakes) > 0) {}  // before looking at stop: a later interrupt wakes the wait
    if (!on.mac || on.noArp || on.loopback || on.index == 0 || addresses.empty() || stop) return replies;
    std::unordered_map<uint32_t, bool> answered;  // asked address: has it answered?
    std::vector<uint32_t> round;
    for (const uint32_t a : addresses)
        if (a != on.address && answered.emplace(a, false).second) round.push_back(a);
    if (!listenOn(on.index)) return replies;
    // Replies left from an earlier probe must not count for this one.
    for (uint8_t stale[64]; recv(m_socketFd, stale, sizeof stale, 0) >= 0 || errno == EINTR;) {}

    sockaddr_ll broadcast{};
    broadcast.sll_family = AF_PACKET;
    broadcast.sll_protocol = htons(ETH_P_ARP);
    broadcast.sll_ifindex = static_cast<int>(on.index);
    broadcast.sll_halen = 6;
    std::fill_n(broadcast.sll_addr, 6, 0xFF);

    const auto readReplies = [&] {
        for (;;) {
            uint8_t packet[64];
            sockaddr_ll from{};
            socklen_t fromSize = sizeof from;
            const ssize_t n = recvfrom(m_socketFd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (n < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                    qCWarning(lcNet) << "reading ARP replies:" << std::strerror(errno);
                if (errno != EINTR) return;
                continue;
            }
            if (static_cast<size_t>(n) < ArpSize || from.sll_pkttype == PACKET_OUTGOING
                || static_cast<unsigned>(from.sll_ifindex) != on.index)
                continue;
            const uint8_t header[] = {0, ARPHRD_ETHER, 0x08, 0x00, 6, 4, 0, ARPOP_REPLY};
            if (std::memcmp(packet, header, sizeof header) != 0) continue;
            ArpReply reply;
            std::memcpy(reply.mac.data(), &packet[8], 6);
            std::memcpy(&reply.address, &packet[14], 4);
            const auto asked = answered.find(reply.address);
            if (asked == answered.end() || asked->second || !isStationAddress(reply.mac)) continue;
            asked->second = true;
            replies.push_back(reply);
        }
    };

    size_t next = 0;
    int roundNumber = 1;
    Clock::time_point nextSend = Clock::now(), lastSend = nextSend;
    while (!stop && replies.size() < answered.size()) {
        Clock::time_point now = Clock::now();
        if (next < round.size() && now >= nextSend) {
            const auto request = whoHas(on, round[next]);
            if (sendto(m_socketFd, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&broadcast),
                       sizeof broadcast) == static_cast<ssize_t>(request.size())) {
                ++next;
                lastSend = now;
            } else if (errno != EAGAIN && errno != ENOBUFS && errno != EINTR) {
                qCWarning(lcNet) << "cannot send ARP on" << on.name.c_str() << ":" << std::strerror(errno);
                break;
            }
            nextSend = std::max(nextSend + PacingInterval, now);
        }
        Clock::time_point wakeAt;
        if (next < round.size()) {
            wakeAt = nextSend;
        } else if (roundNumber == 1) {
            wakeAt = lastSend + RetryAfter;
            if (now >= wakeAt) {
                std::erase_if(round, [&](uint32_t a) { return answered[a]; });
                roundNumber = 2;
                next = 0;
                nextSend = now;
                continue;
            }
        } else {
            wakeAt = lastSend + ReplyWait;
            if (now >= wakeAt) break;
        }
        pollfd waits[] = {{m_socketFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        const timespec timeout = timespecOf(wakeAt - now);
        if (ppoll(waits, 2, &timeout, nullptr) < 0 && errno != EINTR) {
            qCWarning(lcNet) << "waiting for ARP replies:" << std::strerror(errno);
            break;
        }
        if ((waits[1].revents & POLLIN) != 0)
            while (read(m_wakeFd, &wakes, sizeof wakes) > 0) {}
        if ((waits[0].revents & POLLIN) != 0) readReplies();
    }
    readReplies();
    if (const unsigned loopback = if_nametoindex("lo"); loopback == 0 || !listenOn(loopback))
        qCWarning(lcNet) << "the ARP socket stays bound to" << on.name.c_str();
    return replies;
}
