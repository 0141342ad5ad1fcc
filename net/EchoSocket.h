// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One ICMP echo at a time to one IPv4 host: the unprivileged ping socket
// where net.ipv4.ping_group_range allows it, else a raw socket (CAP_NET_RAW).
#pragma once

#include "net/EchoResult.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <vector>

enum class EchoSocketKind { Datagram, Raw };

// The program cannot ping at all; the window is not created then.
class PingSocketError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EchoSocket {
public:
    // The datagram socket, else the raw one. Throws PingSocketError
    // "Unable to get ping handle" when neither opens.
    EchoSocket();
    // That kind only; throws PingSocketError likewise.
    explicit EchoSocket(EchoSocketKind kind);
    ~EchoSocket();
    EchoSocket(const EchoSocket&) = delete;
    EchoSocket& operator=(const EchoSocket&) = delete;

    // Sends one request without data and blocks until its own reply, an ICMP
    // error that quotes it, the time-out (the send counts against it too) or
    // abort(). Only the low 8 bits of ttl are sent. Replies and errors of
    // earlier requests never count for this one.
    EchoResult echo(uint32_t destination, int ttl, std::chrono::milliseconds timeout);
    // From any thread: ends a running echo at once, and every later echo
    // returns Aborted without sending.
    void abort() noexcept;

    EchoSocketKind kind() const noexcept { return m_socketKind; }
    // The echo identifier that this socket's requests carry.
    uint16_t identifier() const noexcept { return m_echoIdentifier; }

private:
    void open(EchoSocketKind kind, int& error) noexcept;

    int m_socketFd = -1;
    int m_wakeFd = -1;  // eventfd, readable once aborted
    EchoSocketKind m_socketKind = EchoSocketKind::Datagram;
    uint16_t m_echoIdentifier = 0;
    uint16_t m_sequence = 0;  // of the last request sent
    std::atomic<bool> m_aborted{false};  // read by a running echo while another thread aborts
    // Allocated once: clearing it at every echo showed in a scan's time.
    std::vector<uint8_t> m_receiveBuffer;
};
