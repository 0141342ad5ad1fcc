// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches sweeps that hand results over out of index order, count a reply after its time-out or for another request,
// miss ICMP errors or their sender, send with a time to live of 0, deliver given-up requests after stop() or wait for
// them, outlive a stop or an abort from another thread, send while held back or stop reading then, pass the on-link
// bound or bound off-link requests by it, grow with the range, or leave the thread's timer slack changed.
#include "net/EchoSweep.h"
#include "net/Ipv4.h"
#include "net/LocalNetworks.h"
#include "tests/Lab.h"

#include <arpa/inet.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <thread>

using namespace std::chrono_literals;
using S = EchoStatus;

namespace {

using Delivered = std::vector<std::pair<size_t, EchoResult>>;
const std::string Routed = std::string(Lab::SilentRouted24).replace(8, 1, "7");  // 192.0.2.7

SweepSettings settings(std::chrono::milliseconds timeout, std::chrono::microseconds interval = 250us, int ttl = 64)
{
    SweepSettings s;
    s.timeout = timeout;
    s.interval = interval;
    s.ttl = ttl;
    return s;
}

class LabSweep : public ::testing::Test {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        m_socket = std::make_unique<EchoSocket>();
    }
    // Runs the sweep over the addresses; every result must come after those of lower index.
    Delivered run(EchoSweep& sweep, const std::vector<std::string>& to, SweepEnd end = SweepEnd::Completed,
                  const std::function<void(size_t)>& onDelivered = {}, const std::function<bool()>& mayContinue = {})
    {
        Delivered got;
        const SweepEnd ended = sweep.run(
            to.size(), [&](size_t i) { return parseLenientAddress(to.at(i)); },
            [&](size_t i, const EchoResult& r) {
                EXPECT_TRUE(got.empty() || i > got.back().first) << i << " after " << got.back().first;
                got.emplace_back(i, r);
                if (onDelivered) onDelivered(i);
            },
            mayContinue);
        EXPECT_EQ(ended, end);
        return got;
    }
    std::unique_ptr<EchoSocket> m_socket;
    const bool m_responderRuns = std::getenv("SCANVET_LAB_RESPONDER") && std::getenv("SCANVET_LAB_RESPONDER")[0] == '1';
};

bool inppoll(pid_t thread)
{
    std::ifstream call("/proc/self/task/" + std::to_string(thread) + "/syscall");
    long number = -1;
    return (call >> number) && number == SYS_ppoll;
}

template <typename Done> bool waitUntil(Done done)
{
    for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(10ms);
    return done();
}

} // namespace

TEST_F(LabSweep, resultsComeInIndexOrderEachFromItsOwnAnswer)
{
    if (!m_responderRuns) GTEST_SKIP() << "the lab runs no late responder";
    using namespace Lab;
    std::vector<std::pair<std::string, S>> silentNeighbours;
    for (int octet = 150; octet <= 249; ++octet) silentNeighbours.emplace_back("198.51.100." + std::to_string(octet), S::TimedOut);
    std::vector<std::pair<std::string, S>> errorsBetweenAnswers;
    for (int i = 0; i < 100; ++i) errorsBetweenAnswers.insert(errorsBetweenAnswers.end(), {{Far, S::TtlExpired}, {Alpha, S::Answered}});
    // The late host answers after 30 ms, the others at once; a reply after its time-out finds a later request waiting.
    const struct { const char* what; SweepSettings settings; std::vector<std::pair<std::string, S>> expected; } rows[] = {
        {"mixed", settings(2s), {{Late, S::Answered}, {Alpha, S::Answered}, {FarUnreachable, S::HostUnreachable},
                                 {Routed, S::TimedOut}, {Far, S::Answered}, {"127.0.0.1", S::Answered}, {Bravo, S::Answered}}},
        {"time to live 1", settings(2s, 250us, 1), {{Far, S::TtlExpired}, {Alpha, S::Answered}}},
        {"time to live 0", settings(2s, 250us, 256), {{Alpha, S::SendFailed}, {Bravo, S::SendFailed}}},
        {"replies after the time-out", settings(15ms, 10ms),
         {{Late, S::TimedOut}, {Late, S::TimedOut}, {Late, S::TimedOut}, {Late, S::TimedOut}, {Alpha, S::Answered}}},
        {"silent neighbours", settings(1ms, 100us, 1), silentNeighbours},
        {"errors between answers", settings(2s, 100us, 1), errorsBetweenAnswers},
    };
    const int slack = prctl(PR_GET_TIMERSLACK);
    for (const auto& row : rows) {
        EchoSweep sweep(*m_socket, row.settings);
        std::vector<std::string> to;
        for (const auto& [address, status] : row.expected) to.push_back(address);
        const Delivered got = run(sweep, to);
        ASSERT_EQ(got.size(), to.size()) << row.what;
        for (const auto& [i, r] : got) {
            EXPECT_EQ(r.status, row.expected[i].second) << row.what << ": " << to[i];
            const bool fromRouter = r.status == S::HostUnreachable || r.status == S::TtlExpired;
            EXPECT_EQ(dottedText(r.from), r.answered() ? to[i] : fromRouter ? Router : "0.0.0.0") << row.what << ": " << to[i];
            EXPECT_TRUE(!r.answered() || (r.ttl > 0 && (to[i] != Late || r.roundTripMs >= 30))) << row.what << ": " << to[i];
        }
    }
    EXPECT_EQ(prctl(PR_GET_TIMERSLACK), slack);
}

