// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Which of the MACs that the history saw for the first time are worth a
// notice: none while the user has turned them off, and none of a private
// (locally administered, often random) MAC unless the user asks for those too.
// And which address conflicts (two MACs answering for one address in one
// test) are news: a conflict is a fault, told whatever the options say, once
// while it lasts, and again only once it has ended or with another MAC.
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
    // The user's names, for the conflicts' notices.
    void setKnownNames(const KnownNames& names) { m_names = names; }

    // Keeps the makers of a settled test's sightings for its notice, and
    // returns its conflicts not told while they lasted: "Address conflict at
    // ADDRESS: MAC (maker, LABEL) and MAC (maker, LABEL) both answer for it".
    [[nodiscard]] QStringList tested(const TestOutcome& outcome);
    // "ADDRESS, MAC (maker)" of each new computer to tell of, in the history's order.
    QStringList toTell(const KnownSightings& learned) const;

private:
    QString described(const QString& mac) const;

    bool m_notifyOfNew = true;
    bool m_notifyOfPrivate = false;
    KnownNames m_names;
    QHash<QString, QString> m_makers;  // by MAC, of the latest tests
    QHash<uint32_t, QString> m_conflicts;  // the pair of MACs told, by address (host byte order), while it lasts
};
