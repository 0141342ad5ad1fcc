// The echo engine against the lab's hosts: answers, silence, late answers,
// ICMP errors and names. Runs once per socket kind.
#include "net/Icmp.h"
#include "tests/Lab.h"
#include "tests/net/NetTestSupport.h"

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

class LabEcho : public ::testing::Test {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        Icmp = std::make_unique<TICMP>();
        Icmp->Size = 0;
        Icmp->TTL = 64;
        Icmp->OnDisplay = [this](TICMP*, const std::string& msg) { Events.push_back("display:" + msg); };
        Icmp->OnEchoRequest = [this](TICMP*) { Events.push_back("request"); };
        Icmp->OnEchoReply = [this](TICMP*, int32_t count) { Events.push_back("reply:" + std::to_string(count)); };
    }

    int32_t PingOnce(const std::string& address, int32_t timeoutMs)
    {
        Icmp->SetAddress(address);
        Icmp->Timeout = timeoutMs;
        return Icmp->Ping();
    }

    static bool ResponderRuns() { return std::getenv("SCANVET_LAB_RESPONDER") != nullptr && *std::getenv("SCANVET_LAB_RESPONDER") == '1'; }

    std::unique_ptr<TICMP> Icmp;
    std::vector<std::string> Events;
};

} // namespace

TEST_F(LabEcho, usesTheSocketKindTheLabAllows)
{
    const IcmpHandle h = IcmpCreateFile();
    ASSERT_NE(h, INVALID_ICMP_HANDLE);
    IcmpSocketKind kind{};
    ASSERT_TRUE(IcmpHandleKind(h, kind));
    EXPECT_STREQ(NetTest::KindName(kind), Lab::SocketKind() == "raw" ? "raw" : "datagram");
    IcmpCloseHandle(h);
}

TEST_F(LabEcho, answeringHostGivesOneReplyWithItsAddressAndTime)
{
    EXPECT_EQ(PingOnce(Lab::Alpha, 2000), 1);
    EXPECT_EQ(Icmp->LastError(), 0u);
    EXPECT_EQ(Icmp->Reply().Address, ParseDottedAddress(Lab::Alpha));
    EXPECT_EQ(Icmp->Reply().Status, IP_SUCCESS);
    EXPECT_LT(Icmp->Reply().RoundTripTime, 2000u);
    EXPECT_EQ(Events, (std::vector<std::string>{"request", "reply:1"}));
    for (const char* host : {Lab::Echo5, Lab::Bravo, Lab::Unnamed12, Lab::Echo50, Lab::Router, Lab::Far})
        EXPECT_EQ(PingOnce(host, 2000), 1) << host;
}

TEST_F(LabEcho, silentAddressTimesOut)
{
    EXPECT_EQ(PingOnce(Lab::Silent, 50), 0);
    EXPECT_EQ(Icmp->LastError(), IP_REQ_TIMED_OUT);
    EXPECT_EQ(Icmp->Reply().Status, IP_REQ_TIMED_OUT);
    EXPECT_EQ(Events, (std::vector<std::string>{"request", "reply:0"}));
}

TEST_F(LabEcho, errorLeftPendingByAnEarlierRequestSpoilsNoLaterOne)
{
    ASSERT_EQ(PingOnce(Lab::Silent, 20), 0);
    // The address look-up gives up some seconds later; the kernel then
    // reports the earlier request unreachable and leaves the error pending
    // on our socket, where it would fail the next send.
    ASSERT_TRUE(NetTest::WaitUntil([] { return NetTest::NeighbourFailed(Lab::Silent); }))
        << "the neighbour entry never failed";
    EXPECT_EQ(PingOnce(Lab::Alpha, 1000), 1);
    EXPECT_EQ(Icmp->LastError(), 0u);
    EXPECT_EQ(PingOnce(Lab::Bravo, 1000), 1);
}

TEST_F(LabEcho, errorOfAnEarlierRequestArrivingDuringALaterOneIsIgnored)
{
    ASSERT_EQ(PingOnce(Lab::Silent, 20), 0);
    // The late host keeps us waiting most of the time, so the error of the
    // first request likely comes in while a later one waits.
    const char* answering = ResponderRuns() ? Lab::Late : Lab::Alpha;
    int answered = 0;
    const bool failed = NetTest::WaitUntil([&] {
        EXPECT_EQ(PingOnce(answering, 1000), 1) << "after " << answered << " answers";
        ++answered;
        return NetTest::NeighbourFailed(Lab::Silent);
    });
    ASSERT_TRUE(failed) << "the neighbour entry never failed";
    EXPECT_EQ(PingOnce(Lab::Alpha, 1000), 1);
}

