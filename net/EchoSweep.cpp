// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The table holds every request from the oldest not yet delivered to the
// newest sent, so its sequence numbers run on without a gap and a sequence
// finds its request by its distance from the first.
#include "net/EchoSweep.h"

#include "net/Log.h"
#include "net/TimerSlackScope.h"

#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

using namespace std::chrono_literals;
using Clock = EchoSweep::Clock;

// Below the 65,536 sequence numbers, so that a live sequence names one
// request and an expired one is far from being used again.
constexpr size_t MaxTable = 32768;
// How often a sweep held back by mayContinue() asks again.
constexpr auto BackPressurePoll = 2ms;
// The most that a wait before a send ends early and polls.
constexpr Clock::duration MaxEarly = 150us;
// Without an eventfd for stop(), no wait lasts longer.
constexpr auto StopPoll = 10ms;

} // namespace

EchoSweep::EchoSweep(EchoSocket& socket, SweepSettings settings) : m_socket(socket), m_settings(std::move(settings))
{
    m_settings.interval = std::clamp<std::chrono::microseconds>(m_settings.interval, 100us, 1s);
    m_settings.timeout = std::max(m_settings.timeout, 0ms);
    m_settings.onLinkLimit = std::max<size_t>(m_settings.onLinkLimit, 1);
    m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stopFd < 0) qCWarning(lcNet, "no eventfd for stopping a sweep, it polls instead: %s", std::strerror(errno));
}

EchoSweep::~EchoSweep()
{
    if (m_stopFd >= 0) close(m_stopFd);
}

void EchoSweep::stop() noexcept
{
    m_stopped = true;
    const uint64_t one = 1;
    if (m_stopFd >= 0) [[maybe_unused]] const ssize_t n = write(m_stopFd, &one, sizeof one);
}

EchoSweep::Request* EchoSweep::waitingRequest(uint16_t sequence) noexcept
{
    if (m_table.empty()) return nullptr;
    const size_t offset = static_cast<uint16_t>(sequence - m_table.front().sequence);
    if (offset >= m_table.size()) return nullptr;
    Request& request = m_table[offset];
    return request.state == State::Waiting && request.sequence == sequence ? &request : nullptr;
}

void EchoSweep::take(const EchoSocket::Answer& answer)
{
    Request* request = waitingRequest(answer.sequence);
    if (request == nullptr) return;
    // Judged by when the kernel took the answer in, not when a busy thread read it.
    const auto result = EchoSocket::judgedInTime(answer, request->sent, m_settings.timeout);
    if (!result) return;
    request->result = *result;
    request->state = State::Known;
    --m_inFlight;
    // An answer or an error ends the address resolution too.
    if (request->holdsOnLink) {
        request->holdsOnLink = false;
        --m_onLinkHeld;
    }
}

Clock::time_point EchoSweep::nextDeadline() noexcept
{
    m_expiryIndex = std::max(m_expiryIndex, m_firstIndex);
    while (m_expiryIndex - m_firstIndex < m_table.size()) {
        const Request& request = m_table[m_expiryIndex - m_firstIndex];
        if (request.state == State::Waiting) return request.sent + m_settings.timeout + m_socket.relayAllowance();
        if (request.state == State::Unsent) break;
        ++m_expiryIndex;
    }
    return Clock::time_point::max();
}

void EchoSweep::expire(Clock::time_point now)
{
    // Every request has the same time-out, so they expire in the order they went out.
    while (nextDeadline() <= now) {
        Request& request = m_table[m_expiryIndex - m_firstIndex];
        request.state = State::Known;
        request.result = {EchoStatus::TimedOut};
        --m_inFlight;
        releaseOnLink(request, now);
    }
    while (!m_onLinkReleases.empty() && m_onLinkReleases.front() <= now) {
        m_onLinkReleases.pop_front();
        --m_onLinkHeld;
    }
}

void EchoSweep::releaseOnLink(Request& request, Clock::time_point now)
{
    if (!request.holdsOnLink) return;
    request.holdsOnLink = false;
    // A silent neighbour's entry stays in the kernel's table until its
    // resolution gives up, beyond a short time-out.
    const Clock::time_point release = request.sent + m_settings.onLinkHold;
    if (release <= now)
        --m_onLinkHeld;
    else
        m_onLinkReleases.push_back(release);
}

void EchoSweep::deliverKnown(const Deliver& deliver, bool skipWaiting)
{
    while (!m_table.empty()) {
        const Request request = m_table.front();
        if (request.state != State::Known && !skipWaiting) return;
        m_table.pop_front();
        ++m_firstIndex;
        if (request.state == State::Known) deliver(m_firstIndex - 1, request.result);
    }
}

