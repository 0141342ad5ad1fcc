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
    void abort() noexcept { echoSocket.abort(); }

    void setTimeout(std::chrono::milliseconds value) { timeoutMs = value; }
    std::chrono::milliseconds timeout() const { return timeoutMs; }
    void setTtl(int value) { timeToLive = value; }
    int ttl() const { return timeToLive; }

    // Run on the pinging thread just before each request goes out and just
    // after its echo has returned, answered or not (the benchmarks time the
    // scan with them).
    std::function<void()> onRequest;
    std::function<void()> onReturned;

    const EchoSocket& socket() const { return echoSocket; }

private:
    EchoSocket echoSocket;
    std::chrono::milliseconds timeoutMs{4000};
    int timeToLive = 64;
    std::string resolvedText;   // the text the cached address belongs to
    uint32_t resolvedAddress = 0;
    bool resolved = false;
};
