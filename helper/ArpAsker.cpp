// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "helper/ArpAsker.h"

#include <linux/filter.h>
#include <linux/if_ether.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace Helper {

namespace {

constexpr size_t ArpSize = 28;  // Ethernet and IPv4: 8 bytes of header, two MACs, two addresses
constexpr uint8_t ReplyHeader[] = {0, ARPHRD_ETHER, 0x08, 0x00, 6, 4, 0, ARPOP_REPLY};

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

bool isStation(const std::array<uint8_t, 6>& mac)
{
    const bool zeros = std::all_of(mac.begin(), mac.end(), [](uint8_t b) { return b == 0; });
    return !zeros && (mac[0] & 1) == 0;  // neither unset nor a group address
}

} // namespace

bool ArpAsker::open(std::string& why) noexcept
{
    m_socket = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, htons(ETH_P_ARP));
    if (m_socket < 0) {
        why = std::string("packet socket: ") + std::strerror(errno);
        return false;
    }
    if (!attachReplyFilter(m_socket)) {
        why = std::string("packet socket filter: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool ArpAsker::serve(int channel, const HelperProtocol::Request& request)
{
    const HelperProtocol::InterfaceAddress* from = nullptr;
    const auto& interfaces = m_interfaces.current(request.arp.interfaceIndex);
    if (const std::string why = HelperProtocol::refuseArp(request.arp, interfaces, from); !why.empty())
        return refuse(channel, request, why);
    const int64_t now = monotonicNs();
    std::erase_if(m_asked, [&](const auto& a) { return now - a.second > HelperProtocol::AnswerWindowNs; });
    const auto key = std::pair(request.arp.interfaceIndex, request.arp.target);
    if (m_asked.size() >= HelperProtocol::MaxAskedAddresses && !m_asked.contains(key))
        return refuse(channel, request, "too many addresses asked at once");

    std::array<uint8_t, ArpSize> frame{0, ARPHRD_ETHER, 0x08, 0x00, 6, 4, 0, ARPOP_REQUEST};
    std::copy(from->mac->begin(), from->mac->end(), &frame[8]);
    std::memcpy(&frame[14], &from->address, 4);
    std::memcpy(&frame[24], &request.arp.target, 4);  // the target's MAC (18..23) stays zero
    sockaddr_ll broadcast{};
    broadcast.sll_family = AF_PACKET;
    broadcast.sll_protocol = htons(ETH_P_ARP);
    broadcast.sll_ifindex = static_cast<int>(request.arp.interfaceIndex);
    broadcast.sll_halen = 6;
    std::fill_n(broadcast.sll_addr, 6, 0xFF);
    m_pace.wait();
    m_asked[key] = monotonicNs();
    for (;;) {
        if (sendto(m_socket, frame.data(), frame.size(), 0, reinterpret_cast<const sockaddr*>(&broadcast),
                   sizeof broadcast) >= 0) {
            m_lastSentNs = monotonicNs();
            return true;
        }
        if (errno == EINTR) continue;
        return refuse(channel, request, std::string("cannot send: ") + std::strerror(errno));
    }
}

bool ArpAsker::forward(int channel)
{
    for (int guard = 0; guard < 1000; ++guard) {
        uint8_t packet[64];
        sockaddr_ll from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n = recvfrom(m_socket, packet, sizeof packet, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from),
                                   &fromSize);
        if (n < 0) return true;  // nothing more now
        // Broadcast replies, and those a promiscuous port shows that were meant for others, prove nothing.
        if (size_t(n) < ArpSize || from.sll_pkttype != PACKET_HOST || std::memcmp(packet, ReplyHeader, 8) != 0)
            continue;
        HelperProtocol::ArpAnswerEvent answer;
        answer.interfaceIndex = static_cast<uint32_t>(from.sll_ifindex);
        std::memcpy(answer.mac.data(), &packet[8], 6);
        std::memcpy(&answer.address, &packet[14], 4);
        uint32_t targetAddress = 0;
        std::memcpy(&targetAddress, &packet[24], 4);
        const auto asked = m_asked.find({answer.interfaceIndex, answer.address});
        answer.receivedNs = monotonicNs();
        if (asked == m_asked.end() || answer.receivedNs - asked->second > HelperProtocol::AnswerWindowNs ||
            !isStation(answer.mac))
            continue;
        const auto& interfaces = m_interfaces.current(answer.interfaceIndex);
        const bool toUs = std::any_of(interfaces.begin(), interfaces.end(), [&](const auto& i) {
            return i.index == answer.interfaceIndex && i.address == targetAddress && i.mac &&
                   std::equal(i.mac->begin(), i.mac->end(), &packet[18]);
        });
        if (toUs && !sendMessage(channel, HelperProtocol::encode(answer))) return false;
    }
    return true;
}

} // namespace Helper
