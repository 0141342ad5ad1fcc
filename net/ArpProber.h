// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Asks ARP itself (who-has), for a fresh answer every test, through the
// privileged helper, which holds the packet socket and hands back only the
// replies sent to this host for an address asked.
#pragma once

#include "net/HelperProcess.h"
#include "net/LocalNetworks.h"
#include "net/MacAddress.h"

#include <algorithm>
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
    // pacing, a second one halfway to its deadline to an address that has
    // not answered (the second ones at a pace of their own), and an address
    // is decided at its deadline, decideAfter(timeout) after its first
    // request, as its echo is. No address above askUpTo (host order, read as
    // it goes) is asked for the first time; none above sentUpTo (host order,
    // read as it goes) until it is raised: the echoes' sweep raises it as its
    // requests go out, so that the ARP requests keep its pace and its bound
    // of requests in flight. The probe ends once every address is answered
    // or decided (and the helper has handed over the replies it holds), stop
    // is set and interrupt() called, or the helper fails.
    // Replies come in the order they arrived, one per address and MAC: two
    // MACs for one address are both there. One probe at a time; an interface
    // without ARP or MAC gives none.
    struct Settings {
        std::chrono::microseconds pacing{PacingInterval};
        std::chrono::milliseconds timeout{0};  // the echoes' time-out
        bool retry = true;
        const std::atomic<uint32_t>* askUpTo = nullptr;
        const std::atomic<uint32_t>* sentUpTo = nullptr;
    };
    [[nodiscard]] std::vector<ArpReply> probe(const LocalInterface& on, const std::vector<uint32_t>& addresses,
                                              const std::atomic<bool>& stop, const Settings& settings);
    [[nodiscard]] std::vector<ArpReply> probe(const LocalInterface& on, const std::vector<uint32_t>& addresses,
                                              const std::atomic<bool>& stop)
    {
        return probe(on, addresses, stop, Settings{});
    }
    // From any thread: wakes a running probe, which then looks at its stop.
    void interrupt() noexcept;
    // The program is ending and no probe runs: the helper ends on its own
    // (HelperProcess::leaveToEnd), and no later probe asks it anything.
    void leaveHelperToEnd() noexcept
    {
        m_helper->leaveToEnd();
        m_helperGone = true;
    }

    // How long after its first request an address is decided: the echoes'
    // time-out, no less than LanFloor.
    [[nodiscard]] static std::chrono::milliseconds decideAfter(std::chrono::milliseconds timeout) noexcept
    {
        return std::max(timeout, LanFloor);
    }
    // The longest a probe of that many addresses takes at that pace.
    [[nodiscard]] static std::chrono::milliseconds longestProbe(size_t addresses, std::chrono::microseconds pacing,
                                                                std::chrono::milliseconds timeout);

    // A test asks at its echoes' pace; alone, a probe goes at the sweep's default.
    static constexpr std::chrono::microseconds PacingInterval{250};
    // A neighbour on a wired LAN answers ARP within a millisecond or two, as
    // it does an echo; the floor gives each request that, and the second
    // request makes up for one lost frame. A helper that sends late, waiting
    // for a core, is made up for by the hand-over that ends each probe: it
    // tells when the last request went out, and the probe ends only once
    // that request has had its time. A slower link (Wi-Fi asleep) wants a
    // preset with a longer time-out. The hand-over gives up after ConfirmLimit.
    static constexpr std::chrono::milliseconds LanFloor{3};
    static constexpr std::chrono::milliseconds ConfirmLimit{1000};

private:
    ArpProber(std::unique_ptr<HelperProcess> helper, int wakeFd) noexcept
        : m_helper(std::move(helper)), m_wakeFd(wakeFd) {}

    std::unique_ptr<HelperProcess> m_helper;
    int m_wakeFd = -1;  // eventfd that interrupt() signals
    bool m_helperGone = false;
    uint32_t m_syncToken = 0;  // of the last hand-over asked
};
