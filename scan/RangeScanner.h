// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One test on a thread of its own: an echo to every address of the plan,
// each result handed to the GUI thread in address order with its progress
// step, through the scan's events, which the test does not wait on. A sweep
// has many echoes in flight; one at a time, each address waits for the
// result of the one before.
#pragma once

#include "net/EchoSweep.h"
#include "scan/TestPlan.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

struct OnLink;
class Pinger;
class ScanEvents;

class RangeScanner {
public:
    static constexpr const char* ThreadName = "scanvet-test";

    // Starts the test. network, when given, holds the first three octets
    // (host byte order) that a test of one /24 reads afresh for every
    // address, so that edits made during it apply from the next address on.
    // echoSent, when given, runs on the test's thread once each request has
    // gone out (the address in host byte order). onLink: the test's view of
    // the link, which bounds the on-link requests in flight. Throws
    // std::system_error when no thread starts.
    RangeScanner(Pinger& pinger, TestPlan plan, const std::atomic<uint32_t>* network,
                 const std::atomic<bool>& stopRequested, ScanEvents& events, std::shared_ptr<const OnLink> onLink,
                 std::function<void(uint32_t address)> echoSent = {});
    // Joins the test. It has either ended, or its owner has first released
    // its waits: closed the events and aborted the pinger.
    ~RangeScanner();
    RangeScanner(const RangeScanner&) = delete;
    RangeScanner& operator=(const RangeScanner&) = delete;

    // From the GUI thread, after stopRequested is set: a sweep sends no
    // further request and ends with the results it has; one at a time, the
    // echo under way finishes first.
    void stop() noexcept;

private:
    void walk();
    void sweep();
    uint32_t addressAt(size_t index) const;

    Pinger& m_pinger;
    const TestPlan m_plan;
    const PlanAddresses m_addresses;
    const std::atomic<uint32_t>* m_network;
    const std::atomic<bool>& m_stopRequested;
    ScanEvents& m_events;
    const std::function<void(uint32_t)> m_echoSent;
    std::optional<EchoSweep> m_sweep;  // none one at a time
    std::jthread m_thread;  // last: it starts once everything it reads is set
};
