// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/ArpProber.h"

#include "net/Log.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <optional>
#include <set>
#include <unordered_map>

namespace {

using Clock = std::chrono::steady_clock;

// The helper sends no faster.
constexpr auto MinPacing = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::nanoseconds(HelperProtocol::MinPaceNs));

timespec timespecOf(Clock::duration d) noexcept
{
    const auto ns = std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::nanoseconds>(d).count());
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

} // namespace

std::unique_ptr<ArpProber> ArpProber::open(std::string& why, const std::string& helperProgram)
{
    auto helper = std::make_unique<HelperProcess>(helperProgram.empty() ? HelperProcess::program() : helperProgram,
                                                  HelperProtocol::ArpMode);
    if (!helper->ok()) {
        why = "no ARP through the helper: " + helper->why() +
              (helper->why().find("Operation not permitted") != std::string::npos ? " (it needs CAP_NET_RAW)" : "");
        return nullptr;
    }
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        why = std::string("no eventfd for the ARP prober: ") + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<ArpProber>(new ArpProber(std::move(helper), wake));
}

ArpProber::~ArpProber()
{
    close(m_wakeFd);
}

void ArpProber::interrupt() noexcept
{
    const uint64_t one = 1;
    if (write(m_wakeFd, &one, sizeof one) < 0) qCWarning(lcNet) << "cannot wake the ARP probe:" << std::strerror(errno);
}

std::chrono::milliseconds ArpProber::longestProbe(size_t addresses, std::chrono::microseconds pacing,
                                                  std::chrono::milliseconds timeout)
{
    const auto sends = static_cast<int64_t>(std::min<size_t>(addresses, 1u << 20)) * std::max(pacing, MinPacing);
    // A second request sent late has half a deadline of its own.
    return std::chrono::ceil<std::chrono::milliseconds>(sends) + 2 * decideAfter(timeout) + ConfirmLimit;
}