bool EchoSweep::sendStep(size_t& next, Clock::time_point now, bool writable,
                         const std::function<uint32_t(size_t)>& destination, const std::function<bool()>& mayContinue,
                         Clock::time_point& wake)
{
    if (m_table.empty() || m_table.back().state != State::Unsent) {
        if (m_table.size() >= MaxTable) return false;  // until the oldest expires
        Request request;
        request.destination = destination(next);
        request.onLink = m_settings.isOnLink && m_settings.isOnLink(request.destination);
        m_table.push_back(request);
        m_statistics.peakTable = std::max(m_statistics.peakTable, m_table.size());
    }
    Request& request = m_table.back();
    if (m_roomWait && !writable) return false;
    if (!m_roomWait) {
        if (now < m_nextSend) {
            wake = std::min(wake, m_nextSend);
            return false;
        }
        // Each on-link request holds an entry of the kernel's neighbour table until its address resolution ends;
        // past gc_thresh3 entries (1024 by default, shared by every program) the kernel refuses new ones, and
        // the sends of a large on-link range would fail.
        if (request.onLink && m_onLinkHeld >= m_settings.onLinkLimit) return false;
        if (mayContinue && !mayContinue()) {
            wake = std::min(wake, now + BackPressurePoll);
            return false;
        }
        request.sequence = m_socket.nextSequence();
        request.holdsOnLink = request.onLink;
        if (request.onLink) m_statistics.peakOnLink = std::max(m_statistics.peakOnLink, ++m_onLinkHeld);
    }
    if (m_stopped) return false;  // stop() from another thread since the loop looked
    const Clock::time_point sent = Clock::now();
    const int error = m_ttlError != 0 ? m_ttlError : m_socket.send(request.destination, request.sequence);
    if (error == EAGAIN) {
        // The request keeps its place and its sequence until there is room.
        m_statistics.roomWaits += !m_roomWait;
        m_roomWait = true;
        return false;
    }
    m_roomWait = false;
    ++next;
    if (m_settings.sent) m_settings.sent(request.destination);
    if (error != 0) {
        // Refused at once (no route among others): its status without going out, and no pause after it.
        request.state = State::Known;
        request.result = EchoSocket::resultOfErrno(error);
        if (request.holdsOnLink) --m_onLinkHeld;
        request.holdsOnLink = false;
        return true;
    }
    request.state = State::Waiting;
    // Timed from when the send returned, with the request on its way: a thread held up before the send must not
    // make a timely answer late.
    request.sent = Clock::now();
    ++m_statistics.sent;
    m_statistics.peakInFlight = std::max(m_statistics.peakInFlight, ++m_inFlight);
    const Pace pace = paceAfter(m_schedule, sent, m_settings.interval);
    m_schedule = pace.schedule;
    m_nextSend = pace.earliest;
    return true;
}

EchoSweep::Pace EchoSweep::paceAfter(Clock::time_point schedule, Clock::time_point sent,
                                     Clock::duration interval) noexcept
{
    const Clock::time_point next = std::max(schedule, sent - CatchUpIntervals * interval) + interval;
    return {next, std::max(next, sent + interval / 2)};
}

SweepEnd EchoSweep::run(size_t count, const std::function<uint32_t(size_t)>& destination, const Deliver& deliver,
                        const std::function<bool()>& mayContinue)
{
    const TimerSlackScope fineTimers;
    m_table.clear();
    m_onLinkReleases.clear();
    m_firstIndex = m_expiryIndex = m_inFlight = m_onLinkHeld = 0;
    m_statistics = {};
    m_roomWait = false;
    if (m_socket.aborted()) return SweepEnd::Aborted;
    m_ttlError = m_socket.setTtl(m_settings.ttl);
    m_socket.discardWaiting();

    const auto waiting = [this](uint16_t sequence) -> std::optional<uint32_t> {
        const Request* request = waitingRequest(sequence);
        return request != nullptr ? std::optional(request->destination) : std::nullopt;
    };
    const auto answered = [this](const EchoSocket::Answer& answer) { take(answer); };
    size_t next = 0;  // the index of the next request to send
    m_schedule = m_nextSend = Clock::now();
    EchoSocket::Readiness ready;
    Clock::time_point waitEnded = m_nextSend;
    for (;;) {
        if (m_socket.aborted()) return SweepEnd::Aborted;
        if (m_stopped) {
            deliverKnown(deliver, true);
            return SweepEnd::Stopped;
        }
        const Clock::time_point now = Clock::now();
        // Before a request expires, whatever came in for it counts: also what came after the last wait ended.
        const Clock::time_point deadline = nextDeadline();
        if (ready.readable || (deadline <= now && deadline > waitEnded)) m_socket.receive(waiting, answered);
        ready.readable = false;
        expire(now);
        deliverKnown(deliver, false);
        if (next == count && m_table.empty()) return SweepEnd::Completed;

        Clock::time_point wake = Clock::time_point::max();
        if (next < count && sendStep(next, now, ready.writable, destination, mayContinue, wake)) continue;
        // While requests go out at their pace, time-outs are taken when a send wakes the thread anyway: an
        // answer counts by its time stamp, not by when it is read, so a time-out taken up to an interval late
        // changes no result.
        const bool pacedSend = wake == m_nextSend && wake != Clock::time_point::max();
        if (const Clock::time_point expiry = nextDeadline(); expiry != Clock::time_point::max())
            wake = std::min(wake, pacedSend ? expiry + m_settings.interval : expiry);
        if (!m_onLinkReleases.empty()) wake = std::min(wake, m_onLinkReleases.front());
        if (m_stopFd < 0) wake = std::min(wake, now + StopPoll);
        // A sleeping thread wakes late, on virtual machines by tens of microseconds, and every late send would
        // stretch the pace: the wait before a send ends as early as wakes have been late, and polls the rest.
        const Clock::duration early = pacedSend && wake == m_nextSend ? std::min(m_wakeLateness + 10us, MaxEarly)
                                                                      : Clock::duration::zero();
        const Clock::time_point sleepUntil = wake - early;
        const bool waited = m_socket.wait(wake, early, m_roomWait, m_stopFd, ready);
        waitEnded = Clock::now();
        if (!waited) {
            // Logged by the socket. Rather than spin, pause; answers are read after it all the same.
            const timespec pause{0, 1'000'000};
            nanosleep(&pause, nullptr);
            ready.readable = true;
        } else if (!ready.readable && !ready.writable && sleepUntil > now) {
            m_wakeLateness = std::max(m_wakeLateness + (waitEnded - sleepUntil - m_wakeLateness) / 8, Clock::duration::zero());
        }
    }
}
