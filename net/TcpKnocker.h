// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Finds computers that ignore ping by knocking on TCP ports, unprivileged: a
// non-blocking connect() to each port of a list. A connection accepted
// (SYN-ACK) or refused (RST) proves the computer there; an ICMP error read
// from the socket, or no answer within the time-out, does not. Many knocks
// are in flight at once, under a bound of open sockets.
#pragma once

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct KnockSettings {
    std::vector<uint16_t> ports;              // knocked on in this order, all at an address's turn
    std::chrono::microseconds interval{250};  // one address every interval
    std::chrono::milliseconds timeout{600};   // of each knock, from its own send
    int ttl = 64;
    // Every port of a present computer is waited for, to tell which accept;
    // else an address's other knocks end once one has answered.
    bool openPorts = false;
    size_t socketBound = 0;  // knocks in flight at once; 0: TcpKnocker::socketBound()
    // Addresses (network byte order) not knocked on, which keep their turn
    // in the pace all the same; empty: none.
    std::function<bool(uint32_t address)> leaveOut;
};

struct KnockResult {
    uint32_t address = 0;             // network byte order
    uint16_t answeredPort = 0;        // the first port of the list among those that answered
    std::vector<uint16_t> openPorts;  // those that accepted, in the list's order (with openPorts)
};

class TcpKnocker {
public:
    // The most knocks in flight at once: each holds a descriptor.
    static constexpr size_t PreferredSocketBound = 8192;
    // Descriptors left to the rest of the program.
    static constexpr size_t ReservedDescriptors = 128;

    // PreferredSocketBound, after raising the soft descriptor limit towards
    // it (up to the hard limit); lower where the limit stays too low, with
    // the reason in note (empty otherwise).
    [[nodiscard]] static size_t socketBound(std::string& note);

    explicit TcpKnocker(KnockSettings settings);
    ~TcpKnocker();
    TcpKnocker(const TcpKnocker&) = delete;
    TcpKnocker& operator=(const TcpKnocker&) = delete;

    // Knocks on each address (network byte order) in order, address i no
    // earlier than i intervals after the start, none beyond askUpTo (host
    // order, read as it goes). Returns once every knock has its answer or
    // time-out, or at once after stop is set and interrupt() called (knocks
    // still waiting are given up). The addresses that answered, in order.
    [[nodiscard]] std::vector<KnockResult> run(const std::vector<uint32_t>& addresses, const std::atomic<bool>& stop,
                                               const std::atomic<uint32_t>* askUpTo = nullptr);
    // From any thread: wakes run(), which then looks at its stop and askUpTo.
    void interrupt() noexcept;

    // Whether a connect()'s error proves the computer there: it refused.
    [[nodiscard]] static bool provesPresent(int error) noexcept { return error == 0 || error == ECONNREFUSED; }

    const KnockSettings& settings() const noexcept { return m_settings; }

private:
    KnockSettings m_settings;
    int m_epoll = -1;
    int m_wakeFd = -1;  // eventfd that interrupt() signals
};
