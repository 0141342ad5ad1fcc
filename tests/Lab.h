// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The lab's hosts (lab/netlab.sh tells what each does) and the guard that skips a lab test where no lab is up.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <thread>
#include <fstream>
#include <sstream>
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
// Behind Router, ignoring echo: refuses TCP (RST), listens on TCP port 443, drops everything.
inline constexpr const char* FarRefusing = "203.0.113.30";
inline constexpr const char* FarListening = "203.0.113.31";
inline constexpr const char* FarDropping = "203.0.113.32";
// Routed through Router, which drops every packet to them without an ICMP error.
inline constexpr const char* SilentRouted24 = "192.0.2.0";   // a /24
inline constexpr const char* SilentRouted16 = "198.18.0.0";  // a /16

// Hosts that ignore echo but answer ARP, each with a MAC of its own (none with --all-answer).
struct ArpOnlyHost {
    const char* address;
    const char* mac;
    const char* maker;
};
inline constexpr ArpOnlyHost ArpOnlyHosts[] = {
    {"198.51.100.40", "00:1c:42:5c:a1:40", "Parallels, Inc."},         // an MA-L maker's
    {"198.51.100.41", "70:b3:d5:71:9a:41", "2M Technology"},           // MA-S inside IEEE's 70:B3:D5
    {"198.51.100.42", "02:5c:a1:00:00:42", "(locally administered)"},
};

// Where no lab can be built, lab/netlab.sh says why and runs no test (77, or 1 under SCANVET_LAB_REQUIRED=1); this
// catches a lab test started without it.
inline std::string unavailable()
{
    return std::getenv("SCANVET_LAB") != nullptr ? "" : "not started through lab/netlab.sh";
}
// Takes ARP-only host number `index` off the LAN (its link goes down) or brings it back; false when it could not.
inline bool setArpOnlyHostPresent(size_t index, bool present)
{
    const char* list = std::getenv("SCANVET_LAB_ARP_HOSTS");
    std::istringstream namespaces(list != nullptr ? list : "");
    std::string name;
    for (size_t i = 0; i <= index; ++i)
        if (!(namespaces >> name)) return false;
    return std::system(("ip -n " + name + " link set eth0 " + (present ? "up" : "down")).c_str()) == 0;
}
// Takes a LAN host's address away (and the scanner's neighbour table forgets it) or gives it back.
inline bool setLanHostPresent(const std::string& address, bool present)
{
    const char* hosts = std::getenv("SCANVET_LAB_HOSTS");
    if (hosts == nullptr) return false;
    const std::string change = std::string("ip -n ") + hosts + (present ? " addr add " : " addr del ") + address + "/24 dev eth0";
    return std::system(change.c_str()) == 0 && (present || std::system("ip -4 neigh flush all") == 0);
}
// Sends an ARP reply to the MAC and address from the lab's hosts' namespace, in a frame to frameTo, every 20 ms, on a
// thread.
inline std::thread sendArpReply(const std::string& claimedAddress, const std::string& claimedMac, const std::string& frameTo,
                         const std::string& toMac, const std::string& toAddress, int times)
{
    std::ostringstream script;
    script << "import socket,time\n"
              "def mac(t): return bytes.fromhex(t.replace(':',''))\n"
              "def ip(t): return socket.inet_aton(t)\n"
              "s=socket.socket(socket.AF_PACKET,socket.SOCK_RAW)\ns.bind(('eth0',0))\n"
              "f=mac('" << frameTo << "')+mac('" << claimedMac << "')+b'\\x08\\x06'+bytes([0,1,8,0,6,4,0,2])"
              "+mac('" << claimedMac << "')+ip('" << claimedAddress << "')+mac('" << toMac << "')+ip('" << toAddress << "')\n"
              "for i in range(" << times << "):\n  s.send(f); time.sleep(0.02)\n"
              "  if i == 0: open(__file__ + '.sending', 'w').close()\n";
    const std::string file = "spoof-" + claimedAddress + ".py";
    std::remove((file + ".sending").c_str());
    std::ofstream(file) << script.str();
    const std::string command = "ip netns exec " + std::string(std::getenv("SCANVET_LAB_HOSTS")) + " python3 " + file;
    return std::thread([command] { EXPECT_EQ(std::system(command.c_str()), 0); });
}

// Until the spoofer of claimedAddress has sent its first reply (python's start is slow).
inline bool spoofing(const std::string& claimedAddress)
{
    for (int i = 0; i < 500; ++i) {
        if (std::ifstream("spoof-" + claimedAddress + ".py.sending")) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

inline bool rawSocket() { return unavailable().empty() && std::getenv("SCANVET_LAB_SOCKET") == std::string("raw"); }
} // namespace Lab

#define SCANVET_REQUIRE_LAB()                                                   \
    do {                                                                        \
        if (const std::string why_ = Lab::unavailable(); !why_.empty())         \
            GTEST_SKIP() << "test lab not available: " << why_;                 \
    } while (0)
