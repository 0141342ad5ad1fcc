// The echo service against the loopback, with each socket kind that can be
// opened here.
#include "net/Icmp.h"
#include "tests/net/NetTestSupport.h"

#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

class LoopbackEcho : public ::testing::TestWithParam<IcmpSocketKind> {
protected:
    void SetUp() override
    {
        const std::string why = NetTest::CannotOpen(GetParam());
        if (!why.empty()) GTEST_SKIP() << why;
        Handle = IcmpCreateFileOfKind(GetParam());
        ASSERT_NE(Handle, INVALID_ICMP_HANDLE);
    }
    void TearDown() override
    {
        if (Handle != INVALID_ICMP_HANDLE) IcmpCloseHandle(Handle);
    }

    uint32_t Send(uint32_t to, const std::vector<uint8_t>& data, std::vector<uint8_t>& reply, uint8_t ttl = 64,
                  uint32_t timeoutMs = 2000)
    {
        IP_OPTION_INFORMATION options{};
        options.Ttl = ttl;
        reply.assign(sizeof(TEchoReply) + data.size(), 0xCC);
        return IcmpSendEcho(Handle, to, data.empty() ? nullptr : data.data(), static_cast<uint16_t>(data.size()),
                            &options, reply.data(), static_cast<uint32_t>(reply.size()), timeoutMs);
    }

    static TEchoReply Record(const std::vector<uint8_t>& reply)
    {
        TEchoReply r{};
        std::memcpy(&r, reply.data(), sizeof r);
        return r;
    }

    IcmpHandle Handle = INVALID_ICMP_HANDLE;
};

std::string KindParamName(const ::testing::TestParamInfo<IcmpSocketKind>& info)
{
    return NetTest::KindName(info.param);
}

} // namespace

TEST_P(LoopbackEcho, replyRecordCarriesSenderStatusTimeAndData)
{
    const uint32_t to = NetTest::RandomLoopbackAddress();
    const std::vector<uint8_t> data{'s', 'c', 'a', 'n', 'v', 'e', 't', 0, 1, 2, 3};
    std::vector<uint8_t> reply;
    ASSERT_EQ(Send(to, data, reply), 1u);
    EXPECT_EQ(GetIcmpLastError(), IP_SUCCESS);
    const TEchoReply r = Record(reply);
    EXPECT_EQ(r.Address, to);
    EXPECT_EQ(r.Status, IP_SUCCESS);
    EXPECT_LT(r.RoundTripTime, 2000u);
    EXPECT_EQ(r.DataSize, data.size());
    EXPECT_EQ(r.Data, 0u) << "no pointer fits the 32-bit slot";
    EXPECT_GT(r.Options.Ttl, 0);
    EXPECT_EQ(std::vector<uint8_t>(reply.begin() + sizeof(TEchoReply), reply.end()), data);
}

TEST_P(LoopbackEcho, everyRequestIsAnsweredByItsOwnReply)
{
    const uint32_t to = NetTest::RandomLoopbackAddress();
    std::vector<uint8_t> reply;
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(Send(to, {}, reply), 1u) << "request " << i;
        EXPECT_EQ(Record(reply).DataSize, 0);
    }
}

TEST_P(LoopbackEcho, handlesOnSeveralThreadsDoNotTakeEachOthersReplies)
{
    const uint32_t to = NetTest::RandomLoopbackAddress();
    std::vector<uint32_t> counts(4, 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < counts.size(); ++t)
        threads.emplace_back([&, t] {
            const IcmpHandle h = IcmpCreateFileOfKind(GetParam());
            if (h == INVALID_ICMP_HANDLE) return;
            const uint8_t mark = static_cast<uint8_t>(t);
            IP_OPTION_INFORMATION options{};
            options.Ttl = 64;
            for (int i = 0; i < 25; ++i) {
                uint8_t reply[sizeof(TEchoReply) + 1] = {};
                if (IcmpSendEcho(h, to, &mark, 1, &options, reply, sizeof reply, 2000) == 1 &&
                    reply[sizeof(TEchoReply)] == mark)
                    ++counts[t];
            }
            IcmpCloseHandle(h);
        });
    for (auto& t : threads) t.join();
    for (size_t t = 0; t < counts.size(); ++t) EXPECT_EQ(counts[t], 25u) << "thread " << t;
}

