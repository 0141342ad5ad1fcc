// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One test of one range of last octets as the history records it. A test of
// several ranges, or of a block wider than a /24, is recorded as one
// TestRecord per /24 piece, all in one transaction.
#pragma once

#include <QDateTime>
#include <QString>

#include <vector>

struct ComputerResult {
    QString address;         // dotted decimal, inside the test's range
    bool answered = false;   // answered an echo in this test
    QString name;            // empty: not known (yet); never replaces a known name
    QString mac;             // empty: not known; never replaces a known MAC
    bool seenOnLink = false; // in the neighbour table, answering or not
    QString conflict;        // a second MAC that answered for the address in the same test
    bool answeredKnock = false;  // accepted or refused a TCP connection, answering or not
};

struct TestRecord {
    QString range;  // "A.B.C.MIN-MAX"
    int preset = 0;
    QDateTime start, end;
    bool whole = false;  // ran to the range's end (not stopped)
    // The addresses that answered or were seen on the link: present. Known
    // computers of the range missing here were absent (the store knows which it has).
    std::vector<ComputerResult> computers;
};
