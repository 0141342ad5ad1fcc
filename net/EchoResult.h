// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What became of one echo request.
#pragma once

#include <cstdint>

enum class EchoStatus {
    Answered,
    TimedOut,
    TtlExpired,           // time exceeded, in transit or in reassembly
    NetUnreachable,
    HostUnreachable,      // and the unreachable codes without a kind of their own
    ProtocolUnreachable,
    PortUnreachable,
    PacketTooBig,
    SourceRouteFailed,
    ParameterProblem,
    SourceQuench,
    SendFailed,           // the kernel refused the request (a time to live of 0 among others)
    Aborted,
};

struct EchoResult {
    EchoStatus status = EchoStatus::TimedOut;
    uint32_t roundTripMs = 0;  // whole milliseconds, when answered
    uint32_t from = 0;         // who answered or reported the error, network byte order; 0 when unknown
    uint8_t ttl = 0;           // time to live of the reply, 0 when unknown
    int sendError = 0;         // with SendFailed: the errno the kernel refused the request with, 0 when unknown

    bool answered() const noexcept { return status == EchoStatus::Answered; }
};
