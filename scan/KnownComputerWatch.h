// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Which of the MACs that the history saw for the first time are worth a
// notice: none while the user has turned them off, and none of a private
// (locally administered, often random) MAC unless the user asks for those too,
// or it answered for an address that another MAC answered for in the same
// test: a conflict is no rotation, and its notice says so.
#pragma once

#include "history/KnownComputers.h"
#include "scan/TestOutcome.h"

#include <QHash>
#include <QStringList>

class KnownComputerWatch {
public:
    void setNotifyOfNew(bool on) { m_notifyOfNew = on; }
    bool notifyOfNew() const { return m_notifyOfNew; }
    void setNotifyOfPrivate(bool on) { m_notifyOfPrivate = on; }
    bool notifyOfPrivate() const { return m_notifyOfPrivate; }

    // Keeps the makers of a settled test's sightings for its notice.
    void tested(const TestOutcome& outcome);
    // "ADDRESS, MAC (maker)" of each new computer to tell of, in the history's order;
    // of one in a conflict, the address of the conflict and ", address
    // conflict: MAC address OTHER answers for it too".
    QStringList toTell(const KnownSightings& learned) const;

private:
    bool m_notifyOfNew = true;
    bool m_notifyOfPrivate = false;
    struct Conflict {
        QString address;  // dotted
        QString otherMac;
    };
    QHash<QString, QString> m_makers;  // by MAC, of the latest tests
    QHash<QString, Conflict> m_conflicts;  // by each of its two MACs, of the latest tests
};
