#include "net/Common.h"
#include "net/IcmpPacket.h"
#include "net/IcmpService.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace IcmpPacket;

namespace {

const uint32_t Target = ParseDottedAddress("198.51.100.10");
const uint32_t Router = ParseDottedAddress("198.51.100.254");
const uint32_t Us = ParseDottedAddress("198.51.100.2");
const Expected Ours{Target, 0x1234, 7};

void SetChecksum(std::vector<uint8_t>& icmp)
{
    icmp[2] = icmp[3] = 0;
    const uint16_t sum = Checksum(icmp.data(), icmp.size());
    icmp[2] = static_cast<uint8_t>(sum >> 8);
    icmp[3] = static_cast<uint8_t>(sum);
}

std::vector<uint8_t> Ip(uint32_t from, uint32_t to, const std::vector<uint8_t>& payload, uint8_t protocol = 1,
                        uint8_t ttl = 61, size_t optionWords = 0)
{
    const size_t header = 20 + optionWords * 4;
    std::vector<uint8_t> p(header, 0);
    p[0] = static_cast<uint8_t>(0x40 | (header / 4));
    const size_t total = header + payload.size();
    p[2] = static_cast<uint8_t>(total >> 8);
    p[3] = static_cast<uint8_t>(total);
    p[8] = ttl;
    p[9] = protocol;
    std::memcpy(&p[12], &from, 4);
    std::memcpy(&p[16], &to, 4);
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

std::vector<uint8_t> EchoReply(uint16_t id, uint16_t seq, std::vector<uint8_t> data = {1, 2, 3, 4, 5})
{
    std::vector<uint8_t> m = BuildEchoRequest(id, seq, data.data(), data.size());
    m[0] = TypeEchoReply;
    SetChecksum(m);
    return m;
}

// An ICMP error that quotes the IP header and the first 8 bytes of a request.
std::vector<uint8_t> ErrorMessage(uint8_t type, uint8_t code, const std::vector<uint8_t>& quotedPacket)
{
    std::vector<uint8_t> m{type, code, 0, 0, 0, 0, 0, 0};
    m.insert(m.end(), quotedPacket.begin(), quotedPacket.begin() + std::min<size_t>(quotedPacket.size(), 28));
    SetChecksum(m);
    return m;
}

std::vector<uint8_t> OurRequestOnTheWire(uint16_t id = 0x1234, uint16_t seq = 7, uint32_t to = Target)
{
    return Ip(Us, to, BuildEchoRequest(id, seq, "abcdefgh", 8), 1, 1);
}

Verdict Judge(const std::vector<uint8_t>& packet) { return JudgeIpPacket(packet.data(), packet.size(), Ours); }

} // namespace

TEST(EchoRequestBuilding, carriesIdentifierSequenceDataAndAValidChecksum)
{
    const char data[] = "odd";
    const auto m = BuildEchoRequest(0xBEEF, 0x0102, data, 3);
    ASSERT_EQ(m.size(), 11u);
    EXPECT_EQ(m[0], TypeEchoRequest);
    EXPECT_EQ(m[4], 0xBE);
    EXPECT_EQ(m[5], 0xEF);
    EXPECT_EQ(m[6], 0x01);
    EXPECT_EQ(m[7], 0x02);
    EXPECT_EQ(std::string(m.begin() + 8, m.end()), "odd");
    EXPECT_EQ(Checksum(m.data(), m.size()), 0);

    const auto zeros = BuildEchoRequest(1, 2, nullptr, 4);
    EXPECT_EQ(std::vector<uint8_t>(zeros.begin() + 8, zeros.end()), std::vector<uint8_t>(4, 0));
    EXPECT_EQ(Checksum(zeros.data(), zeros.size()), 0);
}

TEST(ReplyJudging, acceptsOnlyTheReplyToThisVeryRequest)
{
    const Verdict v = Judge(Ip(Target, Us, EchoReply(0x1234, 7)));
    EXPECT_EQ(v.What, Kind::Reply);
    EXPECT_EQ(v.Status, IP_SUCCESS);
    EXPECT_EQ(v.From, Target);
    EXPECT_EQ(v.Ttl, 61);
    EXPECT_EQ(v.DataOffset, 28u);
    EXPECT_EQ(v.DataSize, 5u);

    EXPECT_EQ(Judge(Ip(Target, Us, EchoReply(0x1235, 7))).What, Kind::Ignore) << "someone else's ping";
    EXPECT_EQ(Judge(Ip(Target, Us, EchoReply(0x1234, 6))).What, Kind::Ignore) << "late reply to an earlier request";
    EXPECT_EQ(Judge(Ip(Router, Us, EchoReply(0x1234, 7))).What, Kind::Ignore) << "from another host";
    EXPECT_EQ(Judge(Ip(Target, Us, BuildEchoRequest(0x1234, 7, nullptr, 0))).What, Kind::Ignore)
        << "a request is no reply";
    EXPECT_EQ(Judge(Ip(Target, Us, EchoReply(0x1234, 7), 17)).What, Kind::Ignore) << "not ICMP";

    auto corrupt = EchoReply(0x1234, 7);
    corrupt.back() ^= 0x40;
    EXPECT_EQ(Judge(Ip(Target, Us, corrupt)).What, Kind::Ignore) << "bad checksum";
}

TEST(ReplyJudging, findsTheMessageBehindIpOptions)
{
    const Verdict v = Judge(Ip(Target, Us, EchoReply(0x1234, 7), 1, 61, 3));
    EXPECT_EQ(v.What, Kind::Reply);
    EXPECT_EQ(v.DataOffset, 40u);
    EXPECT_EQ(v.DataSize, 5u);
}

TEST(ReplyJudging, datagramSocketFormHasNoIpHeader)
{
    const auto m = EchoReply(0x1234, 7);
    const Verdict v = JudgeIcmpMessage(m.data(), m.size(), Target, Ours);
    EXPECT_EQ(v.What, Kind::Reply);
    EXPECT_EQ(v.DataOffset, 8u);
    EXPECT_EQ(v.DataSize, 5u);
    EXPECT_EQ(JudgeIcmpMessage(m.data(), m.size(), Router, Ours).What, Kind::Ignore);
    EXPECT_EQ(JudgeIcmpMessage(m.data(), 7, Target, Ours).What, Kind::Ignore);
    EXPECT_EQ(JudgeIcmpMessage(nullptr, 0, Target, Ours).What, Kind::Ignore);
}

TEST(ErrorJudging, errorsQuotingOurRequestEndItWithTheirStatus)
{
    const Verdict ttl = Judge(Ip(Router, Us, ErrorMessage(TypeTimeExceeded, 0, OurRequestOnTheWire())));
    EXPECT_EQ(ttl.What, Kind::Error);
    EXPECT_EQ(ttl.Status, IP_TTL_EXPIRED_TRANSIT);
    EXPECT_EQ(ttl.From, Router);

    const Verdict host = Judge(Ip(Router, Us, ErrorMessage(TypeDestUnreachable, 1, OurRequestOnTheWire())));
    EXPECT_EQ(host.What, Kind::Error);
    EXPECT_EQ(host.Status, IP_DEST_HOST_UNREACHABLE);
}

TEST(ErrorJudging, errorsAboutOtherPacketsAreIgnored)
{
    auto ignored = [](const std::vector<uint8_t>& quoted) {
        return Judge(Ip(Router, Us, ErrorMessage(TypeDestUnreachable, 1, quoted))).What == Kind::Ignore;
    };
    EXPECT_TRUE(ignored(OurRequestOnTheWire(0x9999))) << "another program's identifier";
    EXPECT_TRUE(ignored(OurRequestOnTheWire(0x1234, 6))) << "an earlier request";
    EXPECT_TRUE(ignored(OurRequestOnTheWire(0x1234, 7, Router))) << "another destination";
    EXPECT_TRUE(ignored(Ip(Us, Target, BuildEchoRequest(0x1234, 7, nullptr, 0), 17))) << "quoted UDP";
    EXPECT_TRUE(ignored(Ip(Us, Target, EchoReply(0x1234, 7)))) << "quoted reply";
    auto quoted = OurRequestOnTheWire();
    quoted.resize(24);
    EXPECT_TRUE(ignored(quoted)) << "quote too short for the ICMP header";
    quoted = OurRequestOnTheWire();
    quoted[0] = 0x4F;  // header claims 60 bytes
    EXPECT_TRUE(ignored(quoted)) << "quoted header longer than the quote";
    quoted[0] = 0x44;  // header claims 16 bytes
    EXPECT_TRUE(ignored(quoted)) << "quoted header shorter than the minimum";

    // Types that are no answer to an echo.
    std::vector<uint8_t> redirect = ErrorMessage(5, 1, OurRequestOnTheWire());
    EXPECT_EQ(Judge(Ip(Router, Us, redirect)).What, Kind::Ignore);
}

TEST(ErrorJudging, statusOfEveryErrorKind)
{
    struct Case {
        uint8_t type, code;
        uint32_t status;
    };
    for (const Case c : {Case{3, 0, IP_DEST_NET_UNREACHABLE}, Case{3, 1, IP_DEST_HOST_UNREACHABLE},
                         Case{3, 2, IP_DEST_PROT_UNREACHABLE}, Case{3, 3, IP_DEST_PORT_UNREACHABLE},
                         Case{3, 4, IP_PACKET_TOO_BIG}, Case{3, 5, IP_BAD_ROUTE}, Case{3, 6, IP_DEST_NET_UNREACHABLE},
                         Case{3, 7, IP_DEST_HOST_UNREACHABLE}, Case{3, 13, IP_DEST_HOST_UNREACHABLE},
                         Case{3, 200, IP_DEST_HOST_UNREACHABLE}, Case{11, 0, IP_TTL_EXPIRED_TRANSIT},
                         Case{11, 1, IP_TTL_EXPIRED_REASSEM}, Case{12, 0, IP_PARAM_PROBLEM},
                         Case{4, 0, IP_SOURCE_QUENCH}})
        EXPECT_EQ(StatusOfError(c.type, c.code), c.status) << int(c.type) << "/" << int(c.code);
}

TEST(MalformedPackets, everyTruncationOfAnAnswerIsIgnored)
{
    for (const auto& whole : {Ip(Target, Us, EchoReply(0x1234, 7)),
                              Ip(Router, Us, ErrorMessage(TypeTimeExceeded, 0, OurRequestOnTheWire()))}) {
        ASSERT_NE(Judge(whole).What, Kind::Ignore);
        for (size_t n = 0; n < whole.size(); ++n)
            EXPECT_EQ(JudgeIpPacket(whole.data(), n, Ours).What, Kind::Ignore) << n << " bytes";
    }
}

TEST(MalformedPackets, brokenIpHeadersAreIgnored)
{
    const auto good = Ip(Target, Us, EchoReply(0x1234, 7));
    auto p = good;
    p[0] = 0x65;  // version 6
    EXPECT_EQ(Judge(p).What, Kind::Ignore);
    p = good;
    p[0] = 0x44;  // header length 16
    EXPECT_EQ(Judge(p).What, Kind::Ignore);
    p = good;
    p[0] = 0x4F;  // header length 60, longer than the packet's options
    EXPECT_EQ(Judge(p).What, Kind::Ignore);
    p = good;
    p[2] = 0xFF;  // total length beyond what was read
    EXPECT_EQ(Judge(p).What, Kind::Ignore);
    p = good;
    p[3] = 10;
    p[2] = 0;  // total length shorter than the header
    EXPECT_EQ(Judge(p).What, Kind::Ignore);
    p = good;
    p[6] = 0x20;  // more fragments
    EXPECT_EQ(Judge(p).What, Kind::Ignore);
    EXPECT_EQ(JudgeIpPacket(nullptr, 0, Ours).What, Kind::Ignore);

    // Padding after the claimed total length is not part of the message.
    p = good;
    p.push_back(0xAA);
    EXPECT_EQ(Judge(p).What, Kind::Reply);
}

TEST(MalformedPackets, anyBytesGiveAVerdictWithinTheBuffer)
{
    std::mt19937 random(12345);
    const std::vector<std::vector<uint8_t>> seeds{
        Ip(Target, Us, EchoReply(0x1234, 7)), Ip(Router, Us, ErrorMessage(TypeTimeExceeded, 0, OurRequestOnTheWire())),
        Ip(Router, Us, ErrorMessage(TypeDestUnreachable, 1, OurRequestOnTheWire()))};
    for (int round = 0; round < 20000; ++round) {
        std::vector<uint8_t> p = seeds[static_cast<size_t>(round) % seeds.size()];
        if (round % 4 == 0) {
            p.resize(random() % 80);
            for (auto& b : p) b = static_cast<uint8_t>(random());
        } else {
            for (int flips = 1 + static_cast<int>(random() % 3); flips > 0; --flips)
                p[random() % p.size()] = static_cast<uint8_t>(random());
            p.resize(random() % (p.size() + 1));
        }
        const Verdict v = JudgeIpPacket(p.data(), p.size(), Ours);
        if (v.What == Kind::Reply) {
            EXPECT_LE(v.DataOffset + v.DataSize, p.size());
            EXPECT_EQ(v.From, Target);
        }
        const Verdict m = JudgeIcmpMessage(p.data(), p.size(), Target, Ours);
        if (m.What == Kind::Reply) {
            EXPECT_LE(m.DataOffset + m.DataSize, p.size());
        }
        (void)QuotesRequest(p.data(), p.size(), Target, Ours);
    }
}

TEST(QuotedRequests, datagramErrorQueueQuoteIsCheckedLikeARawOne)
{
    const auto request = BuildEchoRequest(0x1234, 7, nullptr, 0);
    EXPECT_TRUE(QuotesRequest(request.data(), request.size(), Target, Ours));
    EXPECT_FALSE(QuotesRequest(request.data(), request.size(), Router, Ours));
    EXPECT_FALSE(QuotesRequest(request.data(), 7, Target, Ours));
    const auto earlier = BuildEchoRequest(0x1234, 6, nullptr, 0);
    EXPECT_FALSE(QuotesRequest(earlier.data(), earlier.size(), Target, Ours));
    const auto reply = EchoReply(0x1234, 7);
    EXPECT_FALSE(QuotesRequest(reply.data(), reply.size(), Target, Ours));
    EXPECT_FALSE(QuotesRequest(nullptr, 0, Target, Ours));
}
