// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/RangeScanner.h"

#include <pthread.h>

#include "net/Ipv4.h"
#include "net/LocalNetworks.h"
#include "net/Pinger.h"
#include "scan/Log.h"
#include "scan/ScanEvents.h"

#include <arpa/inet.h>

namespace {

SweepSettings sweepSettings(const TestPlan& plan, std::shared_ptr<const OnLink> onLink,
                            const std::function<void(uint32_t)>& echoSent)
{
    const SpeedPreset& preset = SpeedPresets.at(static_cast<size_t>(plan.preset));
    SweepSettings settings;
    settings.interval = plan.interval;
    settings.timeout = std::chrono::milliseconds(preset.timeoutMs);
    settings.ttl = preset.ttl;
    if (onLink) settings.isOnLink = [onLink](uint32_t destination) { return onLink->contains(destination); };
    if (echoSent) settings.sent = [echoSent](uint32_t destination) { echoSent(ntohl(destination)); };
    return settings;
}

} // namespace

RangeScanner::RangeScanner(Pinger& pinger, TestPlan plan, const std::atomic<uint32_t>* network,
                           const std::atomic<bool>& stopRequested, ScanEvents& events,
                           std::shared_ptr<const OnLink> onLink, std::function<void(uint32_t address)> echoSent)
    : m_pinger(pinger),
      m_plan(std::move(plan)),
      m_addresses(m_plan.ranges),
      m_network(network),
      m_stopRequested(stopRequested),
      m_events(events),
      m_echoSent(std::move(echoSent)),
      m_sweep(m_plan.oneAtATime ? std::nullopt
                                : std::make_optional<EchoSweep>(pinger.socket(),
                                                                sweepSettings(m_plan, std::move(onLink), m_echoSent))),
      m_thread([this] { m_sweep ? sweep() : walk(); })
{
    // Named here, not in the thread: once this returns the thread shows its
    // name until it ends (for top -H, gdb and the tests).
    pthread_setname_np(m_thread.native_handle(), ThreadName);
}

RangeScanner::~RangeScanner() = default;

void RangeScanner::stop() noexcept
{
    if (m_sweep) m_sweep->stop();
}

uint32_t RangeScanner::addressAt(size_t index) const
{
    const uint32_t address = m_addresses.at(index);
    if (m_network == nullptr) return address;
    return (m_network->load() & 0xFFFFFF00u) | (address & 0xFF);
}

void RangeScanner::walk()
{
    bool whole = true;
    uint32_t lastSent = 0;
    for (size_t i = 0; i < m_addresses.count(); ++i) {
        // The flag is read before each address: a stop pressed during an
        // echo lets that echo finish, and no later address is pinged.
        if (m_stopRequested) {
            whole = false;
            break;
        }
        ScanEvent event;
        event.index = i;
        event.address = addressAt(i);
        lastSent = event.address;
        if (m_echoSent) m_echoSent(event.address);
        event.echo = m_pinger.ping(dottedText(htonl(event.address)));
        if (event.echo && event.echo->status == EchoStatus::Aborted) return;
        if (!m_events.push(std::move(event))) return;
    }
    ScanEvent end;
    end.end = true;
    end.whole = whole;
    end.lastSent = lastSent;
    (void)m_events.push(std::move(end));
}

void RangeScanner::sweep()
{
    // The addresses sent and not yet handed over, oldest first: an edit of
    // the network during the test must not rename a result.
    std::deque<uint32_t> sent;
    size_t firstSent = 0;
    const auto destination = [&](size_t index) {
        const uint32_t address = addressAt(index);
        sent.push_back(address);
        return htonl(address);
    };
    const auto deliver = [&](size_t index, const EchoResult& result) {
        while (firstSent < index && !sent.empty()) {
            sent.pop_front();
            ++firstSent;
        }
        ScanEvent event;
        event.index = index;
        event.address = sent.empty() ? addressAt(index) : sent.front();
        event.echo = result;
        (void)m_events.pushWithoutWaiting(std::move(event));
    };
    // A window that stalls holds back the requests, never the reading of
    // their answers, which would time them out.
    const auto mayContinue = [this] { return m_events.waiting() < ScanEvents::Capacity; };
    const SweepEnd end = m_sweep->run(m_addresses.count(), destination, deliver, mayContinue);
    if (end == SweepEnd::Aborted) return;
    const SweepStatistics& statistics = m_sweep->statistics();
    qCDebug(lcScan) << "sweep of" << m_addresses.count() << "addresses:" << statistics.sent << "sent, at most"
                    << statistics.peakInFlight << "in flight," << statistics.peakOnLink << "on the link";
    ScanEvent last;
    last.end = true;
    last.whole = end == SweepEnd::Completed;
    last.lastSent = statistics.sent > 0 ? addressAt(statistics.sent - 1) : 0;
    (void)m_events.pushWithoutWaiting(std::move(last));
}
