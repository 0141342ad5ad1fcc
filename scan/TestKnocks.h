// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The TCP knocks of one test, on a thread of their own, in flight with its
// echoes and at their pace: every address of the plan off the scanner's own
// link is knocked on, since at its turn its echo's answer is not in yet, and
// waiting for it would make a silent range take twice its time-out; on the
// link ARP finds every computer, and only --open-ports knocks there. What
// they found comes once, when the last knock has its answer or its time-out.
#pragma once

#include "net/LocalNetworks.h"
#include "net/TcpKnocker.h"
#include "scan/TestOutcome.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class TestKnocks {
public:
    // Runs on the knocks' thread: hand the results over (a queued call),
    // never wait there for the thread that calls cancel().
    using Deliver = std::function<void(std::vector<TestOutcome::Knocked>)>;

    TestKnocks() = default;
    ~TestKnocks();  // cancel()
    TestKnocks(const TestKnocks&) = delete;
    TestKnocks& operator=(const TestKnocks&) = delete;

    // At the start of a test of plan: delivers once, also when the plan has
    // no ports (nothing, before it returns). Cancels a previous start. Throws
    // std::system_error when no thread starts. onLink: the test's view of the
    // link, whose computers are not knocked unless open ports are asked.
    void start(const TestPlan& plan, const std::shared_ptr<const OnLink>& onLink, Deliver deliver);
    // The test was stopped: no further knock goes out; those out are decided.
    void stopSending();
    // No delivery after it returns; waits for the thread.
    void cancel();
    // How long after the test's last echo went out its knocks may take.
    [[nodiscard]] static std::chrono::milliseconds longestAfterEnd(const TestPlan& plan);
    // How many knocks may be in flight at once: found at the first call,
    // which says (on standard error and in the log) when the descriptor
    // limit lowers it; the same for the rest of the run.
    [[nodiscard]] static size_t socketBound();

private:
    std::unique_ptr<TcpKnocker> m_knocker;
    std::atomic<bool> m_stop{false};
    std::atomic<uint32_t> m_askUpTo{UINT32_MAX};
    std::thread m_worker;
};
