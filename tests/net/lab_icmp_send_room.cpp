// Echoes to many neighbours that never answer: their requests wait in the
// kernel for address resolution (some seconds) and hold the socket's send
// buffer meanwhile. A fast sweep must still keep every time-out.
#include "net/Icmp.h"
#include "tests/Lab.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool NeighbourFailed(const std::string& address)
{
    const std::string command = "ip -4 neigh show " + address + " 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return false;
    std::string text;
    char chunk[256];
    while (fgets(chunk, sizeof chunk, out) != nullptr) text += chunk;
    pclose(out);
    return text.find("FAILED") != std::string::npos;
}

} // namespace

TEST(LabEchoSendRoom, sweepOverSilentNeighboursKeepsEveryTimeOut)
{
    SCANVET_REQUIRE_LAB();
    // Nobody has these lab addresses; 140 requests of this size outgrow the
    // default send buffer long before the first resolution gives up.
    std::vector<std::string> silent;
    for (int octet = 60; octet <= 99; ++octet) silent.push_back("198.51.100." + std::to_string(octet));
    for (int octet = 150; octet <= 249; ++octet) silent.push_back("198.51.100." + std::to_string(octet));

    TICMP icmp;
    icmp.Size = 1400;
    icmp.TTL = 1;
    icmp.Timeout = 1;
    std::vector<std::string> unexpected;
    for (const std::string& address : silent) {
        icmp.SetAddress(address);
        EXPECT_EQ(icmp.Ping(), 0) << address;
        // Not the host-unreachable error of an earlier request.
        if (icmp.LastError() != IP_REQ_TIMED_OUT)
            unexpected.push_back(address + ": " + std::to_string(icmp.LastError()));
    }
    EXPECT_TRUE(unexpected.empty()) << unexpected.front();
    // The sweep did not wait for an earlier resolution to give up.
    EXPECT_FALSE(NeighbourFailed(silent.front()));
}