TEST_F(LabSweep, stopDeliversTheKnownResultsInOrderAndGivesUpTheWaiting)
{
    if (!m_responderRuns) GTEST_SKIP() << "the lab runs no late responder";
    // By the late host's answer the others have answered, but the silent routed address would wait 10 s.
    EchoSweep sweep(*m_socket, settings(10s, 100us));
    const Delivered got =
        run(sweep, {Lab::Late, Lab::Alpha, Routed, Lab::Bravo, Lab::Unnamed12}, SweepEnd::Stopped, [&](size_t) { sweep.stop(); });
    std::vector<size_t> indices;
    for (const auto& [i, r] : got) {
        indices.push_back(i);
        EXPECT_TRUE(r.answered()) << i;
    }
    EXPECT_EQ(indices, (std::vector<size_t>{0, 1, 3, 4}));
    EXPECT_TRUE(run(sweep, {Lab::Alpha}, SweepEnd::Stopped).empty()) << "a stopped sweep ran again";
}

TEST_F(LabSweep, stopOrAbortFromAnotherThreadEndsAWaitingSweep)
{
    for (const bool abort : {false, true}) {
        EchoSweep sweep(*m_socket, settings(10s));
        std::atomic<pid_t> thread{0};
        std::atomic<size_t> delivered{0};
        Delivered got;
        std::thread sweeper([&] {
            thread = static_cast<pid_t>(syscall(SYS_gettid));
            got = run(sweep, {Lab::Alpha, Routed}, abort ? SweepEnd::Aborted : SweepEnd::Stopped, [&](size_t) { ++delivered; });
        });
        EXPECT_TRUE(waitUntil([&] { return delivered == 1 && inppoll(thread); })) << "the sweep never waited";
        abort ? m_socket->abort() : sweep.stop();
        sweeper.join();
        EXPECT_EQ(got.size(), 1u) << "abort " << abort;
    }
    EchoSweep afterAbort(*m_socket, settings(1s));
    EXPECT_TRUE(run(afterAbort, {Lab::Alpha}, SweepEnd::Aborted).empty());
    EXPECT_EQ(afterAbort.statistics().sent, 0u);
}

TEST_F(LabSweep, heldBackSweepSendsNothingButStillReads)
{
    if (!m_responderRuns) GTEST_SKIP() << "the lab runs no late responder";
    EchoSweep sweep(*m_socket, settings(2s));
    int refused = 0;
    bool firstDelivered = false;
    const auto mayContinue = [&] { return firstDelivered || sweep.statistics().sent == 0 || (++refused, false); };
    const Delivered got = run(sweep, {Lab::Late, Lab::Alpha}, SweepEnd::Completed, [&](size_t i) {
        firstDelivered = true;
        EXPECT_TRUE(i > 0 || sweep.statistics().sent == 1) << "sent while held back";
    }, mayContinue);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(got[0].second.answered() && got[1].second.answered() && refused > 0);
}

TEST_F(LabSweep, onLinkRequestsInFlightStayWithinTheirBoundAndOffLinkOnesDoNot)
{
    if (!m_responderRuns) GTEST_SKIP() << "the lab runs no late responder";
    SweepSettings bounded = settings(2s);
    bounded.onLinkLimit = 2;
    bounded.isOnLink = [onLink = OnLink::ofSystem()](uint32_t to) { return onLink.contains(to); };
    std::vector<std::string> to;
    for (int octet = 1; octet <= 20; ++octet) to.push_back("192.0.2." + std::to_string(octet));
    for (int round = 0; round < 3; ++round)
        for (const char* host : {Lab::Late, Lab::Alpha, Lab::Bravo, Lab::Unnamed12, Lab::Unnamed13, "198.51.100.5", "198.51.100.50"})
            to.push_back(host);
    EchoSweep sweep(*m_socket, bounded);
    const Delivered got = run(sweep, to);
    ASSERT_EQ(got.size(), to.size());
    for (const auto& [i, r] : got) EXPECT_EQ(r.status, i < 20 ? S::TimedOut : S::Answered) << to[i];
    EXPECT_EQ(sweep.statistics().peakOnLink, 2u);
    EXPECT_GE(sweep.statistics().peakInFlight, 20u);
}

TEST_F(LabSweep, silentWideRangeRunsInOrderWithAFlatTable)
{
    constexpr size_t count = 65534;
    const uint32_t first = ntohl(parseLenientAddress(Lab::SilentRouted16)) + 1;
    EchoSweep sweep(*m_socket, settings(100ms, 100us));
    size_t next = 0, timedOut = 0;
    const SweepEnd end = sweep.run(
        count, [&](size_t i) { return htonl(first + static_cast<uint32_t>(i)); },
        [&](size_t i, const EchoResult& r) { timedOut += i == next++ && r.status == S::TimedOut; });
    EXPECT_EQ(end, SweepEnd::Completed);
    EXPECT_EQ(timedOut, count);
    EXPECT_EQ(sweep.statistics().sent, count);
    // 100 ms of requests 100 µs apart: a thousand, whatever the range.
    EXPECT_LT(sweep.statistics().peakTable, 4096u);
}
