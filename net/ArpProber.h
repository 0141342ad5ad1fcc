// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Asks ARP itself (who-has), for a fresh answer every test, through the
// privileged helper, which holds the packet socket and hands back only the
// replies sent to this host for an address asked.
#pragma once

#include "net/HelperProcess.h"
#include "net/LocalNetworks.h"
#include "net/MacAddress.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ArpReply {
    uint32_t address = 0;  // network byte order
    MacAddress mac{};
};

class ArpProber {
public:
    // Null, with the reason in why, where the helper is missing or may not
    // open its packet socket (it lacks CAP_NET_RAW). helperProgram: where the
    // helper lies, when not where HelperProcess::program() finds it.
    [[nodiscard]] static std::unique_ptr<ArpProber> open(std::string& why, const std::string& helperProgram = {});
    ~ArpProber();
    ArpProber(const ArpProber&) = delete;
    ArpProber& operator=(const ArpProber&) = delete;

    // Asks on the interface, in order, who has each address: a request every
    // pacing, a second one RetryAfter later to an address that has not
    // answered (the second ones at a pace of their own), and an address is
    // decided Grace after that; no address above askUpTo (host order, read
    // as it goes) is asked for the first time. The probe ends
    // once every address is answered or decided, stop is set and interrupt()
    // called, or the helper fails. Replies come in the order they arrived,
    // one per address and MAC: two MACs for one address are both there. One
    // probe at a time; an interface without ARP or MAC gives none.
    [[nodiscard]] std::vector<ArpReply> probe(const LocalInterface& on, const std::vector<uint32_t>& addresses,
                                              const std::atomic<bool>& stop,
                                              std::chrono::microseconds pacing = PacingInterval, bool retry = true,
                                              const std::atomic<uint32_t>* askUpTo = nullptr);
    // From any thread: wakes a running probe, which then looks at its stop.
    void interrupt() noexcept;

    // The longest a probe of that many addresses takes at that pace.
    [[nodiscard]] static std::chrono::milliseconds longestProbe(size_t addresses,
                                                                std::chrono::microseconds pacing = PacingInterval);

    // A test asks at its echoes' pace; alone, a probe goes at the sweep's default.
    static constexpr std::chrono::microseconds PacingInterval{250};
    // A neighbour on a wired LAN answers within a millisecond; the second
    // request makes up for one lost frame, and the grace for a busy host.
    static constexpr std::chrono::milliseconds RetryAfter{15};
    static constexpr std::chrono::milliseconds Grace{30};

private:
    ArpProber(std::unique_ptr<HelperProcess> helper, int wakeFd) noexcept
        : m_helper(std::move(helper)), m_wakeFd(wakeFd) {}

    std::unique_ptr<HelperProcess> m_helper;
    int m_wakeFd = -1;  // eventfd that interrupt() signals
    bool m_helperGone = false;
};
