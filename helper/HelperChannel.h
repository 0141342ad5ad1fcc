// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The helper's side of its socket pair, and what both of its modes share:
// the pace of sends, the local interfaces, the monotonic clock.
#pragma once

#include "helper/HelperProtocol.h"

#include <sys/uio.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Helper {

int64_t monotonicNs() noexcept;
// The kernel's receive time stamp (CLOCK_REALTIME), taken to the monotonic clock.
int64_t monotonicOfRealtime(int64_t realtimeNs) noexcept;

// Sends one message whole, waiting while the program has not read the ones before; false once it is gone.
bool sendMessage(int channel, const iovec* parts, int count) noexcept;
bool sendMessage(int channel, const std::vector<uint8_t>& message) noexcept;
bool refuse(int channel, const HelperProtocol::Request& request, const std::string& why) noexcept;

// Holds each send at least MinPaceNs after the one before.
class Pace {
public:
    void wait() noexcept;

private:
    int64_t m_last = 0;
};

// The interfaces with their IPv4 addresses and MACs, read again at most once a second, or at once for an unknown index.
class Interfaces {
public:
    const std::vector<HelperProtocol::InterfaceAddress>& current(uint32_t wantedIndex = 0);

private:
    std::vector<HelperProtocol::InterfaceAddress> m_list;
    int64_t m_readAt = 0;
};

} // namespace Helper
