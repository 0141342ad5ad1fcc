// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Benchmarks of the link layer, run inside the test lab by bench/link_run.sh:
//   scanvet_bench_link table REPS     reads of the neighbour table (fill it first: echoes to every address)
//   scanvet_bench_link makers REPS    loads of Debian's maker lists, and 1,000 look-ups after a load
//   scanvet_bench_link settle REPS    a test's sightings after its last echo, first test and repeat, both modes
//   scanvet_bench_link left           how long a host taken away is still reported, both modes
// Each prints "key value" lines: the median, min and max of its repetitions.
#include "link/LinkSightings.h"
#include "link/MakerTable.h"
#include "net/EchoSocket.h"
#include "net/Ipv4.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void report(const std::string& key, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::printf("%s.median %.3f\n%s.min %.3f\n%s.max %.3f\n", key.c_str(), values[values.size() / 2], key.c_str(),
                values.front(), key.c_str(), values.back());
}

std::vector<uint32_t> lanRange()
{
    std::vector<uint32_t> addresses;
    for (int octet = 1; octet <= 254; ++octet) addresses.push_back(parseLenientAddress("198.51.100." + std::to_string(octet)));
    return addresses;
}

// One echo to each address, one at a time with a 1 ms time-out, as a LAN sweep sends them.
void sweep(EchoSocket& echo, const std::vector<uint32_t>& addresses)
{
    for (const uint32_t a : addresses) (void)echo.echo(a, 64, 1ms);
}

void neighbourTable(int reps)
{
    EchoSocket echo;
    sweep(echo, lanRange());
    NeighbourTable table;
    std::string why;
    const auto entries = table.read(why);
    std::printf("link.table_entries %zu\n", entries ? entries->size() : 0);
    std::vector<double> times;
    for (int i = 0; i < reps * 20; ++i) {
        const Clock::time_point start = Clock::now();
        if (!table.read(why)) std::fprintf(stderr, "read failed: %s\n", why.c_str());
        times.push_back(msSince(start));
    }
    report("link.table_read_ms", times);
}

void makers(int reps)
{
    std::vector<double> loads, lookups;
    std::mt19937 random(7);
    for (int i = 0; i < reps; ++i) {
        const Clock::time_point start = Clock::now();
        MakerTable table;
        if (!table.waitUntilLoaded(10s)) std::fprintf(stderr, "the lists did not load\n");
        loads.push_back(msSince(start));
        // Half of the MACs of known blocks (the lab's), half random.
        std::vector<MacAddress> macs(1000);
        for (size_t m = 0; m < macs.size(); ++m) {
            for (uint8_t& b : macs[m]) b = static_cast<uint8_t>(random());
            macs[m][0] &= 0xFC;
            if (m % 2 == 0) std::copy_n(MacAddress{0x70, 0xb3, 0xd5, 0x71, 0x9a, 0x41}.begin(), 3, macs[m].begin());
        }
        size_t named = 0;
        const Clock::time_point lookupStart = Clock::now();
        for (const MacAddress& mac : macs) named += !table.makerOf(mac).isEmpty();
        lookups.push_back(msSince(lookupStart));
        if (i == 0) std::printf("link.maker_blocks %zu\nlink.lookups_named %zu\n", table.blockCount(), named);
    }
    report("link.makers_load_ms", loads);
    report("link.makers_1000_lookups_ms", lookups);
}

// A test of the LAN /24: sightings started at its start, ended after its last echo; the time from the end to
// their delivery.
double settle(LinkSightings& sightings, EchoSocket& echo, std::vector<LinkSighting>& found)
{
    const auto addresses = lanRange();
    std::promise<std::vector<LinkSighting>> delivered;
    Clock::time_point deliveredAt;
    sightings.start(addresses, Clock::now(), [&](LinkSightings::Seen s) {
        deliveredAt = Clock::now();
        delivered.set_value(std::move(s.sightings));
    });
    sweep(echo, addresses);
    const Clock::time_point end = Clock::now();
    sightings.testEnded();
    found = delivered.get_future().get();
    // Settled while the sweep was still under way: nothing left to wait for at its end.
    return std::max(0.0, std::chrono::duration<double, std::milli>(deliveredAt - end).count());
}

bool sighted(const std::vector<LinkSighting>& found, const char* address)
{
    return std::any_of(found.begin(), found.end(), [&](const LinkSighting& s) { return s.address == parseLenientAddress(address); });
}

// With the kernel's own timings: a host taken away right after a test sighted it; tests back to back until one
// misses it. The time from the take-away to the start of that test, and that test's settle time.
void leftBound()
{
    std::string namespaces = std::getenv("SCANVET_LAB_ARP_HOSTS") != nullptr ? std::getenv("SCANVET_LAB_ARP_HOSTS") : "";
    const std::string host41 = namespaces.substr(namespaces.find(' ') + 1, namespaces.find(' ', namespaces.find(' ') + 1) - namespaces.find(' ') - 1);
    EchoSocket echo;
    std::string why;
    const auto prober = ArpProber::open(why);
    for (ArpProber* mode : {static_cast<ArpProber*>(nullptr), prober.get()}) {
        const std::string key = mode != nullptr ? "link.left_arp" : "link.left_table";
        LinkSightings sightings(mode);
        std::vector<LinkSighting> found;
        settle(sightings, echo, found);
        if (!sighted(found, "198.51.100.41")) std::fprintf(stderr, ".41 not sighted before the take-away\n");
        if (std::system(("ip -n " + host41 + " link set eth0 down").c_str()) != 0) std::fprintf(stderr, "no take-away\n");
        const Clock::time_point away = Clock::now();
        int tests = 0;
        for (; msSince(away) < 180'000; ++tests) {
            const Clock::time_point start = Clock::now();
            const double settled = settle(sightings, echo, found);
            if (!sighted(found, "198.51.100.41")) {
                std::printf("%s_gone_after_ms %.0f\n%s_gone_settle_ms %.0f\n%s_tests_still_reporting %d\n", key.c_str(),
                            std::chrono::duration<double, std::milli>(start - away).count(), key.c_str(), settled, key.c_str(), tests);
                break;
            }
        }
        if (std::system(("ip -n " + host41 + " link set eth0 up").c_str()) != 0) std::fprintf(stderr, "not back\n");
    }
}