TEST_F(LabEcho, unreachableNeighbourOfThisRequestIsReportedAsHostUnreachable)
{
    EXPECT_EQ(PingOnce(Lab::Silent, 10000), 0);
    EXPECT_EQ(Icmp->LastError(), IP_DEST_HOST_UNREACHABLE);
}

TEST_F(LabEcho, routerReportsItsOwnFailures)
{
    Icmp->TTL = 1;
    EXPECT_EQ(PingOnce(Lab::Far, 2000), 0);
    EXPECT_EQ(Icmp->LastError(), IP_TTL_EXPIRED_TRANSIT);
    EXPECT_EQ(Icmp->Reply().Address, ParseDottedAddress(Lab::Router));
    EXPECT_EQ(Icmp->Reply().Status, IP_TTL_EXPIRED_TRANSIT);

    Icmp->TTL = 64;
    EXPECT_EQ(PingOnce(Lab::FarUnreachable, 2000), 0);
    EXPECT_EQ(Icmp->LastError(), IP_DEST_HOST_UNREACHABLE);
    EXPECT_EQ(Icmp->Reply().Address, ParseDottedAddress(Lab::Router));

    EXPECT_EQ(PingOnce(Lab::FarSilent, 10000), 0);
    EXPECT_EQ(Icmp->LastError(), IP_DEST_HOST_UNREACHABLE);

    EXPECT_EQ(PingOnce(Lab::Far, 2000), 1) << "the errors leave nothing behind";
}

TEST_F(LabEcho, lateReplyCountsForNoLaterRequest)
{
    if (!ResponderRuns()) GTEST_SKIP() << "the lab runs no late responder";
    ASSERT_EQ(PingOnce(Lab::Late, 3000), 1) << "the late host answers at all";
    EXPECT_GE(Icmp->Reply().RoundTripTime, 30u);

    EXPECT_EQ(PingOnce(Lab::Late, 5), 0);
    EXPECT_EQ(Icmp->LastError(), IP_REQ_TIMED_OUT);
    EXPECT_EQ(PingOnce(Lab::Silent, 100), 0) << "the late reply was taken for the silent address";
    EXPECT_EQ(Icmp->LastError(), IP_REQ_TIMED_OUT);

    EXPECT_EQ(PingOnce(Lab::Late, 5), 0);
    ASSERT_EQ(PingOnce(Lab::Late, 3000), 1);
    // The earlier request's reply would have come 25 ms into this wait.
    EXPECT_GE(Icmp->Reply().RoundTripTime, 30u) << "the reply to the earlier request was counted";
}

TEST_F(LabEcho, unresolvableNameSendsNothing)
{
    EXPECT_EQ(PingOnce("nosuchhost.lab", 2000), 0);
    EXPECT_EQ(Icmp->LastError(), IP_BAD_DESTINATION);
    EXPECT_EQ(Events,
              (std::vector<std::string>{"display:Unable to resolve nosuchhost.lab", "display:Invalid host address"}));
    EXPECT_FALSE(Icmp->AddressResolved());
    Events.clear();
    EXPECT_EQ(Icmp->Ping(), 0) << "a failed resolution is tried again";
    EXPECT_EQ(Events.size(), 2u);
}

TEST_F(LabEcho, nameResolvesToItsOfficialNameAndFirstAddress)
{
    EXPECT_EQ(PingOnce("alpha", 2000), 1);
    EXPECT_EQ(Icmp->HostName(), "alpha.lab");
    EXPECT_EQ(Icmp->HostIP(), Lab::Alpha);
    EXPECT_EQ(Icmp->Reply().Address, ParseDottedAddress(Lab::Alpha));
}

TEST_F(LabEcho, abortFromAnotherThreadEndsABlockedPing)
{
    std::atomic<bool> requested{false};
    Icmp->OnEchoRequest = [&](TICMP*) { requested = true; };
    int32_t count = -1;
    uint32_t error = 0;
    std::thread pinger([&] {
        count = PingOnce(Lab::Silent, 3000);
        error = Icmp->LastError();
    });
    ASSERT_TRUE(NetTest::WaitUntil([&] { return requested.load(); }));
    Icmp->Abort();
    pinger.join();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(error, ICMP_ABORTED) << "it ended by time-out, not by the abort";

    EXPECT_EQ(PingOnce(Lab::Alpha, 2000), 0);
    EXPECT_EQ(Icmp->LastError(), ICMP_ABORTED);
}
