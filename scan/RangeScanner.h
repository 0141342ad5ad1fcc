// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One test's walk of the range on a thread of its own: for every last octet
// from the range minimum to the maximum, one echo to that address, handed to
// the GUI thread with its progress step through the scan's events, which
// the walk does not wait on.
#pragma once

#include <atomic>
#include <thread>

class Pinger;
class ScanEvents;
struct TestParameters;

class RangeScanner {
public:
    // Starts the walk. Throws std::system_error when no thread starts.
    RangeScanner(Pinger& pinger, const TestParameters& parameters, const std::atomic<bool>& stopRequested,
                 ScanEvents& events);
    // Joins the walk. It has either ended, or its owner has first released
    // its waits: closed the events and aborted the pinger.
    ~RangeScanner();
    RangeScanner(const RangeScanner&) = delete;
    RangeScanner& operator=(const RangeScanner&) = delete;

private:
    void walk();

    Pinger& m_pinger;
    const TestParameters& m_parameters;
    const std::atomic<bool>& m_stopRequested;
    ScanEvents& m_events;
    std::jthread m_thread;  // last: it starts once everything it reads is set
};