// Until the kernel no longer vouches for the host (its confirmation older than the longest reachable time and the
// sightings' 1 s of slack) and will not ask again by itself (stale): as minutes after a test.
void waitUntilStale(const char* address)
{
    const auto unvouched = NeighbourTable::timingsOf("eth0").longestReachable() + 1500ms;
    NeighbourTable table;
    std::string why;
    for (int i = 0; i < 3000; ++i, std::this_thread::sleep_for(20ms))
        for (const NeighbourEntry& e : table.read(why).value_or(std::vector<NeighbourEntry>{}))
            if (e.address == parseLenientAddress(address) && e.state == NeighbourState::Stale && e.confirmedAge > unvouched)
                return;
    std::fprintf(stderr, "%s never went stale\n", address);
}

void settleTimes(int reps)
{
    // Repeats here come once the entries have gone stale, as in tests minutes apart: a base reachable time of
    // 12 s makes that some 20 s; delay_first_probe_time, which decides a stale entry's wait, stays the kernel's
    // (5 s). A reachable time below it would keep a used entry going round through DELAY instead.
    std::ofstream("/proc/sys/net/ipv4/neigh/eth0/base_reachable_time_ms") << 12000;
    EchoSocket echo;
    std::string why;
    const auto prober = ArpProber::open(why);
    if (!prober) std::fprintf(stderr, "no ARP prober: %s\n", why.c_str());
    for (ArpProber* mode : {static_cast<ArpProber*>(nullptr), prober.get()}) {
        const std::string key = mode != nullptr ? "link.settle_arp" : "link.settle_table";
        std::vector<double> first, repeat;
        std::vector<LinkSighting> foundFirst, foundRepeat;
        for (int i = 0; i < reps; ++i) {
            if (std::system("ip -4 neigh flush all") != 0) std::fprintf(stderr, "cannot flush the neighbour table\n");
            LinkSightings sightings(mode);
            first.push_back(settle(sightings, echo, foundFirst));
            if (mode == nullptr) waitUntilStale("198.51.100.40");
            repeat.push_back(settle(sightings, echo, foundRepeat));
        }
        std::printf("%s_found_first %zu\n%s_found_repeat %zu\n", key.c_str(), foundFirst.size(), key.c_str(), foundRepeat.size());
        report(key + "_first_ms", first);
        report(key + "_repeat_ms", repeat);
    }
}

} // namespace

// With loss on the lab's link (bench/link_run.sh sets it): over REPS tests of the LAN /24, how many of the ARP-only
// hosts each way of looking at the link finds: asking ARP with and without a second request, and the neighbour table.
void lossDetection(int reps)
{
    std::string why;
    const auto prober = ArpProber::open(why);
    if (!prober) std::fprintf(stderr, "no ARP prober: %s\n", why.c_str());
    EchoSocket echo;
    const char* hosts[] = {"198.51.100.40", "198.51.100.41", "198.51.100.42"};
    for (const auto& [label, mode, retry] : {std::tuple{"arp_retry", prober.get(), true}, {"arp_no_retry", prober.get(), false},
                                            {"table", static_cast<ArpProber*>(nullptr), false}}) {
        if (mode == nullptr && std::string(label) != "table") continue;
        int found = 0;
        for (int i = 0; i < reps; ++i) {
            if (std::system("ip -4 neigh flush all") != 0) std::fprintf(stderr, "cannot flush the neighbour table\n");
            LinkSightings sightings(mode);
            std::promise<std::vector<LinkSighting>> delivered;
            sightings.start(lanRange(), Clock::now(), [&](LinkSightings::Seen s) { delivered.set_value(std::move(s.sightings)); },
                            LinkPace{250us, retry});
            sweep(echo, lanRange());
            sightings.testEnded();
            const std::vector<LinkSighting> seen = delivered.get_future().get();
            for (const char* host : hosts) found += sighted(seen, host);
        }
        std::printf("link.loss_found_%s %d\nlink.loss_asked_%s %d\n", label, found, label, reps * 3);
    }
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::string what = argc > 1 ? argv[1] : "";
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    if (what != "makers" && (std::getenv("SCANVET_LAB") == nullptr || std::getenv("SCANVET_LAB_UNAVAILABLE") != nullptr)) {
        std::fprintf(stderr, "run it inside the test lab (bench/link_run.sh)\n");
        return 1;
    }
    if (what == "table") neighbourTable(reps);
    else if (what == "makers") makers(reps);
    else if (what == "settle") settleTimes(reps);
    else if (what == "left") leftBound();
    else if (what == "loss") lossDetection(reps);
    else {
        std::fprintf(stderr, "usage: scanvet_bench_link table|makers|settle|left|loss [REPS]\n");
        return 2;
    }
    return 0;
}
