// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches a neighbour-table reader that crashes on or believes cut-short, foreign or garbled netlink messages, takes
// a non-Ethernet link address for a MAC, reads ages in the wrong unit, loses entries of a dump of thousands or misses
// its end or error; and an on-link test that takes a tunnel, a loopback, a down link, a subnet's own or edge address
// or another subnet for the link, or a "local IP" that is a loopback address.
#include "net/Ipv4.h"
#include "net/LocalNetworks.h"
#include "net/NeighbourTable.h"

#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

using Bytes = std::vector<uint8_t>;
using Progress = NeighbourTable::DumpProgress;
using std::chrono::milliseconds;

namespace {

constexpr uint32_t Seq = 42;

template <typename T> void append(Bytes& to, const T& value)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    to.insert(to.end(), p, p + sizeof value);
}

void attribute(Bytes& to, uint16_t type, const Bytes& data)
{
    append(to, rtattr{static_cast<unsigned short>(RTA_LENGTH(data.size())), type});
    to.insert(to.end(), data.begin(), data.end());
    to.resize(RTA_ALIGN(to.size()));
}

Bytes message(uint16_t type, const Bytes& payload, uint32_t seq = Seq, uint16_t flags = NLM_F_MULTI)
{
    Bytes m;
    append(m, nlmsghdr{static_cast<uint32_t>(NLMSG_LENGTH(payload.size())), type, flags, seq, 0});
    m.insert(m.end(), payload.begin(), payload.end());
    m.resize(NLMSG_ALIGN(m.size()));
    return m;
}

Bytes neighbour(const char* address, const Bytes& lladdr, uint8_t family = AF_INET, bool cacheInfo = true)
{
    Bytes p;
    append(p, ndmsg{family, 0, 0, 7, NUD_REACHABLE, 0, 0});
    const uint32_t dst = parseLenientAddress(address);
    if (address[0] != '\0') attribute(p, NDA_DST, Bytes(reinterpret_cast<const uint8_t*>(&dst), reinterpret_cast<const uint8_t*>(&dst) + 4));
    if (!lladdr.empty()) attribute(p, NDA_LLADDR, lladdr);
    Bytes info;
    append(info, nda_cacheinfo{250, 3, 120, 1});  // ticks: confirmed 2.5 s ago, updated 1.2 s ago at 100 Hz
    if (cacheInfo) attribute(p, NDA_CACHEINFO, info);
    return message(RTM_NEWNEIGH, p);
}

Bytes done(int error = 0, uint16_t flags = NLM_F_MULTI, uint32_t seq = Seq)
{
    Bytes p;
    append(p, error);
    return message(NLMSG_DONE, p, seq, flags);
}

Bytes refusal(int error)
{
    Bytes p;
    append(p, nlmsgerr{error, {}});
    return message(NLMSG_ERROR, p, Seq, 0);
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes Mac{0x00, 0x1c, 0x42, 0x5c, 0xa1, 0x40};
const MacAddress TheMac{0x00, 0x1c, 0x42, 0x5c, 0xa1, 0x40};

Progress parse(const Bytes& datagram, std::vector<NeighbourEntry>& entries, std::string& why)
{
    return NeighbourTable::parseDumpPart(datagram.data(), datagram.size(), Seq, 100, entries, why);
}

} // namespace

