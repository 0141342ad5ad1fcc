// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The lab's hosts (lab/netlab.sh tells what each does) and the guard that skips a lab test where no lab is up.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace Lab {
inline constexpr const char* Alpha = "198.51.100.10";
inline constexpr const char* Bravo = "198.51.100.11";
inline constexpr const char* Unnamed12 = "198.51.100.12";
inline constexpr const char* Unnamed13 = "198.51.100.13";
inline constexpr const char* Hostile = "198.51.100.14";
inline constexpr const char* Silent = "198.51.100.20";
inline constexpr const char* Late = "198.51.100.30";
inline constexpr const char* Router = "198.51.100.254";
inline constexpr const char* Far = "203.0.113.10";
inline constexpr const char* FarSilent = "203.0.113.20";
inline constexpr const char* FarUnreachable = "203.0.113.200";
// Routed through Router, which drops every packet to them without an ICMP error.
inline constexpr const char* SilentRouted24 = "192.0.2.0";   // a /24
inline constexpr const char* SilentRouted16 = "198.18.0.0";  // a /16

inline std::string unavailable()
{
    const char* why = std::getenv("SCANVET_LAB_UNAVAILABLE");
    return why != nullptr ? why : std::getenv("SCANVET_LAB") != nullptr ? "" : "not started through lab/netlab.sh";
}
inline bool rawSocket() { return unavailable().empty() && std::getenv("SCANVET_LAB_SOCKET") == std::string("raw"); }
} // namespace Lab

#define SCANVET_REQUIRE_LAB()                                                   \
    do {                                                                        \
        if (const std::string why_ = Lab::unavailable(); !why_.empty())         \
            GTEST_SKIP() << "test lab not available: " << why_;                 \
    } while (0)
