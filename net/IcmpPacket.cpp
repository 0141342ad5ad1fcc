// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/IcmpPacket.h"

#include <cstring>

namespace IcmpPacket {

namespace {

constexpr uint8_t ProtocolIcmp = 1;

uint16_t read16(const uint8_t* p) noexcept { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

uint32_t readAddress(const uint8_t* p) noexcept
{
    uint32_t a = 0;
    std::memcpy(&a, p, sizeof a);  // stays in network byte order
    return a;
}

struct IpView {
    size_t headerSize;
    size_t totalSize;
    uint8_t protocol;
    uint8_t ttl;
    uint32_t source;
    uint32_t destination;
};

// An IPv4 header that fits in size bytes; the packet itself may be cut short
// (as inside an ICMP error), so totalSize is only what the header claims.
bool readIpHeader(const uint8_t* p, size_t size, IpView& ip) noexcept
{
    if (size < MinIpHeaderSize || p[0] >> 4 != 4) return false;
    ip.headerSize = static_cast<size_t>(p[0] & 0x0F) * 4;
    if (ip.headerSize < MinIpHeaderSize || ip.headerSize > size) return false;
    ip.totalSize = read16(p + 2);
    ip.ttl = p[8];
    ip.protocol = p[9];
    ip.source = readAddress(p + 12);
    ip.destination = readAddress(p + 16);
    return true;
}

bool isOurRequest(const uint8_t* icmp, size_t size, const Expected& expected) noexcept
{
    return size >= IcmpHeaderSize && icmp[0] == TypeEchoRequest && icmp[1] == 0 &&
           read16(icmp + 4) == expected.identifier && read16(icmp + 6) == expected.sequence;
}

bool isErrorType(uint8_t type) noexcept
{
    return type == TypeDestUnreachable || type == TypeTimeExceeded || type == TypeParameterProblem ||
           type == TypeSourceQuench;
}

} // namespace

uint16_t checksum(const uint8_t* bytes, size_t size) noexcept
{
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 1 < size; i += 2) sum += read16(bytes + i);
    if (i < size) sum += static_cast<uint32_t>(bytes[i]) << 8;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

std::array<uint8_t, IcmpHeaderSize> buildEchoRequest(uint16_t identifier, uint16_t sequence) noexcept
{
    std::array<uint8_t, IcmpHeaderSize> packet = {TypeEchoRequest,
                                                  0,
                                                  0,
                                                  0,
                                                  static_cast<uint8_t>(identifier >> 8),
                                                  static_cast<uint8_t>(identifier),
                                                  static_cast<uint8_t>(sequence >> 8),
                                                  static_cast<uint8_t>(sequence)};
    const uint16_t sum = checksum(packet.data(), packet.size());
    packet[2] = static_cast<uint8_t>(sum >> 8);
    packet[3] = static_cast<uint8_t>(sum);
    return packet;
}

Verdict judgeIcmpMessage(const uint8_t* bytes, size_t size, uint32_t from, const Expected& expected) noexcept
{
    if (bytes == nullptr || size < IcmpHeaderSize || checksum(bytes, size) != 0) return {};
    const uint8_t type = bytes[0];

    if (type == TypeEchoReply) {
        if (read16(bytes + 4) != expected.identifier || read16(bytes + 6) != expected.sequence) return {};
        if (from != expected.destination) return {};
        return {Kind::Reply, EchoStatus::Answered, from, 0};
    }
    if (!isErrorType(type)) return {};
    // The error quotes the IP header and at least 8 bytes of the packet that
    // caused it; believe it only when that packet is our request.
    const uint8_t* quoted = bytes + IcmpHeaderSize;
    const size_t quotedSize = size - IcmpHeaderSize;
    IpView ip{};
    if (!readIpHeader(quoted, quotedSize, ip)) return {};
    if (ip.protocol != ProtocolIcmp || ip.destination != expected.destination) return {};
    if (!isOurRequest(quoted + ip.headerSize, quotedSize - ip.headerSize, expected)) return {};
    return {Kind::Error, statusOfError(type, bytes[1]), from, 0};
}

Verdict judgeIpPacket(const uint8_t* bytes, size_t size, const Expected& expected) noexcept
{
    IpView ip{};
    if (bytes == nullptr || !readIpHeader(bytes, size, ip) || ip.protocol != ProtocolIcmp) return {};
    if (ip.totalSize < ip.headerSize || ip.totalSize > size) return {};
    if ((read16(bytes + 6) & 0x3FFF) != 0) return {};  // a fragment, not a whole message
    Verdict v = judgeIcmpMessage(bytes + ip.headerSize, ip.totalSize - ip.headerSize, ip.source, expected);
    if (v.what != Kind::Ignore) v.ttl = ip.ttl;
    return v;
}

bool quotesRequest(const uint8_t* bytes, size_t size, uint32_t originalDestination,
                   const Expected& expected) noexcept
{
    return bytes != nullptr && originalDestination == expected.destination && isOurRequest(bytes, size, expected);
}

std::optional<uint16_t> sequenceToJudge(const uint8_t* bytes, size_t size, Form form) noexcept
{
    IpView ip{};
    if (bytes == nullptr) return std::nullopt;
    if (form == Form::IpPacket) {
        if (!readIpHeader(bytes, size, ip) || ip.protocol != ProtocolIcmp) return std::nullopt;
        bytes += ip.headerSize;
        size -= ip.headerSize;
    }
    if (size < IcmpHeaderSize) return std::nullopt;
    if (form == Form::QuotedRequest || bytes[0] == TypeEchoReply) return read16(bytes + 6);
    if (!isErrorType(bytes[0])) return std::nullopt;
    const uint8_t* quoted = bytes + IcmpHeaderSize;
    const size_t quotedSize = size - IcmpHeaderSize;
    if (!readIpHeader(quoted, quotedSize, ip) || quotedSize - ip.headerSize < IcmpHeaderSize) return std::nullopt;
    return read16(quoted + ip.headerSize + 6);
}

EchoStatus statusOfError(uint8_t type, uint8_t code) noexcept
{
    switch (type) {
    case TypeDestUnreachable:
        switch (code) {
        case 0:   // net unreachable
        case 6:   // net unknown
        case 9:   // net administratively prohibited
        case 11:  // net unreachable for the type of service
            return EchoStatus::NetUnreachable;
        case 2: return EchoStatus::ProtocolUnreachable;
        case 3: return EchoStatus::PortUnreachable;
        case 4: return EchoStatus::PacketTooBig;
        case 5: return EchoStatus::SourceRouteFailed;
        default: return EchoStatus::HostUnreachable;
        }
    case TypeTimeExceeded: return EchoStatus::TtlExpired;
    case TypeParameterProblem: return EchoStatus::ParameterProblem;
    case TypeSourceQuench: return EchoStatus::SourceQuench;
    default: return EchoStatus::SendFailed;
    }
}

} // namespace IcmpPacket
