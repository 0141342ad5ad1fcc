// Building echo requests and judging what comes back. Pure functions on
// bytes: anything may come in, a verdict comes out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace IcmpPacket {

constexpr uint8_t TypeEchoReply = 0;
constexpr uint8_t TypeDestUnreachable = 3;
constexpr uint8_t TypeSourceQuench = 4;
constexpr uint8_t TypeEchoRequest = 8;
constexpr uint8_t TypeTimeExceeded = 11;
constexpr uint8_t TypeParameterProblem = 12;

constexpr size_t IcmpHeaderSize = 8;
constexpr size_t MinIpHeaderSize = 20;

// The request a packet must belong to.
struct Expected {
    uint32_t Destination;  // network byte order
    uint16_t Identifier;   // host byte order
    uint16_t Sequence;     // host byte order
};

enum class Kind {
    Ignore,  // not ours, malformed, or not an answer at all
    Reply,   // echo reply to our request
    Error,   // ICMP error that quotes our request
};

struct Verdict {
    Kind What = Kind::Ignore;
    uint32_t Status = 0;      // IP_* status; 0 for a reply
    uint32_t From = 0;        // sender, network byte order
    uint8_t Ttl = 0;          // sender's time to live, 0 when unknown
    uint8_t Tos = 0;
    size_t DataOffset = 0;    // echo data within the given bytes (replies)
    size_t DataSize = 0;
};

// Internet checksum (RFC 1071) of the bytes; 0 over a packet that carries a
// correct one.
uint16_t Checksum(const uint8_t* bytes, size_t size) noexcept;

// Echo request: ICMP header (type 8, code 0, checksum, id, seq) + data.
// A null data pointer with a size sends that many zero bytes.
std::vector<uint8_t> BuildEchoRequest(uint16_t identifier, uint16_t sequence, const void* data,
                                      size_t size);

// A whole IPv4 packet as a raw socket reads it.
Verdict JudgeIpPacket(const uint8_t* bytes, size_t size, const Expected& expected) noexcept;
// An ICMP message without its IP header, as an ICMP datagram socket reads it;
// the sender comes from the socket.
Verdict JudgeIcmpMessage(const uint8_t* bytes, size_t size, uint32_t from,
                         const Expected& expected) noexcept;
// The start of a quoted ICMP echo request (as the error queue of a datagram
// socket gives it, without IP header), to the original destination.
bool QuotesRequest(const uint8_t* bytes, size_t size, uint32_t originalDestination,
                   const Expected& expected) noexcept;

// IP_* status of an ICMP error type and code.
uint32_t StatusOfError(uint8_t type, uint8_t code) noexcept;

} // namespace IcmpPacket
