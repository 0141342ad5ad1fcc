// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The one address text and the strict parser, beside the lenient one that the address fields keep, and the one
// range text that the plan, the reports and the history share.
#include "net/Ipv4.h"
#include "net/ScanRange.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

TEST(Addresses, strictTextIsFourDecimalOctetsAndTheLenientOneKeepsItsClassicForms)
{
    const struct { const char* text; std::optional<uint32_t> strict; uint32_t lenient; } rows[] = {
        {"198.51.100.7", 0xC6336407u, 0xC6336407u},
        {"0.0.0.0", 0u, 0u},
        {"255.255.255.255", 0xFFFFFFFFu, AllOnesAddress},
        {"010.0.0.1", 0x0A000001u, 0x08000001u},  // decimal, where inet_aton reads octal
        {"10.1", std::nullopt, 0x0A000001u},
        {"0x7f.1", std::nullopt, 0x7F000001u},
        {"256.1.1.1", std::nullopt, AllOnesAddress},
        {"1.2.3.4.5", std::nullopt, AllOnesAddress},
        {" 1.2.3.4", std::nullopt, AllOnesAddress},
        {"1.2.3.4 ", std::nullopt, 0x01020304u},
        {"+1.2.3.4", std::nullopt, AllOnesAddress},
        {"1..3.4", std::nullopt, AllOnesAddress},
        {"1.2.3.0004", std::nullopt, 0x01020304u},
        {"", std::nullopt, AllOnesAddress},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(parseAddress(row.text), row.strict) << row.text;
        EXPECT_EQ(ntohl(parseLenientAddress(row.text)), row.lenient) << row.text;
        if (row.strict) {
            EXPECT_EQ(parseAddress(addressText(*row.strict)), row.strict) << row.text;
        }
    }
    EXPECT_EQ(dottedText(htonl(0xC6336407u)), "198.51.100.7");
}

TEST(Addresses, oneRangeTextReadsBackAsItsRange)
{
    const struct { const char* text; std::optional<ScanRange> range; const char* written; } rows[] = {
        {"198.51.100.1-254", ScanRange{0xC6336401u, 0xC63364FEu}, "198.51.100.1-254"},
        {"198.51.100.0-255", ScanRange{0xC6336400u, 0xC63364FFu}, "198.51.100.0-255"},
        {"198.51.100.7-7", ScanRange{0xC6336407u, 0xC6336407u}, "198.51.100.7-7"},
        {"198.51.0.0/16", ScanRange{0xC6330001u, 0xC633FFFEu}, "198.51.0.1-198.51.255.254"},
        {"198.51.100.77/30", ScanRange{0xC633644Du, 0xC633644Eu}, "198.51.100.77-78"},
        {"198.51.100.9-8", std::nullopt, nullptr},
        {"198.51.100.1-256", std::nullopt, nullptr},
        {"198.51.100-1", std::nullopt, nullptr},
        {"198.51.100.1-2-3", std::nullopt, nullptr},
        {"198.51.0.0/15", std::nullopt, nullptr},
        {"198.51.0.0/31", std::nullopt, nullptr},
        {"10.1-5", std::nullopt, nullptr},
        {"198.51.100.1 - 5", std::nullopt, nullptr},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(parseRangeText(row.text), row.range) << row.text;
        if (row.range) {
            EXPECT_EQ(scanRangeText(*row.range), row.written) << row.text;
        }
    }
}