std::vector<ArpReply> ArpProber::probe(const LocalInterface& on, const std::vector<uint32_t>& addresses,
                                       const std::atomic<bool>& stop, const Settings& settings)
{
    std::vector<ArpReply> replies;
    uint64_t wakes = 0;
    while (read(m_wakeFd, &wakes, sizeof wakes) > 0) {}  // before looking at stop: a later interrupt wakes the wait
    if (!on.mac || on.noArp || on.loopback || on.index == 0 || addresses.empty() || stop || m_helperGone) return replies;
    std::unordered_map<uint32_t, bool> answered;  // asked address: has it answered?
    std::vector<uint32_t> round;
    for (const uint32_t a : addresses)
        if (a != on.address && answered.emplace(a, false).second) round.push_back(a);
    const int channel = m_helper->channel();
    std::set<std::pair<uint32_t, MacAddress>> seen;
    bool refusalTold = false;
    bool syncAsked = false;
    std::optional<HelperProtocol::SyncedEvent> synced;  // the answer to the last Sync asked

    // Events left from an earlier probe must not count for this one.
    const auto readEvents = [&](bool count) {
        for (;;) {
            uint8_t message[512];
            const ssize_t n = recv(channel, message, sizeof message, MSG_DONTWAIT);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return;
            if (n == 0) {
                qCWarning(lcNet, "the privileged helper for ARP has ended");
                m_helperGone = true;
                return;
            }
            const auto event = HelperProtocol::decodeEvent(message, size_t(n));
            if (!event || !count) continue;
            if (event->kind == HelperProtocol::EventKind::Synced && event->synced.token == m_syncToken)
                synced = event->synced;
            if (event->kind == HelperProtocol::EventKind::Refused && !std::exchange(refusalTold, true))
                qCWarning(lcNet, "the privileged helper refused to ask ARP on %s: %s", on.name.c_str(),
                          event->refused.reason.c_str());
            if (event->kind != HelperProtocol::EventKind::ArpAnswer || event->arpAnswer.interfaceIndex != on.index)
                continue;
            const ArpReply reply{event->arpAnswer.address, event->arpAnswer.mac};
            const auto asked = answered.find(reply.address);
            if (asked == answered.end() || !seen.emplace(reply.address, reply.mac).second) continue;
            asked->second = true;
            replies.push_back(reply);
        }
    };
    readEvents(false);

    const auto pacing = std::max(settings.pacing, MinPacing);
    const Clock::duration deadline = decideAfter(settings.timeout), retryAfter = deadline / 2;
    // What the last request the helper sent is owed: a second request half a deadline, a first one all of it.
    const auto lastRequestOwed = std::chrono::duration_cast<std::chrono::nanoseconds>(settings.retry ? retryAfter : deadline);
    // Each address: asked first in order once the echoes have got to it, asked again halfway to its deadline if
    // still silent, decided at its deadline.
    std::deque<std::pair<Clock::time_point, uint32_t>> retries;  // in the order they fall due
    size_t next = 0;
    // The second requests have a pace of their own, so that they do not slow the first ones down. Behind the echoes
    // (this thread waited for a core), both catch up with them, as the sweep does with its schedule: no request
    // closer than half a pace to the one before.
    const auto catchUp = std::max<Clock::duration>(pacing / 2, MinPacing);
    const auto paceAfter = [&](Clock::time_point scheduled, Clock::time_point asked) {
        return settings.sentUpTo != nullptr ? asked + catchUp : std::max(scheduled + pacing, asked);
    };
    Clock::time_point nextSend = Clock::now(), nextRetry = nextSend, lastDecided = nextSend, confirmUntil{};
    const auto ask = [&](uint32_t target) {
        const auto request = HelperProtocol::encode(HelperProtocol::ArpAskRequest{on.index, target});
        if (send(channel, request.data(), request.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0) return true;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            qCWarning(lcNet) << "cannot ask the helper for ARP:" << std::strerror(errno);
        return false;
    };
    const auto sent = [&](uint32_t target) {
        return settings.sentUpTo == nullptr || ntohl(target) <= settings.sentUpTo->load(std::memory_order_acquire);
    };
    // Not over at the last address's first reply: a second MAC for an address, a conflict, comes before its deadline.
    while (!stop && !m_helperGone) {
        const Clock::time_point now = Clock::now();
        while (!retries.empty() && answered[retries.front().second]) retries.pop_front();
        if (!retries.empty() && retries.front().first <= now && now >= nextRetry) {
            if (ask(retries.front().second)) {
                retries.pop_front();
                lastDecided = std::max(lastDecided, now + retryAfter);
            }
            nextRetry = paceAfter(nextRetry, now);
            continue;
        }
        if (settings.askUpTo != nullptr && next < round.size() && ntohl(round[next]) > *settings.askUpTo)
            round.resize(next);
        const bool waitsForEcho = next < round.size() && !sent(round[next]);
        if (next < round.size() && now >= nextSend && !waitsForEcho) {
            if (ask(round[next])) {
                if (settings.retry) retries.emplace_back(now + retryAfter, round[next]);
                lastDecided = std::max(lastDecided, now + deadline);
                ++next;
            }
            nextSend = paceAfter(nextSend, now);
            continue;
        }
        if (next == round.size() && retries.empty() && now >= lastDecided) {
            // Every address is decided once the helper has handed over what it holds, a reply that waited in its
            // socket while the helper waited for a core included, and its last request has had its time since it
            // went out on the wire: the helper may have sent it late. Both times are the helper's own clock.
            if (confirmUntil == Clock::time_point{}) confirmUntil = now + ConfirmLimit;
            if (synced) {
                const int64_t owedUntil = synced->lastSentNs + lastRequestOwed.count();
                if (synced->lastSentNs == 0 || synced->handedOverNs >= owedUntil) break;
                lastDecided = now + std::chrono::nanoseconds(owedUntil - synced->handedOverNs);
                syncAsked = false;
                synced.reset();
                continue;
            }
            if (now >= confirmUntil) {
                qCWarning(lcNet) << "the privileged helper for ARP did not hand its replies over in time";
                break;
            }
            if (!syncAsked) {
                const auto request = HelperProtocol::encodeSync(++m_syncToken);
                if (send(channel, request.data(), request.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0)
                    syncAsked = true;
                else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                    qCWarning(lcNet) << "cannot ask the helper for its ARP replies:" << std::strerror(errno);
            }
        }
        Clock::time_point wakeAt = lastDecided;
        if (next == round.size() && retries.empty() && now >= lastDecided)
            wakeAt = syncAsked ? confirmUntil : now + pacing;
        // Held back by the echoes, it looks again half a pace later.
        if (next < round.size()) wakeAt = waitsForEcho ? std::max(nextSend, now + catchUp) : nextSend;
        if (!retries.empty()) wakeAt = std::min(wakeAt, std::max(retries.front().first, nextRetry));
        pollfd waits[] = {{channel, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        const timespec timeout = timespecOf(wakeAt - now);
        if (ppoll(waits, 2, &timeout, nullptr) < 0 && errno != EINTR) {
            qCWarning(lcNet) << "waiting for ARP replies:" << std::strerror(errno);
            break;
        }
        if ((waits[1].revents & POLLIN) != 0)
            while (read(m_wakeFd, &wakes, sizeof wakes) > 0) {}
        if ((waits[0].revents & (POLLIN | POLLHUP)) != 0) readEvents(true);
    }
    readEvents(true);
    return replies;
}
