// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The kernel's IPv4 neighbour (ARP) table, read over rtnetlink. Reading it
// needs no privilege.
#pragma once

#include "net/MacAddress.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class NeighbourState { None, Incomplete, Reachable, Stale, Delay, Probe, Failed, NoArp, Permanent };

struct NeighbourEntry {
    uint32_t address = 0;  // network byte order
    int interfaceIndex = 0;
    NeighbourState state = NeighbourState::None;
    std::optional<MacAddress> mac;  // only a 48-bit link-layer address
    // Since the neighbour last proved that it is there (answered ARP, or
    // another protocol confirmed it), and since the entry last changed state.
    std::optional<std::chrono::milliseconds> confirmedAge;
    std::optional<std::chrono::milliseconds> updatedAge;
};

// How the kernel times its neighbour resolution on one device (the sysctls
// in /proc/sys/net/ipv4/neigh/DEVICE/), the kernel's defaults where unread.
struct NeighbourTimings {
    std::chrono::milliseconds baseReachable{30000};
    std::chrono::milliseconds delayFirstProbe{5000};
    std::chrono::milliseconds retransmit{1000};
    int unicastProbes = 3;
    int multicastProbes = 3;
    int applicationProbes = 0;
    int multicastReprobes = 0;

    // An entry stays reachable for a random time between half and one and a
    // half times the base after its last confirmation.
    [[nodiscard]] std::chrono::milliseconds longestReachable() const;
    // From a packet to an unknown or stale entry until the kernel has its
    // answer or has given up: a stale entry waits delayFirstProbe, then asks
    // unicast, then (multicastReprobes) by broadcast.
    [[nodiscard]] std::chrono::milliseconds longestResolution() const;
};

class NeighbourTable {
public:
    enum class DumpProgress { More, Done, Interrupted, Failed };

    NeighbourTable();
    ~NeighbourTable();
    NeighbourTable(const NeighbourTable&) = delete;
    NeighbourTable& operator=(const NeighbourTable&) = delete;

    // One dump of the IPv4 table; none, with the reason in why, when the
    // socket would not open or the kernel refused.
    [[nodiscard]] std::optional<std::vector<NeighbourEntry>> read(std::string& why);

    // One datagram of the kernel's answer to dump number `sequence`: appends
    // its IPv4 entries. Messages of other dumps are skipped; a message cut
    // short ends the datagram. Failed, with why, for an error message.
    // The kernel gives ages in clock ticks (USER_HZ, ticksPerSecond).
    [[nodiscard]] static DumpProgress parseDumpPart(const uint8_t* bytes, size_t size, uint32_t sequence,
                                                    long ticksPerSecond, std::vector<NeighbourEntry>& entries,
                                                    std::string& why);

    [[nodiscard]] static NeighbourTimings timingsOf(const std::string& device);

private:
    int m_socketFd = -1;
    std::string m_openError;
    uint32_t m_sequence = 0;
    long m_ticksPerSecond = 100;
    std::vector<uint8_t> m_receiveBuffer;
};
