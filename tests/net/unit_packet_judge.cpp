// Catches a judge that takes foreign, stale, corrupt or cut-short packets for ours, misses our replies and errors in either socket's form, or maps an error to the wrong kind.
#include "net/IcmpPacket.h"
#include "net/Ipv4.h"

#include <gtest/gtest.h>

#include <cstring>
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

Bytes ip(uint32_t from, uint32_t to, const Bytes& payload, uint8_t protocol = 1)
{
    Bytes p(20, 0);
    p[0] = 0x45;
    p[2] = uint8_t((20 + payload.size()) >> 8);
    p[3] = uint8_t(20 + payload.size());
    p[8] = 61;  // time to live
    p[9] = protocol;
    std::memcpy(&p[12], &from, 4);
    std::memcpy(&p[16], &to, 4);
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

Bytes request(uint16_t id = 0x1234, uint16_t seq = 7, uint32_t to = Target) { return ip(Us, to, icmp(8, 0, id, seq)); }
Bytes errorFromRouter(uint8_t type, uint8_t code, const Bytes& quoted) { return ip(Router, Us, icmp(type, code, 0, 0, quoted)); }
Bytes replyFrom(uint32_t from, uint16_t id = 0x1234, uint16_t seq = 7) { return ip(from, Us, icmp(0, 0, id, seq, {1, 2, 3})); }

Bytes changed(Bytes p, size_t at, uint8_t value)
{
    p.at(at) = value;
    return p;
}

Bytes cutShort(Bytes p)
{
    p.pop_back();
    return p;
}

struct Case {
    const char* what;
    Bytes packet;  // as a raw socket reads it; a datagram socket reads it without the IP header
    Kind kind;
    EchoStatus status;
    bool rawOnly;  // a fault of the IP header itself
};

} // namespace

TEST(PacketJudge, takesOnlyAnswersToThisVeryRequestInBothSocketForms)
{
    const Bytes reply = replyFrom(Target);
    const Case cases[] = {
        {"our reply", reply, Kind::Reply, EchoStatus::Answered, false},
        {"foreign identifier", replyFrom(Target, 0x1235), Kind::Ignore, {}, false},
        {"earlier sequence", replyFrom(Target, 0x1234, 6), Kind::Ignore, {}, false},
        {"foreign source", replyFrom(Router), Kind::Ignore, {}, false},
        {"bad checksum", changed(reply, reply.size() - 1, 9), Kind::Ignore, {}, false},
        {"a request is no reply", ip(Target, Us, icmp(8, 0, 0x1234, 7)), Kind::Ignore, {}, false},
        {"time exceeded quoting ours", errorFromRouter(11, 0, request()), Kind::Error, EchoStatus::TtlExpired, false},
        {"host unreachable quoting ours", errorFromRouter(3, 1, request()), Kind::Error, EchoStatus::HostUnreachable, false},
        {"error quoting a foreign identifier", errorFromRouter(3, 1, request(0x9999)), Kind::Ignore, {}, false},
        {"error quoting an earlier request", errorFromRouter(3, 1, request(0x1234, 6)), Kind::Ignore, {}, false},
        {"error quoting another destination", errorFromRouter(3, 1, request(0x1234, 7, Router)), Kind::Ignore, {}, false},
        {"error quoting UDP", errorFromRouter(3, 1, changed(request(), 9, 17)), Kind::Ignore, {}, false},
        {"error quoting a reply", errorFromRouter(3, 1, ip(Us, Target, icmp(0, 0, 0x1234, 7))), Kind::Ignore, {}, false},
        {"quote cut inside the echo header", errorFromRouter(3, 1, cutShort(request())), Kind::Ignore, {}, false},
        {"quoted header longer than the quote", errorFromRouter(3, 1, changed(request(), 0, 0x4F)), Kind::Ignore, {}, false},
        {"redirect is no answer", errorFromRouter(5, 1, request()), Kind::Ignore, {}, false},
        {"not ICMP", changed(reply, 9, 17), Kind::Ignore, {}, true},
        {"IP version 6", changed(reply, 0, 0x65), Kind::Ignore, {}, true},
        {"header shorter than 20", changed(reply, 0, 0x44), Kind::Ignore, {}, true},
        {"total length beyond what was read", changed(reply, 2, 0xFF), Kind::Ignore, {}, true},
        {"a fragment", changed(reply, 6, 0x20), Kind::Ignore, {}, true},
    };
    for (const Case& c : cases) {
        uint32_t source = 0;
        std::memcpy(&source, &c.packet[12], 4);
        const Verdict raw = judgeIpPacket(c.packet.data(), c.packet.size(), Ours);
        EXPECT_EQ(raw.what, c.kind) << c.what << " (raw)";
        if (c.kind != Kind::Ignore) {
            EXPECT_EQ(raw.status, c.status) << c.what;
            EXPECT_EQ(raw.from, source) << c.what;
            EXPECT_EQ(raw.ttl, 61) << c.what;
        }
        if (c.rawOnly) continue;
        const Verdict dgram = judgeIcmpMessage(c.packet.data() + 20, c.packet.size() - 20, source, Ours);
        EXPECT_EQ(dgram.what, c.kind) << c.what << " (datagram)";
        if (c.kind != Kind::Ignore) {
            EXPECT_EQ(dgram.status, c.status) << c.what;
        }
    }
}

