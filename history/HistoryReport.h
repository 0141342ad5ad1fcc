// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The stored computers of a range as the command line's --history writes
// them: text, CSV or JSON, UTF-8, with the fields address, name, mac,
// first_seen, last_seen, present (answered the echo or a TCP knock, or was
// seen on the link), seen_by (echo, link or tcp, at the last sighting),
// uptime_24h, uptime_7d, changes, label (the user's name) and moved (its
// MAC's latest move to it), and from a history server scanner (the one that
// saw it last). Names
// and MACs are made safe (printable()) in each; times and CSV fields are
// spelled as in the reports of found computers.
#pragma once

#include "history/ComputerHistory.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

// A header line with the range and the time, the field names, then one line
// per computer in aligned columns; "-" for an uptime without a whole test.
// Lines end with CR LF, as the text report of found computers.
QByteArray historyTextReport(const QString& range, const QDateTime& generated,
                             const std::vector<ComputerHistory>& computers);
// The field names, then a row per computer, CR LF; an empty uptime without a whole test, an empty seen_by unknown.
QByteArray historyCsvReport(const std::vector<ComputerHistory>& computers);
// {"range", "generated", "computers": [{the fields}]}; null for an uptime without a whole test or a seen_by unknown.
QByteArray historyJsonReport(const QString& range, const QDateTime& generated,
                             const std::vector<ComputerHistory>& computers);