TEST(NeighbourTableParser, takesOnlyWholeIpv4EntriesOfItsOwnDump)
{
    const Bytes good = neighbour("198.51.100.40", Mac);
    Bytes cutAttribute = good;
    cutAttribute[NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ndmsg)) + 8 + 0] = 0xFF;  // the link address's length runs past the end
    const struct { const char* what; Bytes datagram; Progress progress; size_t entries; bool mac; } cases[] = {
        {"an entry, then the end", good + done(), Progress::Done, 1, true},
        {"a tunnel's 4-byte link address", neighbour("198.51.100.40", {1, 2, 3, 4}) + done(), Progress::Done, 1, false},
        {"no link address", neighbour("198.51.100.40", {}), Progress::More, 1, false},
        {"no address", neighbour("", Mac), Progress::More, 0, false},
        {"IPv6", neighbour("198.51.100.40", Mac, AF_INET6), Progress::More, 0, false},
        {"another dump's messages", message(RTM_NEWNEIGH, Bytes(good.begin() + NLMSG_HDRLEN, good.end()), Seq + 1) + done(0, 0, Seq + 1), Progress::More, 0, false},
        {"a message longer than the datagram", Bytes(good.begin(), good.end() - 4) , Progress::More, 0, false},
        {"an attribute longer than its message", cutAttribute, Progress::More, 1, false},
        {"a header cut short", good + Bytes(good.begin(), good.begin() + 10), Progress::More, 1, true},
        {"a dump that changed under way", good + done(0, NLM_F_MULTI | NLM_F_DUMP_INTR), Progress::Interrupted, 1, true},
        {"refused", refusal(-EPERM), Progress::Failed, 0, false},
        {"a dump ending in an error", good + done(-ENOBUFS), Progress::Failed, 1, true},
    };
    for (const auto& c : cases) {
        std::vector<NeighbourEntry> entries;
        std::string why;
        EXPECT_EQ(parse(c.datagram, entries, why), c.progress) << c.what;
        ASSERT_EQ(entries.size(), c.entries) << c.what;
        EXPECT_TRUE(c.progress != Progress::Failed || !why.empty()) << c.what;
        if (c.entries == 0) continue;
        EXPECT_EQ(dottedText(entries[0].address), "198.51.100.40") << c.what;
        EXPECT_EQ(entries[0].mac.has_value(), c.mac) << c.what;
    }
    std::vector<NeighbourEntry> entries;
    std::string why;
    ASSERT_EQ(parse(refusal(-EPERM), entries, why), Progress::Failed);
    EXPECT_NE(why.find(std::strerror(EPERM)), std::string::npos) << why;
    ASSERT_EQ(parse(good, entries, why), Progress::More);
    const NeighbourEntry& e = entries.at(0);
    EXPECT_TRUE(e.interfaceIndex == 7 && e.state == NeighbourState::Reachable && e.mac == TheMac);
    EXPECT_EQ(e.confirmedAge, milliseconds(2500)) << "ages come in clock ticks";
    EXPECT_EQ(e.updatedAge, milliseconds(1200));
}

TEST(NeighbourTableParser, everyCutOfADatagramAndADumpOfThousandsOfEntries)
{
    const Bytes whole = neighbour("198.51.100.40", Mac) + neighbour("198.51.100.41", Mac) + done();
    for (size_t size = 0; size < whole.size(); ++size) {
        std::vector<NeighbourEntry> entries;
        std::string why;
        const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(size));
        EXPECT_EQ(parse(cut, entries, why), Progress::More) << size;
        EXPECT_LE(entries.size(), 2u) << size;
        for (const auto& e : entries) EXPECT_EQ(e.mac, TheMac) << size;
    }
    // As the kernel sends a big table: datagrams of up to 32 KiB, the end in the last.
    std::vector<Bytes> datagrams(1);
    for (int i = 0; i < 6000; ++i) {
        const std::string address = "10." + std::to_string(i / 65536) + "." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256);
        const Bytes m = neighbour(address.c_str(), Mac, AF_INET, i % 3 != 0);
        if (datagrams.back().size() + m.size() > 32768) datagrams.emplace_back();
        datagrams.back() = datagrams.back() + m;
    }
    datagrams.back() = datagrams.back() + done();
    std::vector<NeighbourEntry> entries;
    std::string why;
    size_t doneAt = 0;
    for (size_t i = 0; i < datagrams.size(); ++i)
        if (parse(datagrams[i], entries, why) == Progress::Done) doneAt = i + 1;
    EXPECT_GT(datagrams.size(), 10u);
    EXPECT_EQ(doneAt, datagrams.size());
    ASSERT_EQ(entries.size(), 6000u);
    EXPECT_EQ(dottedText(entries.back().address), "10.0.23.111");
    EXPECT_FALSE(entries[0].confirmedAge.has_value());
}

