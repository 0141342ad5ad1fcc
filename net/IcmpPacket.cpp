#include "net/IcmpPacket.h"

#include "net/IcmpService.h"

#include <cstring>

namespace IcmpPacket {

namespace {

uint16_t Read16(const uint8_t* p) noexcept { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

uint32_t ReadAddress(const uint8_t* p) noexcept
{
    uint32_t a = 0;
    std::memcpy(&a, p, sizeof a);  // stays in network byte order
    return a;
}

struct IpView {
    size_t HeaderSize;
    size_t TotalSize;
    uint8_t Protocol;
    uint8_t Ttl;
    uint8_t Tos;
    uint32_t Source;
    uint32_t Destination;
};

// An IPv4 header that fits in size bytes; the packet itself may be cut short
// (as inside an ICMP error), so TotalSize is only what the header claims.
bool ReadIpHeader(const uint8_t* p, size_t size, IpView& ip) noexcept
{
    if (size < MinIpHeaderSize) return false;
    if (p[0] >> 4 != 4) return false;
    ip.HeaderSize = static_cast<size_t>(p[0] & 0x0F) * 4;
    if (ip.HeaderSize < MinIpHeaderSize || ip.HeaderSize > size) return false;
    ip.TotalSize = Read16(p + 2);
    ip.Tos = p[1];
    ip.Ttl = p[8];
    ip.Protocol = p[9];
    ip.Source = ReadAddress(p + 12);
    ip.Destination = ReadAddress(p + 16);
    return true;
}

bool IsOurRequest(const uint8_t* icmp, size_t size, const Expected& expected) noexcept
{
    return size >= IcmpHeaderSize && icmp[0] == TypeEchoRequest && icmp[1] == 0 &&
           Read16(icmp + 4) == expected.Identifier && Read16(icmp + 6) == expected.Sequence;
}

} // namespace

uint16_t Checksum(const uint8_t* bytes, size_t size) noexcept
{
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 1 < size; i += 2) sum += Read16(bytes + i);
    if (i < size) sum += static_cast<uint32_t>(bytes[i]) << 8;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

std::vector<uint8_t> BuildEchoRequest(uint16_t identifier, uint16_t sequence, const void* data, size_t size)
{
    uint8_t header[IcmpHeaderSize] = {TypeEchoRequest,
                                      0,
                                      0,
                                      0,
                                      static_cast<uint8_t>(identifier >> 8),
                                      static_cast<uint8_t>(identifier),
                                      static_cast<uint8_t>(sequence >> 8),
                                      static_cast<uint8_t>(sequence)};
    std::vector<uint8_t> packet(IcmpHeaderSize + size);
    uint8_t* p = packet.data();
    if (p == nullptr) return packet;
    std::memcpy(p, header, IcmpHeaderSize);
    if (data != nullptr && size > 0) std::memcpy(p + IcmpHeaderSize, data, size);
    const uint16_t sum = Checksum(p, packet.size());
    p[2] = static_cast<uint8_t>(sum >> 8);
    p[3] = static_cast<uint8_t>(sum);
    return packet;
}

Verdict JudgeIcmpMessage(const uint8_t* bytes, size_t size, uint32_t from, const Expected& expected) noexcept
{
    Verdict v;
    if (bytes == nullptr || size < IcmpHeaderSize) return v;
    if (Checksum(bytes, size) != 0) return v;
    const uint8_t type = bytes[0];

    if (type == TypeEchoReply) {
        if (Read16(bytes + 4) != expected.Identifier || Read16(bytes + 6) != expected.Sequence) return v;
        if (from != expected.Destination) return v;
        v.What = Kind::Reply;
        v.Status = IP_SUCCESS;
        v.From = from;
        v.DataOffset = IcmpHeaderSize;
        v.DataSize = size - IcmpHeaderSize;
        return v;
    }

    if (type != TypeDestUnreachable && type != TypeTimeExceeded && type != TypeParameterProblem &&
        type != TypeSourceQuench)
        return v;
    // The error quotes the IP header and at least 8 bytes of the packet
    // that caused it; believe it only when that packet is our request.
    const uint8_t* quoted = bytes + IcmpHeaderSize;
    const size_t quotedSize = size - IcmpHeaderSize;
    IpView ip{};
    if (!ReadIpHeader(quoted, quotedSize, ip)) return v;
    if (ip.Protocol != 1 || ip.Destination != expected.Destination) return v;
    if (!IsOurRequest(quoted + ip.HeaderSize, quotedSize - ip.HeaderSize, expected)) return v;
    v.What = Kind::Error;
    v.Status = StatusOfError(type, bytes[1]);
    v.From = from;
    return v;
}

Verdict JudgeIpPacket(const uint8_t* bytes, size_t size, const Expected& expected) noexcept
{
    IpView ip{};
    if (bytes == nullptr || !ReadIpHeader(bytes, size, ip)) return {};
    if (ip.Protocol != 1) return {};
    if (ip.TotalSize < ip.HeaderSize || ip.TotalSize > size) return {};
    if ((Read16(bytes + 6) & 0x3FFF) != 0) return {};  // a fragment, not a whole message
    Verdict v = JudgeIcmpMessage(bytes + ip.HeaderSize, ip.TotalSize - ip.HeaderSize, ip.Source, expected);
    if (v.What == Kind::Ignore) return {};
    v.DataOffset += ip.HeaderSize;
    v.Ttl = ip.Ttl;
    v.Tos = ip.Tos;
    return v;
}

bool QuotesRequest(const uint8_t* bytes, size_t size, uint32_t originalDestination,
                   const Expected& expected) noexcept
{
    return bytes != nullptr && originalDestination == expected.Destination &&
           IsOurRequest(bytes, size, expected);
}

uint32_t StatusOfError(uint8_t type, uint8_t code) noexcept
{
    switch (type) {
    case TypeDestUnreachable:
        switch (code) {
        case 0:   // net unreachable
        case 6:   // net unknown
        case 9:   // net administratively prohibited
        case 11:  // net unreachable for the type of service
            return IP_DEST_NET_UNREACHABLE;
        case 2: return IP_DEST_PROT_UNREACHABLE;
        case 3: return IP_DEST_PORT_UNREACHABLE;
        case 4: return IP_PACKET_TOO_BIG;
        case 5: return IP_BAD_ROUTE;
        default: return IP_DEST_HOST_UNREACHABLE;
        }
    case TypeTimeExceeded: return code == 1 ? IP_TTL_EXPIRED_REASSEM : IP_TTL_EXPIRED_TRANSIT;
    case TypeParameterProblem: return IP_PARAM_PROBLEM;
    case TypeSourceQuench: return IP_SOURCE_QUENCH;
    default: return IP_GENERAL_FAILURE;
    }
}

} // namespace IcmpPacket
