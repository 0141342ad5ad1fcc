// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One computer as the file's and the server's readers alike read it: its
// row, its changes of the last week, and from them and the whole tests that
// covered it, what the History page shows (uptimes, the last day's strip).
#pragma once

#include "history/ComputerHistory.h"
#include "history/StateTimeline.h"

#include <QDateTime>
#include <QtGlobal>

#include <vector>

class QSqlQuery;

// A whole test of the computer's network: the range of last octets it covered.
struct WholeTest {
    qint64 ended = 0;
    int firstOctet = 0, lastOctet = 0;
};

class KeptComputer {
public:
    KeptComputer() = default;
    // From the columns first_seen, last_seen, name, mac, answering, state,
    // seen_by, starting at column first; the row of address.
    KeptComputer(quint32 address, const QSqlQuery& query, int first);

    void addChange(qint64 time, bool present) { m_changes.push_back({time, present}); }
    ComputerHistory& history() { return m_history; }
    // The uptimes and the last day at now, from the whole tests of its
    // network of the last week (oldest first); takes its changes.
    ComputerHistory finish(const std::vector<WholeTest>& tests, const QDateTime& now);

private:
    ComputerHistory m_history;
    qint64 m_firstSeen = 0, m_lastSeen = 0;
    bool m_state = false;
    int m_octet = 0;
    std::vector<StateChange> m_changes;  // of the last 7 days, oldest first
};
