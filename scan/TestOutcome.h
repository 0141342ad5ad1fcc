// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What one test found, handed on once it has settled: its names are in, or
// their time is up.
#pragma once

#include "scan/TestPlan.h"

#include "history/TestRecord.h"
#include "link/LinkSightings.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

struct TestOutcome {
    struct Answer {
        uint32_t address;  // host byte order
        uint32_t roundTripMs;
    };
    struct Sighting {
        uint32_t address;  // host byte order
        QString mac;       // "aa:bb:cc:dd:ee:ff"
        QString maker;     // empty where unknown
        QString conflict;  // another MAC that answered for the address too, empty where none
        QString conflictMaker;  // its maker, empty where unknown
    };
    struct Knocked {
        uint32_t address;                 // host byte order
        uint16_t port;                    // a port that accepted or refused a TCP connection
        std::vector<uint16_t> openPorts;  // those that accepted, where the plan asked
    };
    TestPlan plan;
    QDateTime started;
    QDateTime ended;
    bool whole = false;       // every address had its turn: not stopped
    bool comparable = true;   // every echo went to an address of the plan
    std::vector<Answer> answered;  // in address order
    std::vector<Sighting> onLink;  // answered ARP on the scanner's link, echo or not; in address order
    std::vector<Knocked> knocked{};  // accepted or refused a TCP knock, echo or not; in address order

    // The link's sightings of a test, in address order, with their makers;
    // a second MAC for one address is the first one's conflict.
    static std::vector<Sighting> sightingsOf(const std::vector<LinkSighting>& sightings,
                                             const std::function<QString(const MacAddress&)>& makerOf);
    // Answered the echo or a TCP knock, or was seen on the link, ascending.
    std::vector<uint32_t> present() const;
    // The history keeps ranges of last octets: one record per /24 of the
    // plan, naming each computer by nameOf (its address, host byte order).
    std::vector<TestRecord> historyRecords(const std::function<QString(uint32_t)>& nameOf) const;
};