TEST(PacketJudge, everyTruncationOfAnAnswerIsIgnored)
{
    for (const Bytes& whole : {replyFrom(Target), errorFromRouter(11, 0, request())}) {
        ASSERT_NE(judgeIpPacket(whole.data(), whole.size(), Ours).what, Kind::Ignore);
        for (size_t n = 0; n < whole.size(); ++n) {
            EXPECT_EQ(judgeIpPacket(whole.data(), n, Ours).what, Kind::Ignore) << n << " bytes";
            if (n >= 20) {
                EXPECT_EQ(judgeIcmpMessage(whole.data() + 20, n - 20, Target, Ours).what, Kind::Ignore) << n;
            }
        }
    }
}

TEST(PacketJudge, ownRequestIsWellFormedAndItsErrorQueueQuoteIsChecked)
{
    const auto built = buildEchoRequest(0x1234, 7);
    const Bytes ours(built.begin(), built.end());
    EXPECT_EQ(ours, icmp(8, 0, 0x1234, 7));
    EXPECT_TRUE(quotesRequest(ours.data(), ours.size(), Target, Ours));
    EXPECT_FALSE(quotesRequest(ours.data(), ours.size(), Router, Ours)) << "to another destination";
    EXPECT_FALSE(quotesRequest(ours.data(), 7, Target, Ours)) << "cut short";
    const Bytes earlier = icmp(8, 0, 0x1234, 6);
    EXPECT_FALSE(quotesRequest(earlier.data(), earlier.size(), Target, Ours));
}

TEST(PacketJudge, errorTypesAndCodesGiveTheirKinds)
{
    using S = EchoStatus;
    const struct {
        uint8_t type, code;
        EchoStatus status;
    } cases[] = {{3, 0, S::NetUnreachable},  {3, 1, S::HostUnreachable},     {3, 2, S::ProtocolUnreachable},
                 {3, 3, S::PortUnreachable}, {3, 4, S::PacketTooBig},        {3, 5, S::SourceRouteFailed},
                 {3, 6, S::NetUnreachable},  {3, 7, S::HostUnreachable},     {3, 9, S::NetUnreachable},
                 {3, 13, S::HostUnreachable}, {11, 0, S::TtlExpired},        {11, 1, S::TtlExpired},
                 {12, 0, S::ParameterProblem}, {4, 0, S::SourceQuench}};
    for (const auto& c : cases)
        EXPECT_EQ(statusOfError(c.type, c.code), c.status) << int(c.type) << "/" << int(c.code);
}
