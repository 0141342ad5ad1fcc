// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches link sightings that miss hosts ignoring echo, give them the wrong MAC, flap in a repeat whose entries went
// stale, keep a host taken away past the bound, sight addresses behind the router, or believe an entry's state over
// its confirmation time; a neighbour table read in the wrong unit; a tunnel given a MAC or a link; and an ARP probe
// that stops working without its capability or after a stop or an early interrupt, or runs ahead of the echoes.
#include "link/LinkSightings.h"
#include "net/EchoSocket.h"
#include "net/Ipv4.h"
#include "tests/Lab.h"

#include <arpa/inet.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <set>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// The lab's hosts on .1-.60 that answer ARP (echo or not): not .2 (the scanner), .14 (no --hostile-host) or .20.
const std::set<std::string> OnTheLink{"198.51.100.5",  "198.51.100.10", "198.51.100.11", "198.51.100.12",
                                      "198.51.100.13", "198.51.100.30", "198.51.100.40", "198.51.100.41",
                                      "198.51.100.42", "198.51.100.50"};

std::optional<NeighbourEntry> neighbour(const char* address)
{
    NeighbourTable table;
    std::string why;
    const auto entries = table.read(why);
    EXPECT_TRUE(entries.has_value()) << why;
    for (const NeighbourEntry& e : entries.value_or(std::vector<NeighbourEntry>{}))
        if (e.address == parseLenientAddress(address)) return e;
    return std::nullopt;
}

template <typename Done> bool waitUntil(Done done)
{
    for (int i = 0; i < 3000 && !done(); ++i) std::this_thread::sleep_for(20ms);
    return done();
}

void writeSysctl(const char* name, const char* value)
{
    std::ofstream(std::string("/proc/sys/net/ipv4/neigh/eth0/") + name) << value;
}

class LabLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        // Entries go stale within 4.5 s and a stale one is asked again 1 s after the echo, so that a repeat soon
        // after takes the path of one minutes apart. (A reachable time below the delay would keep a used entry
        // going round through DELAY instead of going stale.)
        writeSysctl("base_reachable_time_ms", "3000");
        writeSysctl("delay_first_probe_time", "1");
        m_timings = NeighbourTable::timingsOf("eth0");
        m_echo = std::make_unique<EchoSocket>();
    }
    void TearDown() override { Lab::setArpOnlyHostPresent(1, true); }

    // A test of .1-.60 and a host behind the router: its echoes, then the sightings as text.
    std::map<std::string, std::string> test(LinkSightings& sightings)
    {
        std::vector<uint32_t> addresses{parseLenientAddress(Lab::Far)};
        for (int octet = 1; octet <= 60; ++octet) addresses.push_back(parseLenientAddress("198.51.100." + std::to_string(octet)));
        std::promise<std::vector<LinkSighting>> delivered;
        sightings.start(addresses, Clock::now(), [&](LinkSightings::Seen s) { delivered.set_value(std::move(s.sightings)); });
        for (const uint32_t a : addresses) (void)m_echo->echo(a, 64, 5ms);
        sightings.testEnded();
        auto future = delivered.get_future();
        EXPECT_EQ(future.wait_for(LinkSightings::LongestSettle + 5s), std::future_status::ready);
        std::map<std::string, std::string> seen;
        for (const LinkSighting& s : future.get()) seen[dottedText(s.address)] = macText(s.mac);
        return seen;
    }
    // Waits until the neighbour table can no longer vouch for the host and will not ask it again by itself: the
    // next test's echo must make the kernel ask.
    void waitUntilStale(const char* address)
    {
        EXPECT_TRUE(waitUntil([&] {
            const auto e = neighbour(address);
            return e && e->state == NeighbourState::Stale && e->confirmedAge > m_timings.longestReachable() + 1500ms;
        })) << address;
    }
    void expectExactly(const std::map<std::string, std::string>& seen, const std::set<std::string>& present, const char* test)
    {
        std::set<std::string> addresses;
        for (const auto& [address, mac] : seen) addresses.insert(address);
        EXPECT_EQ(addresses, present) << test;
        for (const auto& host : Lab::ArpOnlyHosts)
            EXPECT_TRUE(!present.contains(host.address) || (seen.contains(host.address) && seen.at(host.address) == host.mac))
                << test << " " << host.address;
    }

    std::unique_ptr<EchoSocket> m_echo;
    NeighbourTimings m_timings;
};

} // namespace

