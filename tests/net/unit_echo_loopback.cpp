// Catches an echo socket or pinger that misses loopback answers or their sender, sends a time to live of 0, or whose abort from another thread fails to end the echoes or is forgotten.
#include "net/EchoSocket.h"
#include "net/Ipv4.h"
#include "net/Pinger.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

class LoopbackEcho : public ::testing::TestWithParam<EchoSocketKind> {
protected:
    void SetUp() override
    {
        try {
            socket = std::make_unique<EchoSocket>(GetParam());
        } catch (const PingSocketError&) {
            GTEST_SKIP() << (GetParam() == EchoSocketKind::Datagram
                                 ? "no ping socket: net.ipv4.ping_group_range excludes our group"
                                 : "no raw socket: needs CAP_NET_RAW");
        }
    }
    std::unique_ptr<EchoSocket> socket;
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
    EXPECT_EQ(socket->echo(parseDottedAddress("127.0.0.1"), 256, 2s).status, EchoStatus::SendFailed)
        << "only the low 8 bits of the time to live are sent, and Linux cannot send 0";
    EXPECT_TRUE(socket->echo(parseDottedAddress("127.0.0.1"), 64, 2s).answered());
}

TEST_P(LoopbackEcho, abortFromAnotherThreadEndsTheEchoesForGood)
{
    const uint32_t to = parseDottedAddress("127.0.0.1");
    ASSERT_TRUE(socket->echo(to, 64, 2s).answered());
    EchoResult last;
    std::thread pinger([&] {
        for (int round = 0; round < 100000 && (round == 0 || last.answered()); ++round) last = socket->echo(to, 64, 10s);
    });
    socket->abort();
    pinger.join();
    EXPECT_EQ(last.status, EchoStatus::Aborted);
    EXPECT_EQ(socket->echo(to, 64, 2s).status, EchoStatus::Aborted);
}

TEST_P(LoopbackEcho, pingerPingsDottedTextsInAnyClassicForm)
{
    socket.reset();
    Pinger pinger(GetParam());
    int requests = 0;
    pinger.onRequest = [&] { ++requests; };
    const std::optional<EchoResult> r = pinger.ping("127.1");
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->answered());
    EXPECT_EQ(r->from, parseDottedAddress("127.0.0.1"));
    pinger.setTtl(256);
    EXPECT_EQ(pinger.ping("127.1")->status, EchoStatus::SendFailed);
    EXPECT_EQ(requests, 2);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LoopbackEcho, ::testing::Values(EchoSocketKind::Datagram, EchoSocketKind::Raw),
                         [](const ::testing::TestParamInfo<EchoSocketKind>& kind) { return kind.param == EchoSocketKind::Datagram ? "dgram" : "raw"; });
