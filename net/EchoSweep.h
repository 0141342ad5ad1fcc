// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Many echo requests in flight on the program's one echo socket: sent in
// index order at a steady pace, each timed out from its own send, their
// results handed over in index order.
#pragma once

#include "net/EchoSocket.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>

struct SweepSettings {
    std::chrono::microseconds interval{250};   // one request every interval; kept within 100 µs to 1 s
    std::chrono::milliseconds timeout{1000};   // of each request, from its own send
    int ttl = 64;                              // only the low 8 bits are sent
    // Most on-link requests holding a neighbour entry at once. One holds it
    // from its send to its answer or error, else until onLinkHold after its
    // send, when Linux's default resolution (3 unanswered solicitations 1 s
    // apart) has given up, even when its time-out came sooner.
    size_t onLinkLimit = 256;
    std::chrono::milliseconds onLinkHold{3000};
    std::function<bool(uint32_t destination)> isOnLink;  // network byte order; empty: nothing is on-link
    // On the sweep's thread, once the request to destination (network byte
    // order) has gone out or been refused: what keeps the sweep's pace and
    // bound (the link's ARP requests) follows it.
    std::function<void(uint32_t destination)> sent;
};

enum class SweepEnd { Completed, Stopped, Aborted };

// Of one run, read on the thread that ran it (also from its callbacks).
struct SweepStatistics {
    size_t sent = 0;          // requests that went out
    size_t peakInFlight = 0;  // most requests waiting for their answers at once
    size_t peakOnLink = 0;    // most on-link requests holding a neighbour entry at once
    size_t peakTable = 0;     // most requests sent or known but not yet handed over
    size_t roomWaits = 0;     // requests that waited for room in the send buffer
};

class EchoSweep {
public:
    using Clock = EchoSocket::Clock;
    using Deliver = std::function<void(size_t index, const EchoResult& result)>;

    // The socket must outlive the sweep; no echo() on it while run() runs.
    EchoSweep(EchoSocket& socket, SweepSettings settings);
    ~EchoSweep();
    EchoSweep(const EchoSweep&) = delete;
    EchoSweep& operator=(const EchoSweep&) = delete;

    // Sends one request to destination(i) (network byte order) for i = 0 ..
    // count - 1 in order, request i no earlier than i intervals after the
    // start, and runs deliver(i, result) on the calling thread once every
    // result before it has been delivered. mayContinue() is asked before
    // each send (every 2 ms while it says no); meanwhile nothing is sent, but
    // answers are still read and time-outs still count. Returns once every result is
    // delivered, after stop(), or at once after the socket's abort().
    [[nodiscard]] SweepEnd run(size_t count, const std::function<uint32_t(size_t)>& destination,
                               const Deliver& deliver, const std::function<bool()>& mayContinue = {});
    // From any thread, also before run(): no further request goes out; the
    // results already known are delivered at once in index order, those
    // still waiting are given up without one, and run() returns Stopped (as
    // every later run() does at once).
    void stop() noexcept;

    const SweepStatistics& statistics() const noexcept { return m_statistics; }

    // The sweep keeps a schedule, an interval a request, so that sends a
    // little late on a busy core do not stretch it: a late send is made up
    // for by the next ones, none closer than half an interval to the one
    // before. Of a stall longer than CatchUpIntervals, the rest is let go.
    struct Pace {
        Clock::time_point schedule;  // of the next request
        Clock::time_point earliest;  // when it may go
    };
    static constexpr int CatchUpIntervals = 32;
    [[nodiscard]] static Pace paceAfter(Clock::time_point schedule, Clock::time_point sent,
                                        Clock::duration interval) noexcept;

private:
    enum class State : uint8_t { Unsent, Waiting, Known };
    struct Request {
        uint32_t destination = 0;
        uint16_t sequence = 0;
        State state = State::Unsent;
        bool onLink = false;
        bool holdsOnLink = false;  // counted in m_onLinkHeld
        Clock::time_point sent;
        EchoResult result;
    };

    Request* waitingRequest(uint16_t sequence) noexcept;
    void take(const EchoSocket::Answer& answer);
    Clock::time_point nextDeadline() noexcept;
    void expire(Clock::time_point now);
    void releaseOnLink(Request& request, Clock::time_point now);
    void deliverKnown(const Deliver& deliver, bool skipWaiting);
    // One step towards sending request `next`: true when it went out or has
    // its status (next then names the following one); false when it waits,
    // with wake lowered to when to try again if no answer or expiry comes first.
    bool sendStep(size_t& next, Clock::time_point now, bool writable, const std::function<uint32_t(size_t)>& destination,
                  const std::function<bool()>& mayContinue, Clock::time_point& wake);

    EchoSocket& m_socket;
    SweepSettings m_settings;
    std::deque<Request> m_table;  // every request from m_firstIndex on that is not delivered yet
    size_t m_firstIndex = 0;
    size_t m_expiryIndex = 0;     // no request before it still waits
    size_t m_inFlight = 0;
    size_t m_onLinkHeld = 0;
    std::deque<Clock::time_point> m_onLinkReleases;  // of timed-out on-link requests, in send order
    Clock::time_point m_nextSend;  // the earliest the next request may go
    Clock::time_point m_schedule;  // when it is due
    bool m_roomWait = false;  // the last request sent found the send buffer full
    int m_ttlError = 0;       // setting the time to live failed: no request goes out
    Clock::duration m_wakeLateness{};  // how late timed waits have ended lately
    SweepStatistics m_statistics;
    std::atomic<bool> m_stopped{false};
    int m_stopFd = -1;  // eventfd, readable once stopped
};
