// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches echoes that miss answers or errors of lab or loopback hosts, their sender or time to live, send a time to
// live of 0, take a late reply or an earlier request's error for a later request, outlast their time-out waiting for
// send room, ignore an abort, or leave the thread's timer slack changed.
#include "net/EchoSocket.h"
#include "net/Ipv4.h"
#include "tests/Lab.h"

#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <thread>

using namespace std::chrono_literals;
using std::chrono::milliseconds;

namespace {

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
        m_socket = std::make_unique<EchoSocket>();
    }
    EchoResult echo(const std::string& to, milliseconds timeout, int ttl = 64)
    {
        return m_socket->echo(parseLenientAddress(to), ttl, timeout);
    }
    std::unique_ptr<EchoSocket> m_socket;
    const bool m_responderRuns = std::getenv("SCANVET_LAB_RESPONDER") && std::getenv("SCANVET_LAB_RESPONDER")[0] == '1';
};

} // namespace

TEST_F(LabEcho, answersAndErrorsComeFromWhoSentThem)
{
    EXPECT_EQ(m_socket->kind(), Lab::rawSocket() ? EchoSocketKind::Raw : EchoSocketKind::Datagram);
    using S = EchoStatus;
    // A raw socket on loopback also reads its own request.
    const struct { const char* to; int ttl; milliseconds timeout; EchoStatus status; const char* from; } cases[] = {
        {Lab::Alpha, 64, 2s, S::Answered, Lab::Alpha},
        {"127.0.0.1", 64, 2s, S::Answered, "127.0.0.1"},
        {"127.0.0.1", 256, 2s, S::SendFailed, nullptr},
        {Lab::Silent, 64, 50ms, S::TimedOut, "0.0.0.0"},
        {Lab::Far, 1, 2s, S::TtlExpired, Lab::Router},
        {Lab::Far, 257, 2s, S::TtlExpired, Lab::Router},
        {Lab::FarUnreachable, 64, 2s, S::HostUnreachable, Lab::Router},
        {Lab::FarSilent, 64, 10s, S::HostUnreachable, Lab::Router},
        {Lab::Silent, 64, 10s, S::HostUnreachable, nullptr},
        {Lab::Far, 64, 2s, S::Answered, Lab::Far},
    };
    const int slack = prctl(PR_GET_TIMERSLACK);
    for (const auto& c : cases) {
        const EchoResult r = echo(c.to, c.timeout, c.ttl);
        EXPECT_EQ(r.status, c.status) << c.to << " ttl " << c.ttl;
        EXPECT_TRUE((c.from == nullptr || dottedText(r.from) == c.from) && (!r.answered() || r.ttl > 0))
            << c.to << " from " << dottedText(r.from) << " time to live " << int(r.ttl);
    }
    EXPECT_EQ(prctl(PR_GET_TIMERSLACK), slack);
}

TEST_F(LabEcho, lateReplyCountsForNoLaterRequest)
{
    if (!m_responderRuns) GTEST_SKIP() << "the lab runs no late responder";
    EXPECT_EQ(echo(Lab::Late, 1ms).status, EchoStatus::TimedOut);
    EXPECT_EQ(echo(Lab::Silent, 100ms).status, EchoStatus::TimedOut) << "taken for the next address";
    EXPECT_EQ(echo(Lab::Late, 5ms).status, EchoStatus::TimedOut);
    // The earlier request's reply comes some 25 ms into this wait; this one's answer later.
    EXPECT_GE(echo(Lab::Late, 3s).roundTripMs, 30u) << "the earlier request's reply was counted";
}

TEST_F(LabEcho, resolutionFailureOfAnEarlierRequestFailsNoLaterOne)
{
    ASSERT_EQ(echo(Lab::Silent, 20ms).status, EchoStatus::TimedOut);
    // Seconds later that request is reported unreachable: during a (late host's) wait or at a send.
    const char* answering = m_responderRuns ? Lab::Late : Lab::Alpha;
    int answered = 0;
    ASSERT_TRUE(waitUntil([&] {
        for (int i = 0; i < 4; ++i, ++answered)
            EXPECT_EQ(echo(answering, 1s).status, EchoStatus::Answered) << "after " << answered;
        return neighbourFailed(Lab::Silent);
    })) << "the neighbour entry never failed";
    EXPECT_TRUE(echo(Lab::Alpha, 1s).answered());
}

TEST_F(LabEcho, abortFromAnotherThreadEndsABlockedEchoForGood)
{
    std::atomic<pid_t> thread{0};
    EchoResult result;
    std::thread pinger([&] {
        thread = static_cast<pid_t>(syscall(SYS_gettid));
        result = echo(Lab::Silent, 10s);
    });
    EXPECT_TRUE(waitUntil([&] {
        std::ifstream call("/proc/self/task/" + std::to_string(thread.load()) + "/syscall");
        long number = -1;
        return thread != 0 && (call >> number) && number == SYS_ppoll;
    })) << "the echo never waited";
    m_socket->abort();
    pinger.join();
    EXPECT_EQ(result.status, EchoStatus::Aborted);
    EXPECT_FALSE(neighbourFailed(Lab::Silent)) << "it ended only when the address resolution gave up";
    EXPECT_EQ(echo(Lab::Alpha, 2s).status, EchoStatus::Aborted);
}

TEST_F(LabEcho, sweepOverSilentNeighboursKeepsEveryTimeOut)
{
    // Requests to silent neighbours wait in the kernel for address resolution, holding the socket's send buffer.
    int unexpected = 0;
    for (int round = 0; round < 4; ++round)
        for (int octet = 150; octet <= 249; ++octet)
            unexpected += echo("198.51.100." + std::to_string(octet), 1ms, 1).status != EchoStatus::TimedOut;
    EXPECT_EQ(unexpected, 0);
    EXPECT_FALSE(neighbourFailed("198.51.100.150")) << "the sweep waited for a resolution to give up";
}

