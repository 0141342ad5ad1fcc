// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// How the kernel's neighbour table proves a neighbour present, unprivileged:
// - An echo to an address without an entry (or a failed one) makes the
//   kernel ask ARP by broadcast at once; an answer marks the entry REACHABLE
//   and sets its confirmation time.
// - An echo to a STALE entry goes out to the known MAC and moves the entry
//   to DELAY; delay_first_probe_time (5 s) later the kernel asks unicast
//   ARP, and an answer confirms the entry again. So a repeat test's sightings
//   wait for that probe.
// - An entry still REACHABLE when the echo goes out is not asked again; it
//   was confirmed at most 1.5 times base_reachable_time (the kernel draws
//   its reachable time between half and 1.5 times that) before the echo.
// Hence an entry is present when it was confirmed after the test started,
// less that longest reachable time; its state alone proves nothing. A
// neighbour that has left is reported by no test that starts more than that
// (46 s by default) after its last answer. An entry still INCOMPLETE at the
// last echo's deadline on the link (ArpProber::decideAfter) is a silent address: no test waits for
// the kernel to give up on it; only an entry the kernel is confirming again
// (DELAY, PROBE) is waited for.
#include "link/LinkSightings.h"

#include "link/Log.h"
#include "net/LocalNetworks.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <cstring>

#include <algorithm>
#include <exception>
#include <map>
#include <utility>

using std::chrono::milliseconds;

namespace {

// The kernel's timers run late by a tick or more, and ages come in 10 ms ticks.
constexpr milliseconds ReachableSlack{1000};
// After the last answer the kernel may still be waiting for: its flight and one poll.
constexpr milliseconds ResolutionSlack{500};
// While the test runs the table is read now and then, so that an entry that
// answered early in a long test is seen before the kernel's garbage
// collection drops it (gc_stale_time, 60 s); after the end often, so the
// sightings come soon after the last answer.
constexpr milliseconds PollDuringTest{1000};
constexpr milliseconds PollAfterTest{10};

} // namespace

struct LinkSightings::Candidate {
    uint32_t address;
    LocalInterface on;
    NeighbourTimings timings;
};

LinkSightings::LinkSightings(ArpProber* prober) : m_prober(prober) {}

LinkSightings::~LinkSightings()
{
    cancel();
}

std::chrono::milliseconds LinkSightings::longestAfterEnd(size_t addresses, Pace pace) const
{
    if (m_prober != nullptr) return ArpProber::longestProbe(addresses, pace.interval, pace.timeout);
    return LongestSettle;
}

void LinkSightings::start(std::vector<uint32_t> addresses, Clock::time_point testStart, Deliver deliver, Pace pace,
                          bool followsEchoes, std::shared_ptr<const OnLink> onLink)
{
    cancel();
    m_stop = false;
    m_askUpTo = UINT32_MAX;
    m_sentUpTo = followsEchoes ? 0 : UINT32_MAX;
    {
        const std::lock_guard lock(m_mutex);
        m_ended = false;
    }
    m_worker = std::thread([this, addresses = std::move(addresses), testStart, deliver = std::move(deliver), pace,
                            onLink = std::move(onLink)]() mutable {
        // Not stepping back like the other background threads: each ARP request's deadline runs from when it
        // goes out, so one that waits behind the maker lists' load delays the test's end.
        bool delivered = false;
        const Deliver once = [&](Seen seen) {
            delivered = true;
            deliver(std::move(seen));
        };
        try {
            if (!onLink) onLink = std::make_shared<const OnLink>(OnLink::ofSystem());
            run(std::move(addresses), testStart, once, pace, onLink);
        } catch (const std::exception& e) {
            // The owner's wait must end all the same: the link unknown, unless the delivery itself failed.
            qCCritical(lcLink) << "link sightings failed:" << e.what();
            if (!delivered && !m_stop) deliver({{}, false, e.what()});
        }
    });
}

void LinkSightings::testEnded(std::optional<uint32_t> stoppedAfter)
{
    // Whole, every echo has gone out.
    if (!stoppedAfter) m_sentUpTo = UINT32_MAX;
    if (stoppedAfter) {
        m_askUpTo = *stoppedAfter;
        if (m_prober != nullptr) m_prober->interrupt();
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_ended) return;
        m_ended = true;
        m_endedAt = Clock::now();
    }
    m_wake.notify_all();
}

void LinkSightings::cancel()
{
    {
        const std::lock_guard lock(m_mutex);  // a waiter between its look at m_stop and its sleep would miss it
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_prober != nullptr) m_prober->interrupt();
    if (m_worker.joinable()) m_worker.join();
}

void LinkSightings::waitUntil(Clock::time_point time)
{
    std::unique_lock lock(m_mutex);
    const bool endedBefore = m_ended;
    m_wake.wait_until(lock, time, [&] { return m_stop || m_ended != endedBefore; });
}

