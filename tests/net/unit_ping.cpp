// The ping component: its forwarding and its look-up life cycle. Look-ups of
// real names run in the lab; here only dotted texts and the empty name, which
// the resolver is never asked for.
#include "net/NameService.h"
#include "net/Ping.h"
#include "tests/net/NetTestSupport.h"

#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Done {
    uint16_t Error;
    QThread* Thread;
};

class Component : public ::testing::Test {
protected:
    void SetUp() override
    {
        try {
            Ping1 = std::make_unique<TPing>();
        } catch (const TICMPException& e) {
            GTEST_SKIP() << "no ICMP socket here: " << e.Message();
        }
        Self = Ping1.get();
        Ping1->OnDnsLookupDone = [this](TPing* sender, uint16_t error) {
            EXPECT_EQ(sender, Self);
            Completions.push_back({error, QThread::currentThread()});
        };
    }

    // Every look-up worker has finished and what it posted has been handled.
    static void SettleLookups()
    {
        ASSERT_TRUE(NetTest::WaitUntil([] { return TPing::RunningLookups() == 0; }));
        QCoreApplication::processEvents();
    }

    std::unique_ptr<TPing> Ping1;
    TPing* Self = nullptr;  // still known while the component is destroyed
    std::vector<Done> Completions;
};

} // namespace

TEST_F(Component, forwardsPropertiesToItsEngine)
{
    Ping1->SetSize(0);
    Ping1->SetTimeout(100);
    Ping1->SetTTL(4);
    Ping1->SetAddress("127.0.0.1");
    EXPECT_EQ(Ping1->Engine()->Size, 0);
    EXPECT_EQ(Ping1->Engine()->Timeout, 100);
    EXPECT_EQ(Ping1->Engine()->TTL, 4);
    EXPECT_EQ(Ping1->Engine()->Address(), "127.0.0.1");
    EXPECT_EQ(Ping1->Size(), 0);
    EXPECT_EQ(Ping1->Timeout(), 100);
    EXPECT_EQ(Ping1->TTL(), 4);
    EXPECT_EQ(Ping1->Address(), "127.0.0.1");
}

TEST_F(Component, eventsNameTheComponentAndItsEngine)
{
    std::vector<std::string> seen;
    Ping1->OnEchoRequest = [&](TPing* sender, TICMP* icmp) {
        EXPECT_EQ(sender, Ping1.get());
        EXPECT_EQ(icmp, Ping1->Engine());
        seen.push_back("request");
    };
    Ping1->OnEchoReply = [&](TPing* sender, TICMP* icmp, int32_t error) {
        EXPECT_EQ(sender, Ping1.get());
        EXPECT_EQ(icmp, Ping1->Engine());
        seen.push_back("reply:" + std::to_string(error));
    };
    Ping1->OnDisplay = [&](TPing* sender, TICMP* icmp, const std::string& msg) {
        EXPECT_EQ(sender, Ping1.get());
        EXPECT_EQ(icmp, Ping1->Engine());
        seen.push_back("display:" + msg);
    };
    Ping1->SetTimeout(2000);
    Ping1->SetAddress("127.0.0.1");
    EXPECT_EQ(Ping1->Ping(), 1);
    EXPECT_EQ(Ping1->Reply().Address, ParseDottedAddress("127.0.0.1"));
    Ping1->SetAddress("255.255.255.255");
    EXPECT_EQ(Ping1->Ping(), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"request", "reply:1", "display:Invalid host address"}));
}

TEST_F(Component, pingsWithNoEventBound)
{
    Ping1->SetTimeout(2000);
    Ping1->SetAddress("127.0.0.1");
    EXPECT_EQ(Ping1->Ping(), 1);
}

TEST_F(Component, dottedLookUpCompletesBeforeItReturns)
{
    Ping1->DnsLookup("127.1");
    ASSERT_EQ(Completions.size(), 1u);
    EXPECT_EQ(Completions[0].Error, 0);
    EXPECT_EQ(Ping1->DnsResult(), "127.0.0.1");
    EXPECT_FALSE(Ping1->LookupPending());
}

TEST_F(Component, cancelWithNothingPendingFiresNothing)
{
    Ping1->CancelDnsLookup();
    EXPECT_TRUE(Completions.empty());
}

TEST_F(Component, nameLookUpCompletesLaterOnTheComponentsThread)
{
    Ping1->DnsLookup("127.0.0.1");
    Completions.clear();
    Ping1->DnsLookup("");  // no host has the empty name
    EXPECT_TRUE(Ping1->LookupPending());
    EXPECT_TRUE(Completions.empty());
    EXPECT_EQ(Ping1->DnsResult(), "") << "a new look-up forgets the old result";
    ASSERT_TRUE(NetTest::WaitUntil([&] { return !Completions.empty(); }));
    EXPECT_EQ(Completions[0].Error, WSAHOST_NOT_FOUND);
    EXPECT_EQ(Completions[0].Thread, QThread::currentThread());
    EXPECT_FALSE(Ping1->LookupPending());
    EXPECT_EQ(Ping1->DnsResult(), "");
}

TEST_F(Component, replacedLookUpGetsNoEvent)
{
    Ping1->DnsLookup("");
    Ping1->DnsLookup("");
    SettleLookups();
    EXPECT_EQ(Completions.size(), 1u);
    Ping1->DnsLookup("");
    Ping1->DnsLookup("127.0.0.3");
    SettleLookups();
    ASSERT_EQ(Completions.size(), 2u);
    EXPECT_EQ(Completions[1].Error, 0);
    EXPECT_EQ(Ping1->DnsResult(), "127.0.0.3");
}

TEST_F(Component, cancelFiresInterruptedOnceAndTheLateCompletionIsIgnored)
{
    Ping1->DnsLookup("");
    Ping1->CancelDnsLookup();
    ASSERT_EQ(Completions.size(), 1u);
    EXPECT_EQ(Completions[0].Error, WSAEINTR);
    EXPECT_FALSE(Ping1->LookupPending());
    SettleLookups();
    EXPECT_EQ(Completions.size(), 1u);
}

TEST_F(Component, destructionCancelsAPendingLookUpAndLaterCompletionsTouchNothing)
{
    Ping1->DnsLookup("");
    Ping1.reset();
    ASSERT_EQ(Completions.size(), 1u);
    EXPECT_EQ(Completions[0].Error, WSAEINTR);
    SettleLookups();
    EXPECT_EQ(Completions.size(), 1u);
}

TEST_F(Component, secondComponentWorksBesideTheFirst)
{
    TPing second;
    std::vector<uint16_t> secondDone;
    second.OnDnsLookupDone = [&](TPing*, uint16_t error) { secondDone.push_back(error); };
    Ping1->DnsLookup("");
    second.DnsLookup("");
    ASSERT_TRUE(NetTest::WaitUntil([&] { return !Completions.empty() && !secondDone.empty(); }));
    SettleLookups();
    EXPECT_EQ(Completions.size(), 1u);
    EXPECT_EQ(secondDone.size(), 1u);
}
