// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The echo socket of the program: the unprivileged ping socket where
// net.ipv4.ping_group_range allows it, else a raw socket that the privileged
// helper holds and relays (the program itself never holds CAP_NET_RAW).
// echo() sends one request at a time; EchoSweep keeps many in flight on the
// same socket, through the steps below that both use.
#pragma once

#include "net/EchoResult.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <memory>

class HelperProcess;

enum class EchoSocketKind { Datagram, Raw };

// The program cannot ping at all; the window is not created then. what() is
// the kept "Unable to get ping handle"; reason() says why each socket kind
// was refused.
class PingSocketError : public std::runtime_error {
public:
    PingSocketError(const char* text, std::string reason) : std::runtime_error(text), m_reason(std::move(reason)) {}
    const std::string& reason() const noexcept { return m_reason; }

private:
    std::string m_reason;
};

class EchoSocket {
public:
    using Clock = std::chrono::steady_clock;

    // The datagram socket, else the helper's raw one. Throws PingSocketError
    // "Unable to get ping handle" when neither opens.
    EchoSocket();
    // That kind only; throws PingSocketError likewise. helperProgram: where
    // the helper lies, when not where HelperProcess::program() finds it.
    explicit EchoSocket(EchoSocketKind kind, const std::string& helperProgram = {});
    ~EchoSocket();
    EchoSocket(const EchoSocket&) = delete;
    EchoSocket& operator=(const EchoSocket&) = delete;

    // Sends one request without data and blocks until its own reply, an ICMP
    // error that quotes it, the time-out (the send counts against it too) or
    // abort(). Only the low 8 bits of ttl are sent. Replies and errors of
    // earlier requests never count for this one. Not while a sweep runs.
    EchoResult echo(uint32_t destination, int ttl, std::chrono::milliseconds timeout);
    // From any thread: ends a running echo at once, and every later echo
    // returns Aborted without sending.
    void abort() noexcept;

    EchoSocketKind kind() const noexcept { return m_socketKind; }
    // How much longer than its time-out a request of a sweep waits for its
    // answer: the helper's relay may hand over an answer that came in time a
    // little later. An answer still counts by its own times on the wire.
    Clock::duration relayAllowance() const noexcept
    {
        return m_socketKind == EchoSocketKind::Raw ? std::chrono::milliseconds(20) : Clock::duration::zero();
    }
    // The echo identifier that this socket's requests carry.
    uint16_t identifier() const noexcept { return m_echoIdentifier; }

private:
    friend class EchoSweep;

    // One judged answer to one of this socket's requests: its reply, or an
    // ICMP error that quotes it.
    struct Answer {
        uint16_t sequence = 0;
        EchoResult result;           // without the round trip
        Clock::time_point received;  // the kernel's time stamp, else when it was read
        // When the request went out on the wire, where the helper relayed it.
        std::optional<Clock::time_point> sentOnWire;
    };
    // The destination (network byte order) of the request with that sequence
    // if it still waits for its answer.
    using WaitingRequest = std::function<std::optional<uint32_t>(uint16_t sequence)>;
    struct Readiness {
        bool readable = false;  // a packet or a queued error waits
        bool writable = false;  // room to send
    };

    // False, with the reason in why, when that kind cannot be had.
    bool open(EchoSocketKind kind, const std::string& helperProgram, std::string& why);
    // The raw kind's events from the helper, as receive() hands answers over.
    void receiveRelayed(const WaitingRequest& waiting, const std::function<void(const Answer&)>& answered);
    // The raw kind: waits until the helper has handed over everything it received before now, reading it.
    void syncRelay(const WaitingRequest& waiting, const std::function<void(const Answer&)>& answered);
    // The result an answer gives its request, sent then with that time-out,
    // its round trip timed on the wire; nullopt for an answer that came too
    // late, which never counts.
    [[nodiscard]] static std::optional<EchoResult> judgedInTime(const Answer& answer, Clock::time_point sentHere,
                                                                Clock::duration timeout) noexcept;
    // The result of a request whose send failed with that errno.
    static EchoResult resultOfErrno(int error) noexcept;
    uint16_t nextSequence() noexcept { return ++m_sequence; }
    // 0, or the errno: EINVAL for a time to live of 0 in the low 8 bits.
    [[nodiscard]] int setTtl(int ttl) noexcept;
    // One request without blocking: 0, or the errno (EAGAIN: no room now).
    [[nodiscard]] int send(uint32_t destination, uint16_t sequence) noexcept;
    // Reads every packet and queued error without blocking and hands those
    // that answer a waiting request to answered; the rest is dropped.
    void receive(const WaitingRequest& waiting, const std::function<void(const Answer&)>& answered);
    void discardWaiting();
    // Sleeps until something is to be read (or, with forRoom, room to send),
    // extraFd is readable, abort() or until, and polls the last `early` before
    // until without sleeping. A failing poll is logged; false then, errno kept.
    [[nodiscard]] bool wait(Clock::time_point until, Clock::duration early, bool forRoom, int extraFd,
                            Readiness& ready);
    bool aborted() const noexcept { return m_aborted; }

    int m_socketFd = -1;  // the ICMP datagram socket, or the raw kind's channel to the helper
    int m_wakeFd = -1;  // eventfd, readable once aborted
    std::unique_ptr<HelperProcess> m_helper;  // of the raw kind
    bool m_helperGone = false;                 // the helper has closed its end
    int m_ttl = 64;                            // the raw kind's, sent with each request
    uint32_t m_syncToken = 0;                  // of the last Sync asked
    uint32_t m_syncedToken = 0;                // of the last Synced heard
    EchoSocketKind m_socketKind = EchoSocketKind::Datagram;
    uint16_t m_echoIdentifier = 0;
    uint16_t m_sequence = 0;  // of the last request sent
    std::atomic<bool> m_aborted{false};  // read by a running echo while another thread aborts
    // Allocated once: clearing it at every echo showed in a scan's time.
    std::vector<uint8_t> m_receiveBuffer;
};
