// Catches an echo socket of either kind that misses loopback answers or their sender, or sends a time to live of 0.
#include "net/EchoSocket.h"
#include "net/Ipv4.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace std::chrono_literals;

namespace {

class LoopbackEcho : public ::testing::TestWithParam<EchoSocketKind> {
protected:
    void SetUp() override
    {
        try {
            socket = std::make_unique<EchoSocket>(GetParam());
        } catch (const PingSocketError&) {
            const bool dgram = GetParam() == EchoSocketKind::Datagram;
            GTEST_SKIP() << (dgram ? "no ping socket: ping_group_range excludes our group" : "no raw socket: needs CAP_NET_RAW");
        }
    }
    std::unique_ptr<EchoSocket> socket;
    const uint32_t loopback = parseDottedAddress("127.0.0.1");
};

} // namespace

TEST_P(LoopbackEcho, everyRequestIsAnsweredFromItsAddress)
{
    EXPECT_EQ(socket->kind(), GetParam());
    for (int i = 1; i <= 20; ++i) {
        const uint32_t to = parseDottedAddress("127.0." + std::to_string(i) + ".9");
        const EchoResult r = socket->echo(to, 64, 2s);
        ASSERT_EQ(r.status, EchoStatus::Answered) << dottedText(to);
        EXPECT_EQ(r.from, to);
        EXPECT_GT(r.ttl, 0);
    }
    EXPECT_EQ(socket->echo(loopback, 256, 2s).status, EchoStatus::SendFailed)
        << "only the low 8 bits of the time to live are sent, and Linux cannot send 0";
    EXPECT_TRUE(socket->echo(loopback, 64, 2s).answered());
}

INSTANTIATE_TEST_SUITE_P(Kinds, LoopbackEcho, ::testing::Values(EchoSocketKind::Datagram, EchoSocketKind::Raw));