// One answer for the sweep's bound, the sightings and the ARP requests: the main routing table, then the interface.
TEST(LocalNetworks, onlyTheOtherHostsOfARouteWithoutAGatewayOutOfAnArpInterfaceAreOnTheLink)
{
    const auto at = [](const char* name, const char* address, int prefix, bool mac = true) {
        LocalInterface i;
        i.name = name;
        i.index = static_cast<unsigned>(name[0]);
        i.address = parseLenientAddress(address);
        i.prefixLength = prefix;
        i.up = true;
        if (mac) i.mac = MacAddress{0x02, 0, 0, 0, 0, static_cast<uint8_t>(name[0])};
        return i;
    };
    std::vector<LocalInterface> all{at("lo", "127.0.0.1", 8), at("eth", "198.51.100.2", 24), at("wifi", "198.51.100.130", 25),
                                    at("tun", "192.0.2.1", 24, false), at("ptp", "192.0.2.129", 25), at("down", "203.0.113.2", 24),
                                    at("slash31", "100.64.0.0", 31), at("host", "100.64.1.1", 32)};
    all[0].loopback = true;
    all[3].noArp = all[3].pointToPoint = true;
    all[4].pointToPoint = true;
    all[5].up = false;
    // As the kernel writes /proc/net/route: the addresses in hex as it holds them; flags 1 up, 2 gateway, 0x200 reject.
    std::string table = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\ngarbled line\n";
    const auto route = [&](const char* device, const char* destination, const char* mask, const char* gateway, int flags) {
        char line[128];
        std::snprintf(line, sizeof line, "%s\t%08X\t%08X\t%04X\t0\t0\t0\t%08X\t0\t0\t0\n", device,
                      parseLenientAddress(destination), parseLenientAddress(gateway), flags, parseLenientAddress(mask));
        table += line;
    };
    route("eth", "0.0.0.0", "0.0.0.0", "198.51.100.1", 3);
    route("eth", "198.51.100.0", "255.255.255.0", "0.0.0.0", 1);
    route("wifi", "198.51.100.128", "255.255.255.128", "0.0.0.0", 1);
    route("eth", "198.51.100.64", "255.255.255.224", "198.51.100.1", 3);  // through a gateway inside the subnet
    route("eth", "10.9.0.0", "255.255.0.0", "0.0.0.0", 1);                // on the link beyond the subnet
    route("*", "198.18.0.0", "255.255.0.0", "0.0.0.0", 0x201);
    route("tun", "192.0.2.0", "255.255.255.0", "0.0.0.0", 1);
    route("ptp", "192.0.2.128", "255.255.255.128", "0.0.0.0", 1);
    route("slash31", "100.64.0.0", "255.255.255.254", "0.0.0.0", 1);
    const OnLink onLink{all, RouteTable(table)};
    EXPECT_EQ(onLink.routes.defaultDevice(), "eth");
    const struct { const char* address; const char* on; } cases[] = {
        {"198.51.100.10", "eth"}, {"198.51.100.200", "wifi"}, {"198.51.100.2", nullptr}, {"198.51.100.130", nullptr},
        {"198.51.100.0", nullptr}, {"198.51.100.255", nullptr}, {"198.51.100.127", "eth"}, {"198.51.100.70", nullptr},
        {"10.9.3.4", "eth"}, {"198.18.3.4", nullptr}, {"127.0.0.2", nullptr}, {"192.0.2.5", nullptr},
        {"192.0.2.130", nullptr}, {"203.0.113.10", nullptr}, {"100.64.0.1", "slash31"}, {"100.64.1.2", nullptr},
        {"8.8.8.8", nullptr},
    };
    for (const auto& c : cases) {
        const auto on = onLink.interfaceFor(parseLenientAddress(c.address));
        EXPECT_EQ(on ? on->name : "-", c.on != nullptr ? c.on : "-") << c.address;
    }
    EXPECT_FALSE((OnLink{all, RouteTable("")}.contains(parseLenientAddress("198.51.100.10")))) << "no routes read";
    EXPECT_EQ(preferredLocalAddress({all[0]}), std::nullopt) << "a loopback address offered";
    EXPECT_EQ(preferredLocalAddress(all), parseLenientAddress("198.51.100.2"));
    all[2].defaultRoute = true;
    EXPECT_EQ(preferredLocalAddress(all), parseLenientAddress("198.51.100.130"));
}