TEST(LinkSightingsJudge, restsOnTheConfirmationTimeNotTheState)
{
    using S = NeighbourState;
    using V = LinkSightings::Verdict;
    const NeighbourTimings t;  // the kernel's defaults: reachable for 45 s at most
    const Clock::time_point start = Clock::now(), readAt = start + 10s;
    const struct { S state; bool mac; std::chrono::milliseconds confirmedAgo; V verdict; } cases[] = {
        {S::Reachable, true, 2s, V::Present},       {S::Stale, true, 50s, V::Present},
        {S::Stale, true, 57s, V::Absent},           {S::Delay, true, 57s, V::Undecided},
        {S::Probe, true, 500s, V::Undecided},       {S::Incomplete, false, 60s, V::Undecided},
        {S::Failed, true, 2s, V::Absent},           {S::Permanent, true, 1s, V::Absent},
        {S::Reachable, false, 1s, V::Absent},       {S::NoArp, false, 1s, V::Absent},
    };
    for (const auto& c : cases) {
        NeighbourEntry e;
        e.state = c.state;
        e.confirmedAge = c.confirmedAgo;
        if (c.mac) e.mac = MacAddress{0, 0x1c, 0x42, 1, 2, 3};
        EXPECT_EQ(LinkSightings::judge(&e, readAt, start, t), c.verdict) << int(c.state) << " " << c.confirmedAgo.count();
    }
    EXPECT_EQ(LinkSightings::judge(nullptr, readAt, start, t), V::Absent);
}

TEST_F(LabLink, neighbourTableHoldsHostsThatIgnoreEchoWithTheirMacsAndAgesInTicks)
{
    for (const auto& host : Lab::ArpOnlyHosts) EXPECT_EQ(m_echo->echo(parseLenientAddress(host.address), 64, 300ms).status, EchoStatus::TimedOut);
    (void)m_echo->echo(parseLenientAddress(Lab::Silent), 64, 5ms);
    for (const auto& host : Lab::ArpOnlyHosts) {
        const auto e = neighbour(host.address);
        ASSERT_TRUE(e && e->mac && e->confirmedAge) << host.address;
        EXPECT_EQ(macText(*e->mac), host.mac);
        EXPECT_LT(*e->confirmedAge, m_timings.baseReachable) << host.address;
    }
    // The kernel dates a new entry's confirmation twice the base reachable time back.
    const auto silent = neighbour(Lab::Silent);
    ASSERT_TRUE(silent && silent->confirmedAge);
    EXPECT_GE(*silent->confirmedAge, m_timings.baseReachable * 2 - 100ms);
    EXPECT_FALSE(silent->mac.has_value());
}

TEST_F(LabLink, aTunnelHasNoMacAndNoLink)
{
    ASSERT_EQ(std::system("ip tuntap add t0 mode tun && ip addr add 192.0.2.1/24 dev t0 && ip link set t0 up"), 0);
    const auto interfaces = localInterfaces();
    const auto tunnel = std::find_if(interfaces.begin(), interfaces.end(), [](const auto& i) { return i.name == "t0"; });
    ASSERT_NE(tunnel, interfaces.end());
    EXPECT_TRUE(tunnel->up && tunnel->noArp && !tunnel->mac);
    EXPECT_FALSE(OnLink::ofSystem().interfaceFor(parseLenientAddress("192.0.2.5")));
    EXPECT_EQ(OnLink::ofSystem().interfaceFor(parseLenientAddress(Lab::Alpha)).value_or(LocalInterface{}).name, "eth0");
    EXPECT_EQ(preferredLocalAddress(), parseLenientAddress("198.51.100.2"));
    EXPECT_EQ(std::system("ip link del t0"), 0);
}

