// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Pings an address given as text (dotted or a host name) with the set
// time-out and time to live. The address's resolution is kept for as long as
// the same text is pinged again.
#pragma once

#include "net/EchoSocket.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

class Pinger {
public:
    // Throws PingSocketError when no echo socket opens.
    Pinger();
    explicit Pinger(EchoSocketKind kind);

    // One echo, blocking the calling thread for up to the time-out (plus a
    // name look-up). nullopt when the text names no usable address (a name
    // that does not resolve, or one resolving to all ones): nothing is sent.
    // One ping at a time per pinger.
    std::optional<EchoResult> ping(const std::string& address);
    // From any thread: ends a running ping at once; every later ping returns
    // Aborted without sending.
    void abort() noexcept { m_echoSocket.abort(); }

    void setTimeout(std::chrono::milliseconds value) { m_timeoutMs = value; }
    std::chrono::milliseconds timeout() const { return m_timeoutMs; }
    void setTtl(int value) { m_timeToLive = value; }
    int ttl() const { return m_timeToLive; }

    // Run on the pinging thread just before each request goes out and just
    // after its echo has returned, answered or not (the benchmarks time the
    // scan with them).
    std::function<void()> onRequest;
    std::function<void()> onReturned;

    // For a sweep of many echoes in flight, between pings.
    EchoSocket& socket() { return m_echoSocket; }

private:
    EchoSocket m_echoSocket;
    std::chrono::milliseconds m_timeoutMs{4000};
    int m_timeToLive = 64;
    std::string m_resolvedText;   // the text the cached address belongs to
    uint32_t m_resolvedAddress = 0;
    bool m_resolved = false;
};
