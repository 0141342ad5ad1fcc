// The test lab's plan (lab/netlab.sh builds it) and the guard that skips a
// lab test, with the reason, where no lab could be built.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace Lab {
inline constexpr const char* Scanner = "198.51.100.2";     // this host, "scanner"
inline constexpr const char* Echo5 = "198.51.100.5";       // echo5.lab
inline constexpr const char* Alpha = "198.51.100.10";      // alpha.lab
inline constexpr const char* Bravo = "198.51.100.11";      // bravo.lab
inline constexpr const char* Unnamed12 = "198.51.100.12";  // answers, no name
inline constexpr const char* Unnamed13 = "198.51.100.13";  // answers, no name
inline constexpr const char* Hostile = "198.51.100.14";    // --hostile-host: its name holds control characters
inline constexpr const char* Silent = "198.51.100.20";     // nobody
inline constexpr const char* Late = "198.51.100.30";       // answers after 30 ms
inline constexpr const char* Echo50 = "198.51.100.50";     // echo50.lab
inline constexpr const char* Router = "198.51.100.254";
inline constexpr const char* Far = "203.0.113.10";         // far.lab, behind the router
inline constexpr const char* FarSilent = "203.0.113.20";   // the router: host unreachable
inline constexpr const char* FarUnreachable = "203.0.113.200";  // an unreachable route

// Empty when the lab is up; otherwise why it is not.
inline std::string unavailable()
{
    if (const char* why = std::getenv("SCANVET_LAB_UNAVAILABLE")) return why;
    if (std::getenv("SCANVET_LAB") == nullptr) return "not started through lab/netlab.sh";
    return {};
}
// "dgram" or "raw"
inline std::string socketKind()
{
    const char* kind = std::getenv("SCANVET_LAB_SOCKET");
    return kind != nullptr ? kind : "";
}
} // namespace Lab

#define SCANVET_REQUIRE_LAB()                                                  \
    do {                                                                       \
        const std::string why_ = Lab::unavailable();                           \
        if (!why_.empty()) GTEST_SKIP() << "test lab not available: " << why_; \
    } while (0)
