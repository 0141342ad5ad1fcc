// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Asks ARP itself (who-has) on a packet socket, for a fresh answer every
// test. The socket needs CAP_NET_RAW to open, and keeps working once the
// program has given the capability up: open it first thing in the program
// entry, before dropPrivileges() and before any thread starts.
#pragma once

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
    // Null, with the reason in why, where the process lacks CAP_NET_RAW (or
    // the system has no packet sockets).
    [[nodiscard]] static std::unique_ptr<ArpProber> open(std::string& why);
    ~ArpProber();
    ArpProber(const ArpProber&) = delete;
    ArpProber& operator=(const ArpProber&) = delete;

    // Asks on the interface, from its address and MAC, who has each address:
    // a request every PacingInterval, then a second round to those that have
    // not answered, RetryAfter after the first round; replies count until
    // ReplyWait after the last request, or until all have answered, stop is
    // set and interrupt() called, or the interface fails. Replies come in
    // the order they arrived, one per address (its first). One probe at a
    // time; an interface without ARP or MAC gives none.
    [[nodiscard]] std::vector<ArpReply> probe(const LocalInterface& on, const std::vector<uint32_t>& addresses,
                                              const std::atomic<bool>& stop);
    // From any thread: wakes a running probe, which then looks at its stop.
    void interrupt() noexcept;

    // The longest a probe of that many addresses takes.
    [[nodiscard]] static std::chrono::milliseconds longestProbe(size_t addresses);

    // Paced like arp-scan's default (some 256 kbit/s): a /24 in about half a second.
    static constexpr std::chrono::milliseconds PacingInterval{2};
    // A reply is late after this; Wi-Fi stations in power saving answer within it.
    static constexpr std::chrono::milliseconds RetryAfter{250};
    static constexpr std::chrono::milliseconds ReplyWait{500};

private:
    ArpProber(int socketFd, int wakeFd) noexcept : m_socketFd(socketFd), m_wakeFd(wakeFd) {}
    [[nodiscard]] bool listenOn(unsigned interfaceIndex) noexcept;

    int m_socketFd = -1;
    int m_wakeFd = -1;  // eventfd that interrupt() signals
};
