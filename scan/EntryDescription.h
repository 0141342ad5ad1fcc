// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the tip and the screen reader say of a found computer: its state, its
// MAC and maker (a locally administered MAC as a private, random address),
// the user's name beside the host name, and an address conflict.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>

struct EntryFacts {
    QString text;      // the entry as the report writes it
    QString name;      // the host name
    QString label;     // the user's name
    QString mac, maker, conflict;
    bool answered = false;
    bool seenOnLink = false;
    uint16_t knockPort = 0;  // a port that answered a TCP knock; 0: none
    QList<int> openPorts;
};

QString entryDescription(const EntryFacts& entry);
// Null where there is nothing to add to the entry's text, whose width is width.
QVariant entryToolTip(const EntryFacts& entry, int width);
// A locally administered MAC ("x2:", "x6:", "xA:" or "xE:" first): set by the device, often at random.
bool isPrivateMac(const QString& mac);
