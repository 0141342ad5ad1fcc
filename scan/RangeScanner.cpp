// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/RangeScanner.h"

#include "net/Pinger.h"
#include "scan/ScanEvents.h"
#include "scan/TestParameters.h"

RangeScanner::RangeScanner(Pinger& echoPinger, const TestParameters& testParameters, const std::atomic<bool>& stop,
                           ScanEvents& scanEvents)
    : m_pinger(echoPinger),
      m_parameters(testParameters),
      m_stopRequested(stop),
      m_events(scanEvents),
      m_thread([this] { walk(); })
{
}

RangeScanner::~RangeScanner() = default;

void RangeScanner::walk()
{
    // The range is read once: later edits do not move a running test's ends.
    const int first = m_parameters.rangeMin;
    const int last = m_parameters.rangeMax;
    for (int octet = first; octet <= last; ++octet) {
        // The flag is read before each address: a stop pressed during an
        // echo lets that echo finish, and no later address is pinged.
        if (m_stopRequested) break;
        // The octets are read afresh, so edits made during a test apply from
        // the next address on.
        ScanEvent event;
        event.octet = octet;
        event.address = QStringLiteral("%1.%2.%3.%4")
                            .arg(m_parameters.octet1.load())
                            .arg(m_parameters.octet2.load())
                            .arg(m_parameters.octet3.load())
                            .arg(octet);
        event.echo = m_pinger.ping(event.address.toStdString());
        if (event.echo && event.echo->status == EchoStatus::Aborted) return;
        if (!m_events.push(std::move(event))) return;
    }
    ScanEvent end;
    end.end = true;
    m_events.push(std::move(end));
}
