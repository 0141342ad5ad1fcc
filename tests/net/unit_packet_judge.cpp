// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches a judge that takes foreign, stale, corrupt, cut-short or non-answer packets for ours, misses our replies
// and errors in either socket's form, gives an error the wrong kind, or names the wrong request to judge against.
#include "net/IcmpPacket.h"
#include "net/Ipv4.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace IcmpPacket;
using Bytes = std::vector<uint8_t>;

namespace {

const Bytes Target{198, 51, 100, 10}, Us{198, 51, 100, 2}, Router{198, 51, 100, 254};
const uint16_t Id = 0x1234, Seq = 7;

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
Bytes ip(const Bytes& from, const Bytes& to, const Bytes& payload)
{
    Bytes p{0x45, 0, uint8_t((20 + payload.size()) >> 8), uint8_t(20 + payload.size()), 0, 0, 0, 0, 61, 1, 0, 0};
    for (const Bytes* part : {&from, &to, &payload}) p.insert(p.end(), part->begin(), part->end());
    return p;
}

Bytes request(uint16_t seq = Seq, const Bytes& to = Target) { return ip(Us, to, icmp(8, 0, Id, seq)); }
Bytes reply(const Bytes& from = Target, uint16_t id = Id, uint16_t seq = Seq) { return ip(from, Us, icmp(0, 0, id, seq)); }
Bytes fromRouter(uint8_t type, uint8_t code, const Bytes& quote) { return ip(Router, Us, icmp(type, code, 0, 0, quote)); }

} // namespace

TEST(PacketJudge, takesOnlyAnswersToThisVeryRequestInBothSocketForms)
{
    const auto changed = [](Bytes p, size_t at, uint8_t value) { p.at(at) = value; return p; };
    // A datagram socket reads the packet without its IP header; rawOnly: a fault of the IP header itself.
    const struct { const char* what; Bytes packet; Kind kind; EchoStatus status; bool rawOnly; } cases[] = {
        {"our reply", reply(), Kind::Reply, EchoStatus::Answered, false},
        {"bad checksum", changed(reply(), 22, 9), Kind::Ignore, {}, false},
        {"time exceeded quoting ours", fromRouter(11, 0, request()), Kind::Error, EchoStatus::TtlExpired, false},
        {"host unreachable", fromRouter(3, 1, request()), Kind::Error, EchoStatus::HostUnreachable, false},
        {"error quoting an earlier request", fromRouter(3, 1, request(Seq - 1)), Kind::Ignore, {}, false},
        {"redirect is no answer", fromRouter(5, 1, request()), Kind::Ignore, {}, false},
        {"not ICMP", changed(reply(), 9, 17), Kind::Ignore, {}, true},
        {"header shorter than 20", changed(reply(), 0, 0x44), Kind::Ignore, {}, true},
        {"total length beyond what was read", changed(reply(), 2, 0xFF), Kind::Ignore, {}, true},
        {"a fragment", changed(reply(), 6, 0x20), Kind::Ignore, {}, true},
    };
    const Expected ours{parseLenientAddress("198.51.100.10"), Id, Seq};
    for (const auto& c : cases) {
        uint32_t source = 0;
        std::memcpy(&source, &c.packet[12], 4);
        const Verdict raw = judgeIpPacket(c.packet.data(), c.packet.size(), ours);
        const Verdict dgram = judgeIcmpMessage(c.packet.data() + 20, c.packet.size() - 20, source, ours);
        EXPECT_EQ(raw.what, c.kind) << c.what << " (raw)";
        EXPECT_TRUE(c.rawOnly || dgram.what == c.kind) << c.what << " (datagram)";
        if (c.kind == Kind::Ignore) continue;
        EXPECT_TRUE(raw.status == c.status && dgram.status == c.status) << c.what;
        EXPECT_TRUE(raw.from == source && raw.ttl == 61) << c.what;
        EXPECT_TRUE(sequenceToJudge(c.packet.data(), c.packet.size(), Form::IpPacket) == Seq &&
                    sequenceToJudge(c.packet.data() + 20, c.packet.size() - 20, Form::IcmpMessage) == Seq)
            << c.what << " (sequence to judge)";
    }
}
