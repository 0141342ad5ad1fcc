// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The echo sweep alone, over the test lab's ranges; prints one line a run.
// Only inside lab/netlab.sh.
//
//   scanvet_sweep_bench [--interval US] [--raw] RANGE:PRESET...
//       RANGE: lan (198.51.100.1-254), routed24 (192.0.2.1-254),
//              routed16 (198.18.0.1-198.18.255.254)
//       PRESET: lan (1 ms, ttl 1), fast (600 ms, ttl 255), slow (3000 ms, ttl 255)
#include "net/EchoSweep.h"
#include "net/Ipv4.h"
#include "net/LocalNetworks.h"

#include <arpa/inet.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

int main(int argc, char** argv)
{
    using namespace std::chrono;
    const std::map<std::string, std::pair<std::string, uint32_t>> ranges = {
        {"lan", {"198.51.100.1", 254}}, {"routed24", {"192.0.2.1", 254}}, {"routed16", {"198.18.0.1", 65534}}};
    const std::map<std::string, std::pair<milliseconds, int>> presets = {
        {"lan", {1ms, 1}}, {"fast", {600ms, 255}}, {"slow", {3000ms, 255}}};
    microseconds interval{250};
    bool raw = false;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--interval" && a + 1 < argc) {
            interval = microseconds(std::atoll(argv[++a]));
            continue;
        }
        if (arg == "--raw") {
            raw = true;
            continue;
        }
        const size_t colon = arg.find(':');
        if (colon == std::string::npos || !ranges.count(arg.substr(0, colon)) || !presets.count(arg.substr(colon + 1))) {
            std::fprintf(stderr, "usage: scanvet_sweep_bench [--interval US] [--raw] lan|routed24|routed16:lan|fast|slow...\n");
            return 2;
        }
        const auto& [firstText, count] = ranges.at(arg.substr(0, colon));
        const auto& [timeout, ttl] = presets.at(arg.substr(colon + 1));
        EchoSocket socket(raw ? EchoSocketKind::Raw : EchoSocketKind::Datagram);
        SweepSettings settings;
        settings.interval = interval;
        settings.timeout = timeout;
        settings.ttl = ttl;
        settings.isOnLink = [onLink = OnLink::ofSystem()](uint32_t to) { return onLink.contains(to); };
        EchoSweep sweep(socket, settings);
        const uint32_t first = ntohl(parseLenientAddress(firstText));
        size_t answered = 0, inOrder = 0, next = 0;
        const auto start = steady_clock::now();
        const SweepEnd end = sweep.run(
            count, [&](size_t i) { return htonl(first + static_cast<uint32_t>(i)); },
            [&](size_t i, const EchoResult& r) {
                answered += r.answered();
                inOrder += i == next++;
            });
        const double wallMs = duration<double, std::milli>(steady_clock::now() - start).count();
        const double floorMs = duration<double, std::milli>(interval * (count - 1) + timeout).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const SweepStatistics& s = sweep.statistics();
        std::printf("%s interval_us %lld wall_ms %.1f floor_ms %.1f ratio %.3f answered %zu delivered_in_order %zu "
                    "completed %d peak_table %zu peak_in_flight %zu room_waits %zu cpu_ms %.0f max_rss_kb %ld\n",
                    arg.c_str(), static_cast<long long>(interval.count()), wallMs, floorMs, wallMs / floorMs, answered,
                    inOrder, end == SweepEnd::Completed, s.peakTable, s.peakInFlight, s.roomWaits,
                    (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3,
                    usage.ru_maxrss);
        std::fflush(stdout);
    }
}
