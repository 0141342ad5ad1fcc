// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Building echo requests and judging what comes back. Pure functions on
// bytes: anything may come in, a verdict comes out.
#pragma once

#include "net/EchoResult.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

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
    uint32_t destination;  // network byte order
    uint16_t identifier;   // host byte order
    uint16_t sequence;     // host byte order
};

enum class Kind {
    Ignore,  // not ours, malformed, or not an answer at all
    Reply,   // echo reply to our request
    Error,   // ICMP error that quotes our request
};

struct Verdict {
    Kind what = Kind::Ignore;
    EchoStatus status = EchoStatus::TimedOut;  // Answered for a reply, the error's kind for an error
    uint32_t from = 0;  // sender, network byte order
    uint8_t ttl = 0;    // sender's time to live, 0 when unknown
};

// Internet checksum (RFC 1071) of the bytes; 0 over a packet that carries a
// correct one.
uint16_t checksum(const uint8_t* bytes, size_t size) noexcept;

// Echo request without data: type 8, code 0, checksum, identifier, sequence.
std::array<uint8_t, IcmpHeaderSize> buildEchoRequest(uint16_t identifier, uint16_t sequence) noexcept;

// A whole IPv4 packet as a raw socket reads it.
Verdict judgeIpPacket(const uint8_t* bytes, size_t size, const Expected& expected) noexcept;
// An ICMP message without its IP header, as an ICMP datagram socket reads it;
// the sender comes from the socket.
Verdict judgeIcmpMessage(const uint8_t* bytes, size_t size, uint32_t from, const Expected& expected) noexcept;
// The start of a quoted ICMP echo request (as the error queue of a datagram
// socket gives it, without IP header), to the original destination.
bool quotesRequest(const uint8_t* bytes, size_t size, uint32_t originalDestination,
                   const Expected& expected) noexcept;

// How a packet to be judged was read.
enum class Form {
    IpPacket,       // a whole IPv4 packet, as a raw socket reads it
    IcmpMessage,    // an ICMP message without IP header, as a datagram socket reads it
    QuotedRequest,  // the request an error quotes, as a datagram socket's error queue gives it
};
// The sequence number of the request that a packet may answer: an echo
// reply's own, or that of the echo request an error quotes. A first look
// that finds the request to judge the packet against in full; nullopt when
// the packet cannot be an answer.
std::optional<uint16_t> sequenceToJudge(const uint8_t* bytes, size_t size, Form form) noexcept;

// The kind of an ICMP error type and code.
EchoStatus statusOfError(uint8_t type, uint8_t code) noexcept;

} // namespace IcmpPacket
