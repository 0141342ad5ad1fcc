// Catches a judge that takes foreign, stale, corrupt or cut-short packets for ours, misses our replies and errors in either socket's form, or maps an error to the wrong kind.
#include "net/IcmpPacket.h"
#include "net/Ipv4.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

using namespace IcmpPacket;
using Bytes = std::vector<uint8_t>;

namespace {

const uint32_t Target = parseDottedAddress("198.51.100.10");
const uint32_t Router = parseDottedAddress("198.51.100.254");
const uint32_t Us = parseDottedAddress("198.51.100.2");
const Expected Ours{Target, 0x1234, 7};

Bytes icmp(uint8_t type, uint8_t code, uint16_t id, uint16_t seq, const Bytes& rest = {})
{
    Bytes m{type, code, 0, 0, uint8_t(id >> 8), uint8_t(id), uint8_t(seq >> 8), uint8_t(seq)};
    m.insert(m.end(), rest.begin(), rest.end());
    const uint16_t sum = checksum(m.data(), m.size());
    m[2] = uint8_t(sum >> 8);
    m[3] = uint8_t(sum);
    return m;
}

// As a raw socket reads it: time to live 61, protocol ICMP.
Bytes ip(uint32_t from, uint32_t to, const Bytes& payload)
{
    Bytes p{0x45, 0, uint8_t((20 + payload.size()) >> 8), uint8_t(20 + payload.size()), 0, 0, 0, 0, 61, 1};
    p.resize(20);
    std::memcpy(&p[12], &from, 4);
    std::memcpy(&p[16], &to, 4);
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

Bytes request(uint16_t id = 0x1234, uint16_t seq = 7, uint32_t to = Target) { return ip(Us, to, icmp(8, 0, id, seq)); }
Bytes reply(uint32_t from = Target, uint16_t id = 0x1234, uint16_t seq = 7) { return ip(from, Us, icmp(0, 0, id, seq, {1, 2})); }
Bytes routerError(uint8_t type, uint8_t code, const Bytes& quoted) { return ip(Router, Us, icmp(type, code, 0, 0, quoted)); }

Bytes changed(Bytes p, size_t at, uint8_t value)
{
    p.at(at) = value;
    return p;
}

} // namespace

TEST(PacketJudge, takesOnlyAnswersToThisVeryRequestInBothSocketForms)
{
    Bytes cutQuote = request();
    cutQuote.pop_back();
    // A datagram socket reads the packet without its IP header; rawOnly: a fault of the IP header itself.
    const struct { const char* what; Bytes packet; Kind kind; EchoStatus status; bool rawOnly; } cases[] = {
        {"our reply", reply(), Kind::Reply, EchoStatus::Answered, false},
        {"foreign identifier", reply(Target, 0x1235), Kind::Ignore, {}, false},
        {"earlier sequence", reply(Target, 0x1234, 6), Kind::Ignore, {}, false},
        {"foreign source", reply(Router), Kind::Ignore, {}, false},
        {"bad checksum", changed(reply(), 29, 9), Kind::Ignore, {}, false},
        {"time exceeded quoting ours", routerError(11, 0, request()), Kind::Error, EchoStatus::TtlExpired, false},
        {"host unreachable quoting ours", routerError(3, 1, request()), Kind::Error, EchoStatus::HostUnreachable, false},
        {"error quoting a foreign identifier", routerError(3, 1, request(0x9999)), Kind::Ignore, {}, false},
        {"error quoting an earlier request", routerError(3, 1, request(0x1234, 6)), Kind::Ignore, {}, false},
        {"error quoting another destination", routerError(3, 1, request(0x1234, 7, Router)), Kind::Ignore, {}, false},
        {"error quoting UDP", routerError(3, 1, changed(request(), 9, 17)), Kind::Ignore, {}, false},
        {"quote cut inside the echo header", routerError(3, 1, cutQuote), Kind::Ignore, {}, false},
        {"quoted header longer than the quote", routerError(3, 1, changed(request(), 0, 0x4F)), Kind::Ignore, {}, false},
        {"redirect is no answer", routerError(5, 1, request()), Kind::Ignore, {}, false},
        {"not ICMP", changed(reply(), 9, 17), Kind::Ignore, {}, true},
        {"IP version 6", changed(reply(), 0, 0x65), Kind::Ignore, {}, true},
        {"header shorter than 20", changed(reply(), 0, 0x44), Kind::Ignore, {}, true},
        {"total length beyond what was read", changed(reply(), 2, 0xFF), Kind::Ignore, {}, true},
        {"a fragment", changed(reply(), 6, 0x20), Kind::Ignore, {}, true},
    };
    for (const auto& c : cases) {
        uint32_t source = 0;
        std::memcpy(&source, &c.packet[12], 4);
        const Verdict raw = judgeIpPacket(c.packet.data(), c.packet.size(), Ours);
        const Verdict dgram = judgeIcmpMessage(c.packet.data() + 20, c.packet.size() - 20, source, Ours);
        EXPECT_EQ(raw.what, c.kind) << c.what << " (raw)";
        EXPECT_TRUE(c.rawOnly || dgram.what == c.kind) << c.what << " (datagram)";
        if (c.kind == Kind::Ignore) continue;
        EXPECT_EQ(raw.status, c.status) << c.what;
        EXPECT_EQ(dgram.status, c.status) << c.what;
        EXPECT_EQ(raw.from, source) << c.what;
        EXPECT_EQ(raw.ttl, 61) << c.what;
    }
}

TEST(PacketJudge, errorTypesAndCodesGiveTheirKinds)
{
    using S = EchoStatus;
    const std::tuple<int, int, EchoStatus> cases[] = {
        {3, 0, S::NetUnreachable},   {3, 1, S::HostUnreachable}, {3, 2, S::ProtocolUnreachable}, {3, 3, S::PortUnreachable},
        {3, 4, S::PacketTooBig},     {3, 5, S::SourceRouteFailed}, {3, 6, S::NetUnreachable},    {3, 7, S::HostUnreachable},
        {3, 9, S::NetUnreachable},   {3, 13, S::HostUnreachable}, {11, 0, S::TtlExpired},        {11, 1, S::TtlExpired},
        {12, 0, S::ParameterProblem}, {4, 0, S::SourceQuench}};
    for (const auto& [type, code, status] : cases)
        EXPECT_EQ(statusOfError(uint8_t(type), uint8_t(code)), status) << type << "/" << code;
}
