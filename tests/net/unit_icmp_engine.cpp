// The echo engine's steps, against the loopback only.
#include "net/Icmp.h"
#include "tests/net/NetTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

class Engine : public ::testing::Test {
protected:
    void SetUp() override
    {
        try {
            Icmp = std::make_unique<TICMP>();
        } catch (const TICMPException& e) {
            GTEST_SKIP() << "no ICMP socket here: " << e.Message();
        }
        Icmp->OnDisplay = [this](TICMP* sender, const std::string& msg) {
            EXPECT_EQ(sender, Icmp.get());
            Events.push_back("display:" + msg);
        };
        Icmp->OnEchoRequest = [this](TICMP* sender) {
            EXPECT_EQ(sender, Icmp.get());
            Events.push_back("request");
        };
        Icmp->OnEchoReply = [this](TICMP* sender, int32_t count) {
            EXPECT_EQ(sender, Icmp.get());
            Events.push_back("reply:" + std::to_string(count));
        };
        Icmp->Timeout = 2000;
    }

    std::unique_ptr<TICMP> Icmp;
    std::vector<std::string> Events;
};

} // namespace

TEST_F(Engine, startsWithItsDefaults)
{
    TICMP fresh;
    EXPECT_EQ(fresh.Size, 56);
    EXPECT_EQ(fresh.Timeout, 4000);
    EXPECT_EQ(fresh.TTL, 64);
    EXPECT_EQ(fresh.IPAddress(), 0u);
    EXPECT_EQ(fresh.LastError(), 0u);
    EXPECT_FALSE(fresh.AddressResolved());
    EXPECT_EQ(fresh.Address(), "");
}

TEST_F(Engine, dottedAddressResolvesWithoutLookUpInNormalForm)
{
    Icmp->SetAddress("127.1");
    EXPECT_EQ(Icmp->Ping(), 1);
    EXPECT_EQ(Icmp->HostName(), "127.1");
    EXPECT_EQ(Icmp->HostIP(), "127.0.0.1");
    EXPECT_EQ(Icmp->IPAddress(), ParseDottedAddress("127.0.0.1"));
    EXPECT_EQ(Icmp->LastError(), 0u);
    EXPECT_EQ(Events, (std::vector<std::string>{"request", "reply:1"}));
    EXPECT_EQ(Icmp->Reply().Address, ParseDottedAddress("127.0.0.1"));
    EXPECT_EQ(Icmp->Reply().Status, IP_SUCCESS);
}

TEST_F(Engine, resolutionIsKeptWhileTheTextStaysTheSame)
{
    Icmp->SetAddress("127.0.0.1");
    EXPECT_FALSE(Icmp->AddressResolved());
    ASSERT_EQ(Icmp->Ping(), 1);
    EXPECT_TRUE(Icmp->AddressResolved());
    Icmp->SetAddress("127.0.0.1");
    EXPECT_TRUE(Icmp->AddressResolved());
    Icmp->SetAddress(" 127.0.0.1");
    EXPECT_FALSE(Icmp->AddressResolved());
    EXPECT_EQ(Icmp->Address(), " 127.0.0.1");
    Icmp->SetAddress("127.0.0.2");
    ASSERT_EQ(Icmp->Ping(), 1);
    EXPECT_EQ(Icmp->HostIP(), "127.0.0.2");
    EXPECT_EQ(Icmp->Reply().Address, ParseDottedAddress("127.0.0.2"));
}

TEST_F(Engine, allOnesIsNoUsableAddress)
{
    // Not dotted for the parse; the resolver gives it back numerically.
    Icmp->SetAddress("255.255.255.255");
    EXPECT_EQ(Icmp->Ping(), 0);
    EXPECT_EQ(Icmp->LastError(), IP_BAD_DESTINATION);
    EXPECT_EQ(Events, std::vector<std::string>{"display:Invalid host address"});
}

TEST_F(Engine, dataSizeOfZeroSendsNoDataAndOtherSizesComeBack)
{
    Icmp->SetAddress("127.0.0.1");
    Icmp->Size = 0;
    ASSERT_EQ(Icmp->Ping(), 1);
    EXPECT_EQ(Icmp->Reply().DataSize, 0);
    Icmp->Size = 1000;
    ASSERT_EQ(Icmp->Ping(), 1);
    EXPECT_EQ(Icmp->Reply().DataSize, 1000);
    Icmp->Size = -5;  // treated as no data
    ASSERT_EQ(Icmp->Ping(), 1);
    EXPECT_EQ(Icmp->Reply().DataSize, 0);
}

TEST_F(Engine, hookFailuresReachTheCallerAndLeaveTheEngineUsable)
{
    Icmp->SetAddress("127.0.0.1");
    Icmp->OnEchoRequest = [](TICMP*) { throw std::runtime_error("request hook"); };
    EXPECT_THROW(Icmp->Ping(), std::runtime_error);
    Icmp->OnEchoRequest = nullptr;
    Icmp->OnEchoReply = [](TICMP*, int32_t) { throw std::runtime_error("reply hook"); };
    EXPECT_THROW(Icmp->Ping(), std::runtime_error);
    EXPECT_EQ(Icmp->Reply().Status, IP_SUCCESS) << "the reply is kept before the hook runs";
    Icmp->OnEchoReply = nullptr;
    EXPECT_EQ(Icmp->Ping(), 1);
}

TEST_F(Engine, afterAbortEveryPingReturnsNothing)
{
    Icmp->SetAddress("127.0.0.1");
    ASSERT_EQ(Icmp->Ping(), 1);
    Icmp->Abort();
    Events.clear();
    EXPECT_EQ(Icmp->Ping(), 0);
    EXPECT_EQ(Icmp->LastError(), ICMP_ABORTED);
    EXPECT_EQ(Events, (std::vector<std::string>{"request", "reply:0"}));
}
