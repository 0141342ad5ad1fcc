// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// When the echo requests of a sweep leave: every sendto() of this
// executable goes through a wrapper (the link option --wrap=sendto in
// bench/CMakeLists.txt), which notes the calls that sent a datagram to an
// address of one /24 while recording. Nothing in the program is changed.
#pragma once

#include <array>
#include <cstdint>

struct WireTimes {
    int64_t first = 0;  // CLOCK_MONOTONIC ns of the first send, 0 without one
    int64_t last = 0;
    int sends = 0;
    std::array<int64_t, 256> firstByOctet{};  // the first send to each last octet, 0 without one
};

// From now on, the sends to network/24 (host byte order) on any thread.
void startWireTimes(uint32_t network);
// Ends the recording and returns what it saw.
WireTimes stopWireTimes();