void LinkSightings::run(std::vector<uint32_t> addresses, Clock::time_point testStart, const Deliver& deliver, Pace pace,
                        const std::shared_ptr<const OnLink>& known)
{
    const OnLink& onLink = *known;
    std::map<unsigned, NeighbourTimings> timings;
    std::vector<Candidate> candidates;
    std::sort(addresses.begin(), addresses.end(), [](uint32_t a, uint32_t b) { return ntohl(a) < ntohl(b); });
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    for (const uint32_t a : addresses) {
        auto on = onLink.interfaceFor(a);
        if (!on) continue;
        if (!timings.contains(on->index)) timings[on->index] = NeighbourTable::timingsOf(on->name);
        candidates.push_back({a, std::move(*on), timings[on->index]});
    }
    Seen seen;
    if (!onLink.unreadable.empty() && !addresses.empty()) {
        qCWarning(lcLink) << "the link is not known for this test: the interfaces cannot be read:" << onLink.unreadable.c_str();
        seen = {{}, false, "the interfaces cannot be read: " + onLink.unreadable};
    } else if (!candidates.empty()) {
        seen = m_prober != nullptr ? askArp(candidates, pace) : watchNeighbourTable(candidates, testStart, pace);
    }
    std::sort(seen.sightings.begin(), seen.sightings.end(), [](const LinkSighting& a, const LinkSighting& b) {
        return ntohl(a.address) != ntohl(b.address) ? ntohl(a.address) < ntohl(b.address) : a.mac < b.mac;
    });
    if (!m_stop) deliver(std::move(seen));
}

LinkSightings::Seen LinkSightings::askArp(const std::vector<Candidate>& candidates, Pace pace)
{
    Seen seen;
    for (size_t first = 0; first < candidates.size() && !m_stop;) {
        std::vector<uint32_t> asked;
        size_t end = first;
        for (; end < candidates.size() && candidates[end].on.index == candidates[first].on.index
               && candidates[end].on.address == candidates[first].on.address;
             ++end)
            asked.push_back(candidates[end].address);
        const ArpProber::Settings settings{pace.interval, pace.timeout, pace.retry, &m_askUpTo, &m_sentUpTo};
        for (const ArpReply& reply : m_prober->probe(candidates[first].on, asked, m_stop, settings))
            seen.sightings.push_back({reply.address, reply.mac});
        first = end;
    }
    return seen;
}

LinkSightings::Verdict LinkSightings::judge(const NeighbourEntry* entry, Clock::time_point readAt,
                                            Clock::time_point testStart, const NeighbourTimings& timings)
{
    if (entry == nullptr) return Verdict::Absent;
    switch (entry->state) {
    case NeighbourState::Reachable:
    case NeighbourState::Stale:
    case NeighbourState::Delay:
    case NeighbourState::Probe:
        if (entry->mac && entry->confirmedAge && isStationAddress(*entry->mac)
            && readAt - *entry->confirmedAge >= testStart - timings.longestReachable() - ReachableSlack)
            return Verdict::Present;
        // DELAY and PROBE: the kernel is asking again; STALE: it will not ask before the next packet.
        return entry->state == NeighbourState::Delay || entry->state == NeighbourState::Probe ? Verdict::Undecided
                                                                                              : Verdict::Absent;
    case NeighbourState::Incomplete: return Verdict::Undecided;
    default: return Verdict::Absent;  // failed, or static: proves nothing
    }
}

LinkSightings::Seen LinkSightings::watchNeighbourTable(const std::vector<Candidate>& candidates,
                                                      Clock::time_point testStart, Pace pace)
{
    NeighbourTable table;
    std::map<size_t, MacAddress> seen;  // candidate: its MAC, once present
    Clock::time_point deadline = Clock::time_point::max(), unresolvedUntil = deadline;
    for (;;) {
        std::string why;
        const Clock::time_point readAt = Clock::now();
        const auto entries = table.read(why);
        if (!entries) {
            qCCritical(lcLink) << "the link is not known for this test: the neighbour table cannot be read:" << why.c_str();
            return {{}, false, "the neighbour table cannot be read: " + why};
        }
        std::map<std::pair<uint32_t, int>, const NeighbourEntry*> byAddress;
        for (const NeighbourEntry& e : *entries) byAddress[{e.address, e.interfaceIndex}] = &e;
        size_t undecided = 0;
        for (size_t i = 0; i < candidates.size(); ++i) {
            if (seen.contains(i)) continue;
            const Candidate& c = candidates[i];
            const auto e = byAddress.find({c.address, static_cast<int>(c.on.index)});
            const NeighbourEntry* entry = e == byAddress.end() ? nullptr : e->second;
            const Verdict verdict = judge(entry, readAt, testStart, c.timings);
            if (verdict == Verdict::Present) seen[i] = *entry->mac;
            // An address still unresolved after its grace is silent.
            const bool unresolved = entry != nullptr && entry->state == NeighbourState::Incomplete;
            undecided += verdict == Verdict::Undecided && (!unresolved || readAt < unresolvedUntil);
        }
        bool ended = false;
        {
            const std::lock_guard lock(m_mutex);
            if (m_ended && deadline == Clock::time_point::max()) {
                milliseconds longest{0};
                for (const Candidate& c : candidates) longest = std::max(longest, c.timings.longestResolution());
                deadline = m_endedAt + std::min<milliseconds>(longest + ResolutionSlack, LongestSettle);
                // The test ends with the last echo's time-out; the kernel asked ARP when it went out.
                unresolvedUntil = m_endedAt - pace.timeout + ArpProber::decideAfter(pace.timeout);
            }
            ended = m_ended;
        }
        if (m_stop || (ended && (undecided == 0 || Clock::now() >= deadline))) break;
        const Clock::time_point poll = Clock::now() + (ended ? PollAfterTest : PollDuringTest);
        waitUntil(std::min({deadline, poll, Clock::now() < unresolvedUntil ? unresolvedUntil : poll}));
    }
    Seen sightings;
    for (const auto& [i, mac] : seen) sightings.sightings.push_back({candidates[i].address, mac});
    return sightings;
}
