// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the history knows of one computer (one address), as its queries give it.
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

struct TimelineSpan {
    QDateTime from, to;
    bool present = false;
};

struct ComputerHistory {
    QString address;
    QString name, mac;  // at the last sighting that had them; unsafe characters already replaced
    QDateTime firstSeen, lastSeen;
    // Answered the echo or was seen on the link: at the last whole test
    // covering it; before any, at its last sighting.
    bool present = false;
    enum class SeenBy { Unknown, Echo, Link, Tcp };  // Unknown: not since the file's version 1
    SeenBy seenBy = SeenBy::Unknown;  // at its last sighting
    // Percent of the whole tests covering it since its first sighting within
    // the last 24 hours / 7 days in which it was present; none: no such test.
    std::optional<double> uptime24h, uptime7d;
    int changes = 0;  // changes of its presence still kept
    // The last 24 hours from its first sighting to the last test that saw or
    // covered it, oldest first, alternating.
    std::vector<TimelineSpan> timeline;
    QString label;  // the user's name for its MAC, or for its address
    QString moved;  // its MAC's latest move to it: "moved from .23 to .57 at 14:05"; empty: none kept
    QString scanner;  // on a server, the scanner that saw it last; empty in a file
};
