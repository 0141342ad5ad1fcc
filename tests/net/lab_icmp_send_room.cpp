// Echoes to many neighbours that never answer: their requests wait in the
// kernel for address resolution (some seconds) and hold the socket's send
// buffer meanwhile. A fast sweep must still keep every time-out.
#include "net/Icmp.h"
#include "tests/Lab.h"
#include "tests/net/NetTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    EXPECT_FALSE(NetTest::NeighbourFailed(silent.front()));
}
