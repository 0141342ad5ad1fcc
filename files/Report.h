// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The two saved lists: the report of found computers and the result sheet.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>

#include <vector>

struct ReportParameters {
    QString octet1, octet2, octet3;  // as the fields show them
    QString rangeMin, rangeMax;
};

struct ReportEntry {
    QString text;      // the entry's text as the list shows it
    bool answered;     // at its last echo
    QString address;
    QString name;      // empty when it has none (yet)
};

// The report's lines: its header with the parameters and the time, one line
// per entry (its text, then " On" or " Off"), and the end marker.
QStringList foundComputersReport(const ReportParameters& parameters, const QString& timeOfDay,
                                 const std::vector<ReportEntry>& entries);

// The time of day in the locale's long time format, without a date or a
// time zone, minutes and seconds with two digits.
QString reportTimeOfDay(const QLocale& locale = QLocale(), const QTime& time = QTime::currentTime());

// "address,name,answering", then a row per entry (RFC 4180 quoting, CR LF).
// A name that a spreadsheet would take for a formula (it begins with "=",
// "+", "-" or "@") gets a leading "'": names come from the network.
QByteArray csvReport(const std::vector<ReportEntry>& entries);
// {"range": RANGE, "generated": ISO 8601 with offset, "computers": [{"address",
// "name", "answering"}, ...]}, UTF-8.
QByteArray jsonReport(const QString& range, const QDateTime& generated, const std::vector<ReportEntry>& entries);

// Every line followed by CR LF, in the locale's encoding (as file names and
// the settings are), without a byte-order mark.
QByteArray textFileBytes(const QStringList& lines);
