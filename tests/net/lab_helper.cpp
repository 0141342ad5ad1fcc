// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches a privileged helper that sends what it should refuse (malformed, oversized, off-subnet, broadcast or
// multicast requests), serves on after words that are not the program's, keeps a capability while it serves, hands
// the program an ARP reply it should not trust (a broadcast reply) or only one of two MACs for one address, hands over
// without saying when its last request went out, or lives on once a program that ends without waiting for it has
// closed its socket.
#include "net/ArpProber.h"
#include "net/HelperProcess.h"
#include "net/Ipv4.h"
#include "net/LocalNetworks.h"
#include "tests/Lab.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace {

using namespace HelperProtocol;

// The helper's next event, waiting a while; nullopt once it has ended (or said nothing).
std::optional<std::vector<uint8_t>> nextMessage(int channel)
{
    pollfd ready{channel, POLLIN, 0};
    if (poll(&ready, 1, 3000) <= 0) return std::nullopt;
    std::vector<uint8_t> message(MaxMessage);
    const ssize_t n = recv(channel, message.data(), message.size(), 0);
    if (n <= 0) return std::nullopt;
    message.resize(size_t(n));
    return message;
}

std::string capabilitiesOf(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line, sets;
    while (std::getline(status, line))
        if (line.starts_with("CapPrm") || line.starts_with("CapEff") || line.starts_with("CapAmb")) sets += line + "\n";
    return sets;
}

std::vector<uint8_t> bytes(std::initializer_list<uint8_t> list) { return list; }

} // namespace

