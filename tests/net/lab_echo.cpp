// Catches echoes that miss answers or errors of lab hosts, take a late reply or an earlier request's error for a later request, outlast their time-out waiting for send room, or ignore an abort.
#include "net/EchoSocket.h"
#include "net/Ipv4.h"
#include "tests/Lab.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

uint32_t at(const std::string& address) { return parseDottedAddress(address); }

// The scanner's address resolution of the address has given up.
bool neighbourFailed(const std::string& address)
{
    return std::system(("ip -4 neigh show " + address + " | grep -q FAILED").c_str()) == 0;
}

template <typename Done> bool waitUntil(Done done)
{
    for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(10ms);
    return done();
}

class LabEcho : public ::testing::Test {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        socket = std::make_unique<EchoSocket>();
    }
    std::unique_ptr<EchoSocket> socket;
    const bool responderRuns = std::getenv("SCANVET_LAB_RESPONDER") != nullptr && *std::getenv("SCANVET_LAB_RESPONDER") == '1';
};

} // namespace

TEST_F(LabEcho, answersAndErrorsComeFromWhoSentThem)
{
    EXPECT_EQ(socket->kind(), Lab::socketKind() == "raw" ? EchoSocketKind::Raw : EchoSocketKind::Datagram);
    using S = EchoStatus;
    const struct { const char* to; int ttl; std::chrono::milliseconds timeout; EchoStatus status; const char* from; } cases[] = {
        {Lab::Alpha, 64, 2s, S::Answered, Lab::Alpha},
        {Lab::Far, 64, 2s, S::Answered, Lab::Far},
        {Lab::Silent, 64, 50ms, S::TimedOut, "0.0.0.0"},
        {Lab::Far, 1, 2s, S::TtlExpired, Lab::Router},
        {Lab::Far, 257, 2s, S::TtlExpired, Lab::Router},
        {Lab::FarUnreachable, 64, 2s, S::HostUnreachable, Lab::Router},
        {Lab::FarSilent, 64, 10s, S::HostUnreachable, Lab::Router},
        {Lab::Silent, 64, 10s, S::HostUnreachable, nullptr},
        {Lab::Far, 64, 2s, S::Answered, Lab::Far},
    };
    for (const auto& c : cases) {
        const EchoResult r = socket->echo(at(c.to), c.ttl, c.timeout);
        EXPECT_EQ(r.status, c.status) << c.to << " ttl " << c.ttl;
        EXPECT_TRUE(c.from == nullptr || dottedText(r.from) == c.from) << c.to << " from " << dottedText(r.from);
    }
}

TEST_F(LabEcho, lateReplyCountsForNoLaterRequest)
{
    if (!responderRuns) GTEST_SKIP() << "the lab runs no late responder";
    EXPECT_GE(socket->echo(at(Lab::Late), 64, 3s).roundTripMs, 30u) << "the late host answers late";
    EXPECT_EQ(socket->echo(at(Lab::Late), 64, 1ms).status, EchoStatus::TimedOut);
    EXPECT_EQ(socket->echo(at(Lab::Silent), 64, 100ms).status, EchoStatus::TimedOut) << "taken for the next address";
    EXPECT_EQ(socket->echo(at(Lab::Late), 64, 5ms).status, EchoStatus::TimedOut);
    // The earlier request's reply comes some 25 ms into this wait.
    EXPECT_GE(socket->echo(at(Lab::Late), 64, 3s).roundTripMs, 30u) << "the earlier request's reply was counted";
}

TEST_F(LabEcho, resolutionFailureOfAnEarlierRequestFailsNoLaterOne)
{
    ASSERT_EQ(socket->echo(at(Lab::Silent), 64, 20ms).status, EchoStatus::TimedOut);
    // Seconds later that request is reported unreachable: during a (late host's) wait or at a send.
    const char* answering = responderRuns ? Lab::Late : Lab::Alpha;
    int answered = 0;
    ASSERT_TRUE(waitUntil([&] {
        for (int i = 0; i < 4; ++i, ++answered)
            EXPECT_EQ(socket->echo(at(answering), 64, 1s).status, EchoStatus::Answered) << "after " << answered;
        return neighbourFailed(Lab::Silent);
    })) << "the neighbour entry never failed";
    EXPECT_TRUE(socket->echo(at(Lab::Alpha), 64, 1s).answered());
}

TEST_F(LabEcho, abortFromAnotherThreadEndsABlockedEchoForGood)
{
    std::atomic<pid_t> thread{0};
    EchoResult result;
    std::thread pinger([&] {
        thread = static_cast<pid_t>(syscall(SYS_gettid));
        result = socket->echo(at(Lab::Silent), 64, 10s);
    });
    EXPECT_TRUE(waitUntil([&] {
        std::ifstream call("/proc/self/task/" + std::to_string(thread.load()) + "/syscall");
        long number = -1;
        return thread != 0 && (call >> number) && number == SYS_ppoll;
    })) << "the echo never waited";
    socket->abort();
    pinger.join();
    EXPECT_EQ(result.status, EchoStatus::Aborted);
    EXPECT_FALSE(neighbourFailed(Lab::Silent)) << "it ended only when the address resolution gave up";
    EXPECT_EQ(socket->echo(at(Lab::Alpha), 64, 2s).status, EchoStatus::Aborted);
}

TEST_F(LabEcho, sweepOverSilentNeighboursKeepsEveryTimeOut)
{
    // Requests to neighbours that never answer wait in the kernel for their
    // address resolution and hold the socket's send buffer meanwhile.
    int unexpected = 0;
    for (int round = 0; round < 4; ++round)
        for (int octet = 150; octet <= 249; ++octet)
            unexpected += socket->echo(at("198.51.100." + std::to_string(octet)), 1, 1ms).status != EchoStatus::TimedOut;
    EXPECT_EQ(unexpected, 0);
    EXPECT_FALSE(neighbourFailed("198.51.100.150")) << "the sweep waited for a resolution to give up";
}
