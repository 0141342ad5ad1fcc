// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "helper/EchoRelay.h"

#include <arpa/inet.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace Helper {

namespace {

constexpr uint8_t EchoReply = 0, EchoRequest = 8;
constexpr int BufferSize = 512 * 1024;
constexpr int RoomWaitMs = 1000;

uint16_t internetChecksum(const uint8_t* bytes, size_t size) noexcept
{
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2) sum += uint32_t(bytes[i]) << 8 | bytes[i + 1];
    if (size % 2 != 0) sum += uint32_t(bytes[size - 1]) << 8;
    while (sum >> 16 != 0) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

uint16_t wordAt(const uint8_t* p) noexcept { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// The ICMP message inside an IPv4 packet of protocol ICMP, or null.
const uint8_t* icmpOf(const uint8_t* packet, size_t size, size_t& icmpSize) noexcept
{
    if (size < 20 || (packet[0] >> 4) != 4 || packet[9] != IPPROTO_ICMP) return nullptr;
    const size_t header = size_t(packet[0] & 0x0F) * 4;
    if (header < 20 || size < header + 8) return nullptr;
    icmpSize = size - header;
    return packet + header;
}

} // namespace

std::optional<uint16_t> answeredSequence(const uint8_t* packet, size_t size, uint16_t identifier) noexcept
{
    size_t icmpSize = 0;
    const uint8_t* icmp = icmpOf(packet, size, icmpSize);
    if (icmp == nullptr) return std::nullopt;
    if (icmp[0] == EchoReply) return wordAt(icmp + 4) == identifier ? std::optional(wordAt(icmp + 6)) : std::nullopt;
    if (icmp[0] != ICMP_DEST_UNREACH && icmp[0] != ICMP_SOURCE_QUENCH && icmp[0] != ICMP_TIME_EXCEEDED &&
        icmp[0] != ICMP_PARAMETERPROB)
        return std::nullopt;
    size_t quotedSize = 0;
    const uint8_t* quoted = icmpOf(icmp + 8, icmpSize - 8, quotedSize);
    if (quoted == nullptr || quoted[0] != EchoRequest || wordAt(quoted + 4) != identifier) return std::nullopt;
    return wordAt(quoted + 6);
}

bool EchoRelay::open(std::string& why) noexcept
{
    m_socket = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP);
    if (m_socket < 0) {
        why = std::string("raw socket: ") + std::strerror(errno);
        return false;
    }
    icmp_filter filter{};
    filter.data = ~((1u << EchoReply) | (1u << ICMP_DEST_UNREACH) | (1u << ICMP_SOURCE_QUENCH) |
                    (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB));
    const int on = 1;
    if (setsockopt(m_socket, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) != 0 ||
        setsockopt(m_socket, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0) {
        why = std::string("raw socket options: ") + std::strerror(errno);
        return false;
    }
    for (const int option : {SO_SNDBUF, SO_RCVBUF}) setsockopt(m_socket, SOL_SOCKET, option, &BufferSize, sizeof BufferSize);
    if (getrandom(&m_identifier, sizeof m_identifier, 0) != sizeof m_identifier)
        m_identifier = static_cast<uint16_t>(monotonicNs());
    return true;
}

bool EchoRelay::serve(int channel, const HelperProtocol::Request& request)
{
    if (const std::string why = HelperProtocol::refuseEcho(request.echo, m_interfaces.current()); !why.empty())
        return refuse(channel, request, why);
    const auto fail = [&](int error) {
        return sendMessage(channel, HelperProtocol::encode(HelperProtocol::SendFailedEvent{request.echo.sequence, error}));
    };
    if (request.echo.ttl != m_ttl) {
        const int ttl = request.echo.ttl;
        if (setsockopt(m_socket, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0) return fail(errno);
        m_ttl = ttl;
    }
    std::array<uint8_t, 8> packet{EchoRequest, 0, 0, 0, uint8_t(m_identifier >> 8), uint8_t(m_identifier),
                                  uint8_t(request.echo.sequence >> 8), uint8_t(request.echo.sequence)};
    const uint16_t sum = internetChecksum(packet.data(), packet.size());
    packet[2] = uint8_t(sum >> 8);
    packet[3] = uint8_t(sum);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = request.echo.destination;
    m_pace.wait();
    for (int failures = 0;;) {
        if (sendto(m_socket, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) >= 0) {
            m_sentAt[request.echo.sequence] = m_lastSentNs = monotonicNs();
            return true;
        }
        const int error = errno;
        if (error == EINTR) continue;
        // A full send buffer: wait for room, a while, as a blocking socket would.
        pollfd room{m_socket, POLLOUT, 0};
        if ((error == EAGAIN || error == ENOBUFS) && ++failures < 3 && poll(&room, 1, RoomWaitMs) > 0) continue;
        return fail(error);
    }
}

bool EchoRelay::forward(int channel)
{
    std::array<uint8_t, 65536> buffer;
    alignas(cmsghdr) uint8_t control[256];
    for (int guard = 0; guard < 1000; ++guard) {
        iovec io{buffer.data(), buffer.size()};
        msghdr header{};
        header.msg_iov = &io;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(m_socket, &header, MSG_DONTWAIT);
        if (n < 0) return true;  // nothing more now
        const auto sequence = answeredSequence(buffer.data(), size_t(n), m_identifier);
        if ((header.msg_flags & MSG_TRUNC) != 0 || !sequence) continue;
        int64_t received = monotonicNs();
        for (cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr; c = CMSG_NXTHDR(&header, c))
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec stamp{};
                std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
                received = monotonicOfRealtime(int64_t{stamp.tv_sec} * 1'000'000'000 + stamp.tv_nsec);
            }
        const std::vector<uint8_t> head = HelperProtocol::encodeEchoPacketHeader(received, m_sentAt[*sequence]);
        const iovec parts[2] = {{const_cast<uint8_t*>(head.data()), head.size()}, {buffer.data(), size_t(n)}};
        if (!sendMessage(channel, parts, 2)) return false;
    }
    return true;
}

} // namespace Helper
