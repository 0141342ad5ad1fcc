// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The system's name service (libc's resolver): the only place that asks it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct HostEntry {
    std::string name;                 // official (canonical) name
    std::vector<uint32_t> addresses;  // IPv4, network byte order, in the resolver's order, no repeats
};

// Name to its IPv4 addresses; nullopt when the name has none (an empty name
// or one holding a NUL is not asked for).
std::optional<HostEntry> lookUpHostName(const std::string& name);
// Address to its name; nullopt when it has none.
std::optional<std::string> lookUpHostAddress(uint32_t address);
// The local host's name; nullopt when it cannot be read.
std::optional<std::string> lookUpLocalHostName();
