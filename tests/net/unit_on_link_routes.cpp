// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches on-link judgements that miss the longest prefix, take a gateway's or a rejecting route for the link, or
// misread the kernel's byte order.
#include "net/Ipv4.h"
#include "net/OnLinkRoutes.h"

#include <gtest/gtest.h>

TEST(OnLinkRoutes, theLongestPrefixWithoutAGatewayIsOnLink)
{
    // As a little-endian kernel writes them: the lab's scanner, a /25 through a gateway inside its /24, a blackhole.
    const OnLinkRoutes routes("Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
                              "eth0\t00000000\tFE6433C6\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
                              "eth0\t006433C6\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
                              "eth0\t806433C6\tFE6433C6\t0003\t0\t0\t0\t80FFFFFF\t0\t0\t0\n"
                              "*\t000012C6\t00000000\t0201\t0\t0\t0\t0000FFFF\t0\t0\t0\n"
                              "garbled line\n");
    const struct { const char* address; bool onLink; } cases[] = {
        {"198.51.100.10", true}, {"198.51.100.127", true}, {"198.51.100.200", false},
        {"203.0.113.10", false}, {"198.18.3.4", false},    {"198.51.101.10", false},
    };
    for (const auto& c : cases) EXPECT_EQ(routes.contains(parseDottedAddress(c.address)), c.onLink) << c.address;
    EXPECT_FALSE(OnLinkRoutes("").contains(parseDottedAddress("198.51.100.10")));
}