TEST_F(LabLink, everyTestSightsTheLinksHostsUntilOneIsTakenAway)
{
    std::string why;
    const auto prober = ArpProber::open(why);
    ASSERT_TRUE(prober) << why;
    for (ArpProber* mode : {static_cast<ArpProber*>(nullptr), prober.get()}) {
        const char* name = mode != nullptr ? "asking ARP" : "neighbour table";
        LinkSightings sightings(mode);
        expectExactly(test(sightings), OnTheLink, name);
        // Minutes apart: the entries have gone stale and vouch for nobody. An ARP probe needs no wait.
        if (mode == nullptr) waitUntilStale(Lab::ArpOnlyHosts[1].address);
        expectExactly(test(sightings), OnTheLink, name);
        ASSERT_TRUE(Lab::setArpOnlyHostPresent(1, false));
        if (mode == nullptr) waitUntilStale(Lab::ArpOnlyHosts[1].address);
        std::set<std::string> rest = OnTheLink;
        rest.erase(Lab::ArpOnlyHosts[1].address);
        expectExactly(test(sightings), rest, name);
        ASSERT_TRUE(Lab::setArpOnlyHostPresent(1, true));
    }
}

TEST_F(LabLink, arpProbeWorksWithoutTheCapabilityAndAfterAStopOrAnEarlyInterrupt)
{
    const auto eth0 = OnLink::ofSystem().interfaceFor(parseLenientAddress(Lab::Alpha));
    ASSERT_TRUE(eth0);
    std::vector<uint32_t> asked{parseLenientAddress(Lab::Silent), parseLenientAddress(Lab::Alpha)};
    for (const auto& host : Lab::ArpOnlyHosts) asked.push_back(parseLenientAddress(host.address));
    std::string why;
    const auto prober = ArpProber::open(why);
    ASSERT_TRUE(prober) << why;
    std::atomic<bool> stop{true};
    EXPECT_TRUE(prober->probe(*eth0, asked, stop).empty());
    stop = false;
    prober->interrupt();
    EXPECT_EQ(prober->probe(*eth0, asked, stop).size(), 4u) << "an interrupt before the probe ended it";
    // A child gives up root and every capability: it may start no privileged helper, but the one root started serves it.
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(100);
        std::string again;
        if (ArpProber::open(again)) _exit(101);  // still privileged
        std::set<std::string> replies;
        for (const ArpReply& r : prober->probe(*eth0, asked, stop)) replies.insert(dottedText(r.address) + " " + macText(r.mac));
        for (const auto& host : Lab::ArpOnlyHosts)
            if (!replies.contains(std::string(host.address) + " " + host.mac)) _exit(102);
        _exit(replies.size() == 4 ? 0 : 103);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
}

TEST_F(LabLink, arpRequestsFollowTheEchoes)
{
    std::string why;
    const auto prober = ArpProber::open(why);
    ASSERT_TRUE(prober) << why;
    const uint32_t last = ntohl(parseLenientAddress("198.51.100.39"));
    std::set<std::string> upToLast;
    for (const std::string& a : OnTheLink)
        if (ntohl(parseLenientAddress(a)) <= last) upToLast.insert(a);
    // Stopped at .39 while ARP held back by the echoes waits at .40: a probe that ran ahead at its own pace would
    // have asked .40-.50 long before the slow echoes got there.
    const struct { const char* name; bool stopped; std::set<std::string> present; } rows[] = {
        {"echoes stopped after .39", true, upToLast},
        {"every echo sent", false, OnTheLink},
    };
    for (const auto& row : rows) {
        LinkSightings sightings(prober.get());
        std::vector<uint32_t> addresses;
        for (int octet = 1; octet <= 60; ++octet) addresses.push_back(parseLenientAddress("198.51.100." + std::to_string(octet)));
        std::promise<std::vector<LinkSighting>> delivered;
        sightings.start(addresses, Clock::now(), [&](LinkSightings::Seen s) { delivered.set_value(std::move(s.sightings)); },
                        {}, true);
        for (const uint32_t a : addresses) {
            if (row.stopped && ntohl(a) > last) break;
            sightings.echoSent(ntohl(a));
            (void)m_echo->echo(a, 64, 5ms);
        }
        sightings.testEnded(row.stopped ? std::optional(last) : std::nullopt);
        auto future = delivered.get_future();
        ASSERT_EQ(future.wait_for(LinkSightings::LongestSettle + 5s), std::future_status::ready) << row.name;
        std::map<std::string, std::string> seen;
        for (const LinkSighting& s : future.get()) seen[dottedText(s.address)] = macText(s.mac);
        expectExactly(seen, row.present, row.name);
    }
}
