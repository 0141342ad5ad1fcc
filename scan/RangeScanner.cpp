// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/RangeScanner.h"

#include "net/Ipv4.h"
#include "net/Pinger.h"
#include "scan/ScanEvents.h"

#include <arpa/inet.h>

RangeScanner::RangeScanner(Pinger& pinger, TestPlan plan, const std::atomic<uint32_t>* network,
                           const std::atomic<bool>& stopRequested, ScanEvents& events)
    : m_pinger(pinger),
      m_plan(std::move(plan)),
      m_addresses(m_plan.ranges),
      m_network(network),
      m_stopRequested(stopRequested),
      m_events(events),
      m_thread([this] { walk(); })
{
}

RangeScanner::~RangeScanner() = default;

uint32_t RangeScanner::addressAt(size_t index) const
{
    const uint32_t address = m_addresses.at(index);
    if (m_network == nullptr) return address;
    return (m_network->load() & 0xFFFFFF00u) | (address & 0xFF);
}

void RangeScanner::walk()
{
    bool whole = true;
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
        event.echo = m_pinger.ping(dottedText(htonl(event.address)));
        if (event.echo && event.echo->status == EchoStatus::Aborted) return;
        if (!m_events.push(std::move(event))) return;
    }
    ScanEvent end;
    end.end = true;
    end.whole = whole;
    (void)m_events.push(std::move(end));
}
