// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the history knows of one computer (one address), as its queries give it.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

struct TimelineSpan {
    QDateTime from, to;
    bool answering = false;
};

struct ComputerHistory {
    QString address;
    QString name, mac;  // at the last sighting that had them; unsafe characters already replaced
    QDateTime firstSeen, lastSeen;
    // At the last whole test covering it; before any, at its last sighting.
    bool answering = false;
    // Percent of the whole tests covering it since its first sighting within
    // the last 24 hours / 7 days in which it answered; none: no such test.
    std::optional<double> uptime24h, uptime7d;
    int changes = 0;  // changes of its answering state still kept
    // The last 24 hours from its first sighting to the last test that saw or
    // covered it, oldest first, alternating.
    std::vector<TimelineSpan> timeline;
};

struct DailyRoundTrip {
    QDate day;  // local date
    int minimumMs = 0;
    double meanMs = 0;
    int maximumMs = 0;
};
