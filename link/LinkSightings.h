// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Which of a test's addresses on the scanner's own link answered ARP during
// the test, with their MACs, whether they answered the echo or not. With an
// ArpProber each test asks ARP itself, in flight with its echoes and at their
// pace; without one the kernel's neighbour table tells (each echo makes the
// kernel ask ARP), read once the last echo has had its grace.
#pragma once

#include "net/ArpProber.h"
#include "net/LocalNetworks.h"
#include "net/MacAddress.h"
#include "net/NeighbourTable.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct LinkSighting {
    uint32_t address = 0;  // network byte order
    MacAddress mac{};
};

// The pace of a test's echoes, which its ARP requests keep, and their time-out,
// from which each address's deadline on the link follows.
struct LinkPace {
    std::chrono::microseconds interval{250};
    bool retry = true;  // a second ARP request to an address still silent (the benchmarks turn it off)
    std::chrono::milliseconds timeout{1};
};

class LinkSightings {
public:
    using Clock = std::chrono::steady_clock;
    // What the link said of a test: known false (with the reason in why)
    // where it could not be looked at, which proves nobody absent.
    struct Seen {
        std::vector<LinkSighting> sightings;
        bool known = true;
        std::string why;
    };
    // Runs on the worker thread: hand the sightings over (a queued call),
    // never wait there for the thread that calls cancel().
    using Deliver = std::function<void(Seen)>;
    using Pace = LinkPace;

    // Whatever the kernel's settings, sightings come this long after
    // testEnded() at the latest.
    static constexpr std::chrono::seconds LongestSettle{30};
    // How long after testEnded() the sightings of that many addresses may
    // take at the most: the bound a test waits for them.
    [[nodiscard]] std::chrono::milliseconds longestAfterEnd(size_t addresses, Pace pace) const;

    // prober: null to read the neighbour table; else owned by the caller,
    // used by one LinkSightings at a time, and alive until it is destroyed.
    explicit LinkSightings(ArpProber* prober = nullptr);
    ~LinkSightings();  // cancel()
    LinkSightings(const LinkSightings&) = delete;
    LinkSightings& operator=(const LinkSightings&) = delete;

    // At the start of a test (testStart: when its first echo went out, or
    // just before). Addresses off the link are left out. Cancels a previous
    // start. Delivers once, in address order, after testEnded(): at once
    // when no address lies on the link. followsEchoes: no ARP request goes
    // to an address before echoSent() has named it or one above it. onLink:
    // the test's view of the link, read afresh when none is given.
    void start(std::vector<uint32_t> addresses, Clock::time_point testStart, Deliver deliver, Pace pace = {},
               bool followsEchoes = false, std::shared_ptr<const OnLink> onLink = {});
    // From the echoes' thread: the request to that address (host order) has
    // gone out, and so have those to the addresses before it.
    void echoSent(uint32_t address) noexcept
    {
        if (address > m_sentUpTo.load(std::memory_order_relaxed)) m_sentUpTo.store(address, std::memory_order_release);
    }
    // The test's last echo has gone out, or the test was stopped after its
    // echo to lastSent (host order): then no address beyond it is asked, and
    // those already asked are decided.
    void testEnded(std::optional<uint32_t> stoppedAfter = std::nullopt);
    // No delivery after it returns; waits for the worker.
    void cancel();

    [[nodiscard]] bool asksArpItself() const noexcept { return m_prober != nullptr; }

    // The neighbour table's verdict on one address of a test on that
    // interface, read at readAt (exposed for the tests).
    enum class Verdict { Present, Undecided, Absent };
    [[nodiscard]] static Verdict judge(const NeighbourEntry* entry, Clock::time_point readAt,
                                       Clock::time_point testStart, const NeighbourTimings& timings);

private:
    struct Candidate;
    void run(std::vector<uint32_t> addresses, Clock::time_point testStart, const Deliver& deliver, Pace pace,
             const std::shared_ptr<const OnLink>& onLink);
    [[nodiscard]] Seen watchNeighbourTable(const std::vector<Candidate>& candidates, Clock::time_point testStart,
                                           Pace pace);
    [[nodiscard]] Seen askArp(const std::vector<Candidate>& candidates, Pace pace);
    // Waits until the time, testEnded() or cancel().
    void waitUntil(Clock::time_point time);

    ArpProber* const m_prober;
    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    std::atomic<uint32_t> m_askUpTo{UINT32_MAX};  // host order: the test was stopped after its echo to it
    std::atomic<uint32_t> m_sentUpTo{UINT32_MAX};  // host order: the echoes have got that far
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_ended = false;            // guarded by m_mutex
    Clock::time_point m_endedAt{};   // guarded by m_mutex
};