TEST_P(LoopbackEcho, refusesWhatCannotBeSentWithoutSending)
{
    const uint32_t to = NetTest::RandomLoopbackAddress();
    std::vector<uint8_t> reply;
    EXPECT_EQ(Send(to, {}, reply, 0), 0u) << "Linux cannot send a time to live of 0";
    EXPECT_EQ(GetIcmpLastError(), IP_BAD_OPTION);
    EXPECT_EQ(Record(reply).Status, IP_BAD_OPTION);

    uint8_t small[sizeof(TEchoReply) - 1];
    IP_OPTION_INFORMATION options{};
    options.Ttl = 64;
    EXPECT_EQ(IcmpSendEcho(Handle, to, nullptr, 0, &options, small, sizeof small, 1000), 0u);
    EXPECT_EQ(GetIcmpLastError(), IP_BUF_TOO_SMALL);

    EXPECT_EQ(IcmpSendEcho(Handle + 1000, to, nullptr, 0, &options, reply.data(), 28, 1000), 0u)
        << "unknown handle";
    EXPECT_EQ(GetIcmpLastError(), IP_GENERAL_FAILURE);
}

TEST_P(LoopbackEcho, abortedHandleAnswersNothingAnyMore)
{
    const uint32_t to = NetTest::RandomLoopbackAddress();
    std::vector<uint8_t> reply;
    ASSERT_EQ(Send(to, {}, reply), 1u);
    IcmpAbort(Handle);
    EXPECT_EQ(Send(to, {}, reply), 0u);
    EXPECT_EQ(GetIcmpLastError(), ICMP_ABORTED);
    EXPECT_EQ(Send(to, {}, reply), 0u);
}

TEST_P(LoopbackEcho, lastErrorBelongsToTheCallingThread)
{
    std::vector<uint8_t> reply;
    ASSERT_EQ(Send(NetTest::RandomLoopbackAddress(), {}, reply, 0), 0u);
    ASSERT_EQ(GetIcmpLastError(), IP_BAD_OPTION);
    uint32_t other = 1;
    std::thread([&] { other = GetIcmpLastError(); }).join();
    EXPECT_EQ(other, 0u);
    EXPECT_EQ(GetIcmpLastError(), IP_BAD_OPTION);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LoopbackEcho, ::testing::Values(IcmpSocketKind::Datagram, IcmpSocketKind::Raw),
                         KindParamName);

// What the engine puts on the wire, seen by a capturing raw socket.
class WireCapture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Socket = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (Socket < 0) GTEST_SKIP() << "capturing needs a raw socket (CAP_NET_RAW)";
        icmp_filter filter{};
        filter.data = ~(1u << ICMP_ECHO);
        ASSERT_EQ(setsockopt(Socket, SOL_RAW, ICMP_FILTER, &filter, sizeof filter), 0);
        try {
            Engine = std::make_unique<TICMP>();
        } catch (const TICMPException& e) {
            GTEST_SKIP() << e.Message();
        }
    }
    void TearDown() override
    {
        if (Socket >= 0) close(Socket);
    }

    // Time to live of the first echo request to `to` seen within the bound.
    int CapturedTtl(uint32_t to)
    {
        std::vector<uint8_t> packet(65536);
        for (int tries = 0; tries < 1000; ++tries) {
            pollfd fd{Socket, POLLIN, 0};
            if (poll(&fd, 1, 5000) <= 0) return -1;
            const ssize_t n = recv(Socket, packet.data(), packet.size(), 0);
            if (n < 20) continue;
            uint32_t destination = 0;
            std::memcpy(&destination, &packet[16], 4);
            if (destination == to) return packet[8];
        }
        return -1;
    }

    int Socket = -1;
    std::unique_ptr<TICMP> Engine;
};

TEST_F(WireCapture, onlyTheLowEightBitsOfTheTimeToLiveAreSent)
{
    const uint32_t to = NetTest::RandomLoopbackAddress();
    Engine->SetAddress(DottedText(to));
    Engine->Size = 0;
    Engine->Timeout = 2000;
    Engine->TTL = 300;
    EXPECT_EQ(Engine->Ping(), 1);
    EXPECT_EQ(CapturedTtl(to), 44);

    Engine->TTL = 256;  // low 8 bits 0: cannot be sent on Linux
    EXPECT_EQ(Engine->Ping(), 0);
    EXPECT_EQ(Engine->LastError(), IP_BAD_OPTION);
}
