// Name and address look-ups against the lab's hosts file: the socket layer
// and the ping component's asynchronous look-up.
#include "net/Ping.h"
#include "net/WSocket.h"
#include "tests/Lab.h"
#include "tests/net/NetTestSupport.h"

#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string ResolveHostFailure(const std::string& text)
{
    try {
        WSocketResolveHost(text);
    } catch (const ESocketException& e) {
        return e.Message();
    }
    return "no error";
}

} // namespace

TEST(LabReverseLookUp, givesTheOfficialNameOrEmptyText)
{
    SCANVET_REQUIRE_LAB();
    EXPECT_EQ(WSocketResolveIp(Lab::Alpha), "alpha.lab");
    EXPECT_EQ(WSocketResolveIp(Lab::Far), "far.lab");
    EXPECT_EQ(WSocketResolveIp(Lab::Unnamed12), "");
    EXPECT_EQ(WSocketResolveIp("not an address"), "");
}

TEST(LabReverseLookUp, manyThreadsAtOnce)
{
    SCANVET_REQUIRE_LAB();
    std::vector<int> right(8, 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < right.size(); ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                const bool even = (i + static_cast<int>(t)) % 2 == 0;
                if (WSocketResolveIp(even ? Lab::Alpha : Lab::Bravo) == (even ? "alpha.lab" : "bravo.lab"))
                    ++right[t];
            }
        });
    for (auto& t : threads) t.join();
    for (size_t t = 0; t < right.size(); ++t) EXPECT_EQ(right[t], 20) << "thread " << t;
}

TEST(LabResolveHost, dottedAddressesAndNames)
{
    SCANVET_REQUIRE_LAB();
    EXPECT_EQ(WSocketResolveHost(" 198.51.100.10 "), ParseDottedAddress(Lab::Alpha));
    EXPECT_EQ(WSocketResolveHost("\t198.51.100.10\r\n"), ParseDottedAddress(Lab::Alpha));
    EXPECT_EQ(WSocketResolveHost("255.255.255.255"), INADDR_ALL_ONES);
    EXPECT_EQ(WSocketResolveHost("alpha.lab"), ParseDottedAddress(Lab::Alpha));
    EXPECT_EQ(WSocketResolveHost(" bravo "), ParseDottedAddress(Lab::Bravo));
    EXPECT_EQ(WSocket_inet_ntoa(WSocketResolveHost("far.lab")), Lab::Far);
}

TEST(LabResolveHost, failuresQuoteTheTextAsGiven)
{
    SCANVET_REQUIRE_LAB();
    EXPECT_EQ(ResolveHostFailure("256.1.1.1"), "WSocketResolveHost: '256.1.1.1' Invalid IP address.");
    EXPECT_EQ(ResolveHostFailure(" 1alpha.lab"), "WSocketResolveHost: ' 1alpha.lab' Invalid IP address.")
        << "a text that begins with a digit is never looked up by name";
    EXPECT_EQ(ResolveHostFailure("nosuchhost.lab"), "WSocketResolveHost: Cannot convert host address 'nosuchhost.lab'");
    EXPECT_EQ(ResolveHostFailure("   "), "WSocketResolveHost: Cannot convert host address '   '");
    EXPECT_EQ(ResolveHostFailure(""), "WSocketResolveHost: '' Invalid Hostname.");
}

TEST(LabResolveHost, lengthLimitCountsTheTextBeforeTrimming)
{
    SCANVET_REQUIRE_LAB();
    const std::string alpha256 = "alpha.lab" + std::string(256 - 9, ' ');
    EXPECT_EQ(WSocketResolveHost(alpha256), ParseDottedAddress(Lab::Alpha));
    const std::string alpha257 = alpha256 + " ";
    EXPECT_EQ(ResolveHostFailure(alpha257), "WSocketResolveHost: '" + alpha257 + "' Invalid Hostname.");

    const std::string digits256(256, '1');
    EXPECT_EQ(ResolveHostFailure(digits256), "WSocketResolveHost: '" + digits256 + "' Invalid IP address.")
        << "256 characters pass the length test";
    const std::string digits257(257, '1');
    EXPECT_EQ(ResolveHostFailure(digits257), "WSocketResolveHost: '" + digits257 + "' Invalid Hostname.");
}

TEST(LabLocalHost, nameAndAddressList)
{
    SCANVET_REQUIRE_LAB();
    EXPECT_EQ(WSocketLocalHostName(), Lab::ScannerName);
    const TStringList& first = WSocketLocalIPList();
    ASSERT_EQ(first.Count(), 1);
    EXPECT_EQ(first.Strings(0), Lab::Scanner);
    const TStringList& second = WSocketLocalIPList();
    EXPECT_EQ(&first, &second) << "always the same list";
    EXPECT_EQ(second.All(), std::vector<std::string>{Lab::Scanner}) << "refilled, not appended to";
}

namespace {

class LabDnsLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        Ping1 = std::make_unique<TPing>();
        Ping1->OnDnsLookupDone = [this](TPing*, uint16_t error) {
            Errors.push_back(error);
            Threads.push_back(QThread::currentThread());
        };
    }

    static void SettleLookups()
    {
        ASSERT_TRUE(NetTest::WaitUntil([] { return TPing::RunningLookups() == 0; }));
        QCoreApplication::processEvents();
    }

    std::unique_ptr<TPing> Ping1;
    std::vector<uint16_t> Errors;
    std::vector<QThread*> Threads;
};

} // namespace

TEST_F(LabDnsLookup, nameCompletesLaterOnTheComponentsThread)
{
    Ping1->DnsLookup("alpha.lab");
    EXPECT_TRUE(Ping1->LookupPending());
    ASSERT_TRUE(NetTest::WaitUntil([&] { return !Errors.empty(); }));
    EXPECT_EQ(Errors, std::vector<uint16_t>{0});
    EXPECT_EQ(Threads[0], QThread::currentThread());
    EXPECT_EQ(Ping1->DnsResult(), Lab::Alpha);
    EXPECT_FALSE(Ping1->LookupPending());
}

TEST_F(LabDnsLookup, unknownNameCompletesWithAnErrorAndNoResult)
{
    Ping1->DnsLookup("nosuchhost.lab");
    ASSERT_TRUE(NetTest::WaitUntil([&] { return !Errors.empty(); }));
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_TRUE(Errors[0] == 11001 || Errors[0] == 11002) << Errors[0];
    EXPECT_EQ(Ping1->DnsResult(), "");
}

TEST_F(LabDnsLookup, replacedLookUpIsDroppedWithoutEvent)
{
    Ping1->DnsLookup("alpha.lab");
    Ping1->DnsLookup("bravo.lab");
    SettleLookups();
    EXPECT_EQ(Errors, std::vector<uint16_t>{0});
    EXPECT_EQ(Ping1->DnsResult(), Lab::Bravo);
}

TEST_F(LabDnsLookup, cancelFiresInterrupted)
{
    Ping1->DnsLookup("alpha.lab");
    Ping1->CancelDnsLookup();
    EXPECT_EQ(Errors, std::vector<uint16_t>{WSAEINTR});
    SettleLookups();
    EXPECT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Ping1->DnsResult(), "");
}

TEST_F(LabDnsLookup, destructionWhilePending)
{
    Ping1->DnsLookup("alpha.lab");
    Ping1.reset();
    EXPECT_EQ(Errors, std::vector<uint16_t>{WSAEINTR});
    SettleLookups();
    EXPECT_EQ(Errors.size(), 1u);
}
