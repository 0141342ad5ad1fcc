// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/TestKnocks.h"

#include "net/LocalNetworks.h"
#include "scan/Log.h"

#include <arpa/inet.h>
#include <pthread.h>

#include <algorithm>
#include <cstdio>

size_t TestKnocks::socketBound()
{
    // Once a run: the limit is the process's, and the note is said once.
    static const size_t bound = [] {
        std::string note;
        const size_t found = TcpKnocker::socketBound(note);
        if (!note.empty()) {
            std::fprintf(stderr, "scanvet: %s\n", note.c_str());
            qCWarning(lcScan, "%s", note.c_str());
        }
        return found;
    }();
    return bound;
}

TestKnocks::~TestKnocks()
{
    cancel();
}

void TestKnocks::start(const TestPlan& plan, const std::shared_ptr<const OnLink>& onLink, Deliver deliver)
{
    cancel();
    m_stop = false;
    m_askUpTo = UINT32_MAX;
    const SpeedPreset& preset = SpeedPresets.at(static_cast<size_t>(plan.preset));
    KnockSettings settings;
    settings.ports = plan.tcpPorts;
    // One at a time, the echoes wait for each other: the knocks keep the ARP prober's pace then.
    settings.interval = plan.oneAtATime ? std::chrono::microseconds(250) : plan.interval;
    settings.timeout = std::chrono::milliseconds(preset.timeoutMs);
    settings.ttl = preset.ttl;
    settings.openPorts = plan.openPorts;
    settings.socketBound = socketBound();
    if (plan.tcpPorts.empty()) return deliver({});
    const PlanAddresses planned(plan.ranges);
    std::vector<uint32_t> addresses;
    addresses.reserve(planned.count());
    for (size_t i = 0; i < planned.count(); ++i) addresses.push_back(htonl(planned.at(i)));
    // On the scanner's own link every computer there answers ARP, which the
    // test asks (or the kernel does, for the echo): a knock would prove
    // nothing more. Only its open ports, when asked, want one.
    if (!plan.openPorts && onLink) {
        settings.leaveOut = [onLink](uint32_t address) { return onLink->contains(address); };
        if (std::all_of(addresses.begin(), addresses.end(), settings.leaveOut)) return deliver({});
    }
    m_knocker = std::make_unique<TcpKnocker>(std::move(settings));
    m_worker = std::thread([this, addresses = std::move(addresses), deliver = std::move(deliver)] {
        std::vector<TestOutcome::Knocked> knocked;
        for (KnockResult& result : m_knocker->run(addresses, m_stop, &m_askUpTo))
            knocked.push_back({ntohl(result.address), result.answeredPort, std::move(result.openPorts)});
        if (!m_stop) deliver(std::move(knocked));
    });
    pthread_setname_np(m_worker.native_handle(), "scanvet-knocks");
}

void TestKnocks::stopSending()
{
    m_askUpTo = 0;
    if (m_knocker) m_knocker->interrupt();
}

void TestKnocks::cancel()
{
    if (!m_worker.joinable()) return;
    m_stop = true;
    m_knocker->interrupt();
    m_worker.join();
    m_knocker.reset();
}

std::chrono::milliseconds TestKnocks::longestAfterEnd(const TestPlan& plan)
{
    if (plan.tcpPorts.empty()) return std::chrono::milliseconds(0);
    const std::chrono::milliseconds timeout(SpeedPresets.at(static_cast<size_t>(plan.preset)).timeoutMs);
    // Beyond the bound, knocks wait for room: a time-out for every bound's worth of them.
    const size_t knocks = PlanAddresses(plan.ranges).count() * plan.tcpPorts.size();
    return timeout * static_cast<long>(1 + knocks / std::max<size_t>(socketBound(), 1)) + std::chrono::seconds(1);
}
