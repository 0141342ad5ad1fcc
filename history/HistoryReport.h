// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The stored computers of a range as the command line's --history writes
// them: text, CSV or JSON, UTF-8, with the fields address, name, mac,
// first_seen, last_seen, answering, uptime_24h, uptime_7d and changes. Names
// and MACs are made safe (SafeText) in each.
#pragma once

#include "history/ComputerHistory.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

// How the program's reports spell a time (ISO 8601 with its offset) and a
// CSV field (RFC 4180 quoting and the formula guard): the caller passes the
// program's own, so that every report spells them alike.
struct ReportSpelling {
    QString (*time)(const QDateTime& time);
    QString (*csvField)(const QString& text);
};

// A header line with the range and the time, the field names, then one line
// per computer in aligned columns; "-" for an uptime without a whole test.
QByteArray historyTextReport(const QString& range, const QDateTime& generated,
                             const std::vector<ComputerHistory>& computers, const ReportSpelling& spelling);
// The field names, then a row per computer, CR LF; an empty uptime without a whole test.
QByteArray historyCsvReport(const std::vector<ComputerHistory>& computers, const ReportSpelling& spelling);
// {"range", "generated", "computers": [{the fields}]}; null for an uptime without a whole test.
QByteArray historyJsonReport(const QString& range, const QDateTime& generated,
                             const std::vector<ComputerHistory>& computers, const ReportSpelling& spelling);
