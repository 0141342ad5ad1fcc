// Catches echoes that miss answers or errors of lab hosts, take a late reply or an earlier request's error for a later request, outlast their time-out waiting for send room, or ignore an abort.
#include "net/EchoSocket.h"
#include "net/Ipv4.h"
#include "tests/Lab.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

uint32_t at(const char* address) { return parseDottedAddress(address); }

// The scanner's address resolution of the address has given up.
bool neighbourFailed(const char* address)
{
    FILE* out = popen((std::string("ip -4 neigh show ") + address).c_str(), "r");
    char text[512] = {};
    const size_t n = out != nullptr ? fread(text, 1, sizeof text - 1, out) : 0;
    if (out != nullptr) pclose(out);
    return std::string(text, n).find("FAILED") != std::string::npos;
}

bool responderRuns()
{
    const char* runs = std::getenv("SCANVET_LAB_RESPONDER");
    return runs != nullptr && *runs == '1';
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
};

} // namespace

TEST_F(LabEcho, answersAndErrorsComeFromWhoSentThem)
{
    EXPECT_EQ(socket->kind(), Lab::socketKind() == "raw" ? EchoSocketKind::Raw : EchoSocketKind::Datagram);
    using S = EchoStatus;
    const struct {
        const char* to;
        int ttl;
        std::chrono::milliseconds timeout;
        EchoStatus status;
        const char* from;  // nullptr: not checked
    } cases[] = {
        {Lab::Alpha, 64, 2s, S::Answered, Lab::Alpha},
        {Lab::Unnamed12, 64, 2s, S::Answered, Lab::Unnamed12},
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
        if (c.from != nullptr) {
            EXPECT_EQ(dottedText(r.from), c.from) << c.to << " ttl " << c.ttl;
        }
        if (r.answered()) {
            EXPECT_GT(r.ttl, 0) << c.to;
        }
    }
}

TEST_F(LabEcho, lateReplyCountsForNoLaterRequest)
{
    if (!responderRuns()) GTEST_SKIP() << "the lab runs no late responder";
    const EchoResult late = socket->echo(at(Lab::Late), 64, 3s);
    ASSERT_TRUE(late.answered()) << "the late host answers at all";
    EXPECT_GE(late.roundTripMs, 30u);
    EXPECT_EQ(socket->echo(at(Lab::Late), 64, 1ms).status, EchoStatus::TimedOut);
    EXPECT_EQ(socket->echo(at(Lab::Silent), 64, 100ms).status, EchoStatus::TimedOut)
        << "the late reply was taken for the next address";
    EXPECT_EQ(socket->echo(at(Lab::Late), 64, 5ms).status, EchoStatus::TimedOut);
    // The earlier request's reply comes some 25 ms into this wait.
    EXPECT_GE(socket->echo(at(Lab::Late), 64, 3s).roundTripMs, 30u) << "the earlier request's reply was counted";
}

TEST_F(LabEcho, resolutionFailureOfAnEarlierRequestFailsNoLaterOne)
{
    ASSERT_EQ(socket->echo(at(Lab::Silent), 64, 20ms).status, EchoStatus::TimedOut);
    // Some seconds later the kernel reports that request unreachable, during a
    // later wait or as an error pending on the socket at the next send.
    // The late host keeps the echoes waiting for most of the time.
    const char* answering = responderRuns() ? Lab::Late : Lab::Alpha;
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
    // Waits until the echo sleeps in ppoll.
    const auto blocked = [&] {
        std::ifstream call("/proc/self/task/" + std::to_string(thread.load()) + "/syscall");
        long number = -1;
        return thread != 0 && (call >> number) && number == SYS_ppoll;
    };
    EXPECT_TRUE(waitUntil(blocked));
    socket->abort();
    pinger.join();
    EXPECT_EQ(result.status, EchoStatus::Aborted) << "it ended by time-out or error, not by the abort";
    EXPECT_FALSE(neighbourFailed(Lab::Silent)) << "it ended only when the address resolution gave up";
    EXPECT_EQ(socket->echo(at(Lab::Alpha), 64, 2s).status, EchoStatus::Aborted);
}

TEST_F(LabEcho, sweepOverSilentNeighboursKeepsEveryTimeOut)
{
    // Requests to neighbours that never answer wait in the kernel for their
    // address resolution and hold the socket's send buffer meanwhile.
    std::vector<std::string> unexpected;
    for (int round = 0; round < 4; ++round)
        for (int octet = 150; octet <= 249; ++octet) {
            const std::string to = "198.51.100." + std::to_string(octet);
            const EchoStatus status = socket->echo(at(to.c_str()), 1, 1ms).status;
            if (status != EchoStatus::TimedOut) unexpected.push_back(to + ": " + std::to_string(int(status)));
        }
    EXPECT_TRUE(unexpected.empty()) << unexpected.size() << " unexpected, first " << unexpected.front();
    EXPECT_FALSE(neighbourFailed("198.51.100.150")) << "the sweep waited for a resolution to give up";
}
