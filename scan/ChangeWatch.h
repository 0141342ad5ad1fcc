// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Which computers of a range started or stopped answering since the last
// test of the same range that ran to its end (since the program started).
// A first test of a range, and a test stopped or abandoned, tell nothing.
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

struct RangeChange {
    QStringList answeringNow;      // addresses, in the order of the range
    QStringList stoppedAnswering;
};

class ChangeWatch {
public:
    // A test of network.min..max (network: the first three octets, dotted).
    void testStarted(const QString& network, int rangeMin, int rangeMax);
    // An echo of the running test; an address outside its range (the octets
    // were edited during the test) leaves the test uncompared.
    void echoed(const QString& address, bool answered);
    // The running test has ended; stopped: by a stop, not at its range's end.
    // The change against the range's last whole test, when there is one.
    std::optional<RangeChange> testEnded(bool stopped);

private:
    struct Test {
        QString network;
        QString range;  // "A.B.C.MIN-MAX"
        QStringList answering;
        bool comparable = true;
    };
    std::optional<Test> m_running;
    QHash<QString, QStringList> m_lastWhole;  // by range: the addresses that answered, in order
};