TEST(LabHelper, shouldRefuseEveryRequestItMustNotSendAndEndAfterOneThatIsNotOurs)
{
    SCANVET_REQUIRE_LAB();
    const auto eth0 = OnLink::ofSystem().interfaceFor(parseLenientAddress(Lab::Alpha));
    ASSERT_TRUE(eth0);
    const auto at = [](const char* a) { return parseLenientAddress(a); };
    struct Row {
        std::string_view mode;
        std::vector<uint8_t> request;
        const char* reason;  // the refusal's words
        bool ends;           // the helper ends the session after it
    };
    const Row rows[] = {
        {EchoMode, bytes({1}), "a malformed request of 1 bytes", true},
        {EchoMode, bytes({1, 64, 0, 1, 127, 0, 0}), "a malformed request of 7 bytes", true},
        {EchoMode, std::vector<uint8_t>(100, 1), "an oversized request", true},
        {EchoMode, bytes({9, 64, 0, 1, 127, 0, 0, 1}), "an unknown request kind 9", true},
        {EchoMode, encode(ArpAskRequest{eth0->index, at("198.51.100.40")}), "a request of the other mode", true},
        {EchoMode, encode(EchoRequest{at("224.0.0.1"), 1, 64}), "a multicast address", false},
        {EchoMode, encode(EchoRequest{at("255.255.255.255"), 1, 64}), "a reserved or broadcast address", false},
        {EchoMode, encode(EchoRequest{at("198.51.100.255"), 1, 64}), "the broadcast address of a local subnet", false},
        {EchoMode, encode(EchoRequest{at("0.1.2.3"), 1, 64}), "an address in 0.0.0.0/8", false},
        {EchoMode, encode(EchoRequest{at("127.0.0.1"), 1, 0}), "a time to live of 0", false},
        {ArpMode, bytes({2, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0}), "a malformed request of 12 bytes", true},
        {ArpMode, encode(ArpAskRequest{eth0->index, at("203.0.113.10")}), "an address outside the interface's subnets", false},
        {ArpMode, encode(ArpAskRequest{eth0->index, at("198.51.100.255")}), "the subnet's network or broadcast address", false},
        {ArpMode, encode(ArpAskRequest{eth0->index, at("198.51.100.0")}), "the subnet's network or broadcast address", false},
        {ArpMode, encode(ArpAskRequest{eth0->index, at("198.51.100.2")}), "the interface's own address", false},
        {ArpMode, encode(ArpAskRequest{1, at("127.0.0.2")}), "the interface has no ARP", false},
        {ArpMode, encode(ArpAskRequest{9999, at("198.51.100.40")}), "no such interface", false},
        {ArpMode, encode(EchoRequest{at("127.0.0.1"), 1, 64}), "a request of the other mode", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        HelperProcess helper(HelperProcess::program(), row.mode);
        ASSERT_TRUE(helper.ok()) << helper.why();
        ASSERT_EQ(send(helper.channel(), row.request.data(), row.request.size(), 0), ssize_t(row.request.size()));
        const auto message = nextMessage(helper.channel());
        ASSERT_TRUE(message);
        const auto event = decodeEvent(message->data(), message->size());
        ASSERT_TRUE(event && event->kind == EventKind::Refused);
        EXPECT_EQ(event->refused.reason, row.reason);
        if (row.ends) {
            EXPECT_FALSE(nextMessage(helper.channel())) << "the helper served on";
        } else {
            EXPECT_EQ(capabilitiesOf(helper.pid()), "CapPrm:\t0000000000000000\nCapEff:\t0000000000000000\n"
                                                    "CapAmb:\t0000000000000000\n");
        }
    }
}

// A broadcast reply claiming the silent address is no sighting; a second MAC answering for an ARP-only host's address
// comes beside the host's own.
TEST(LabHelper, shouldTrustOnlyRepliesToThisHostAndKeepBothMacsOfAConflict)
{
    SCANVET_REQUIRE_LAB();
    const auto eth0 = OnLink::ofSystem().interfaceFor(parseLenientAddress(Lab::Alpha));
    ASSERT_TRUE(eth0 && eth0->mac);
    std::string why;
    const auto prober = ArpProber::open(why);
    ASSERT_TRUE(prober) << why;
    const std::string ours = macText(*eth0->mac), intruder = "02:00:00:00:99:99";
    const Lab::ArpOnlyHost& host = Lab::ArpOnlyHosts[0];
    std::thread spoofs[] = {Lab::sendArpReply(Lab::Silent, intruder, "ff:ff:ff:ff:ff:ff", ours, "198.51.100.2", 25),
                            Lab::sendArpReply(host.address, intruder, ours, ours, "198.51.100.2", 25)};
    // The probe runs once both spoofers send: python's start takes longer than the probe.
    for (int i = 0; i < 500 && !(std::ifstream("spoof-" + std::string(Lab::Silent) + ".py.sending") &&
                                 std::ifstream("spoof-" + std::string(host.address) + ".py.sending"));
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::set<std::string> replies;
    const std::atomic<bool> stop{false};
    // The fast preset's deadline: the spoofers' replies come every few milliseconds.
    ArpProber::Settings settings;
    settings.timeout = std::chrono::milliseconds(600);
    for (const ArpReply& r : prober->probe(*eth0, {parseLenientAddress(Lab::Silent), parseLenientAddress(host.address)}, stop, settings))
        replies.insert(dottedText(r.address) + " " + macText(r.mac));
    for (std::thread& spoof : spoofs) spoof.join();
    EXPECT_EQ(replies, (std::set<std::string>{std::string(host.address) + " " + host.mac,
                                              std::string(host.address) + " " + intruder}));
}

// A program that ends leaves both helpers to end on their own once their sockets close: each then ends, and well.
TEST(LabHelper, shouldEndOnItsOwnWhenLeftToEnd)
{
    SCANVET_REQUIRE_LAB();
    for (const std::string_view mode : {EchoMode, ArpMode}) {
        SCOPED_TRACE(mode);
        HelperProcess helper(HelperProcess::program(), mode);
        ASSERT_TRUE(helper.ok()) << helper.why();
        const pid_t pid = helper.pid();
        helper.leaveToEnd();
        EXPECT_FALSE(helper.ok());
        // This process is still its parent here: the wait ends once the helper has.
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

// The hand-over tells when the last request went out, on the clock the replies are timed by, so that a request the
// helper sent late still gets its reply's time.
TEST(LabHelper, shouldTellAsItHandsOverWhenItSentItsLastRequest)
{
    SCANVET_REQUIRE_LAB();
    const auto eth0 = OnLink::ofSystem().interfaceFor(parseLenientAddress(Lab::Alpha));
    ASSERT_TRUE(eth0);
    const auto monotonic = [] { return std::chrono::steady_clock::now().time_since_epoch().count(); };
    const auto handOver = [](int channel, uint32_t token) -> std::optional<SyncedEvent> {
        const auto sync = encodeSync(token);
        if (send(channel, sync.data(), sync.size(), 0) != ssize_t(sync.size())) return std::nullopt;
        while (const auto message = nextMessage(channel))
            if (const auto event = decodeEvent(message->data(), message->size()); event && event->kind == EventKind::Synced)
                return event->synced;
        return std::nullopt;
    };
    const std::pair<std::string_view, std::vector<uint8_t>> requests[] = {
        {EchoMode, encode(EchoRequest{parseLenientAddress("127.0.0.1"), 1, 64})},
        {ArpMode, encode(ArpAskRequest{eth0->index, parseLenientAddress(Lab::ArpOnlyHosts[0].address)})}};
    for (const auto& [mode, request] : requests) {
        SCOPED_TRACE(mode);
        HelperProcess helper(HelperProcess::program(), mode);
        ASSERT_TRUE(helper.ok()) << helper.why();
        const auto idle = handOver(helper.channel(), 1);
        ASSERT_TRUE(idle);
        EXPECT_EQ(idle->token, 1u);
        EXPECT_EQ(idle->lastSentNs, 0);
        const int64_t before = monotonic();
        ASSERT_EQ(send(helper.channel(), request.data(), request.size(), 0), ssize_t(request.size()));
        const auto synced = handOver(helper.channel(), 2);
        ASSERT_TRUE(synced);
        EXPECT_EQ(synced->token, 2u);
        EXPECT_LE(before, synced->lastSentNs);
        EXPECT_LE(synced->lastSentNs, synced->handedOverNs);
        EXPECT_LE(synced->handedOverNs, monotonic());
    }
}
