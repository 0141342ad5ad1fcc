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

// The text report's header: the test's address and range as the window's
// fields show them.
struct ReportHeader {
    QString octet1, octet2, octet3;
    QString rangeMin, rangeMax;
};

struct ReportEntry {
    QString text;      // the entry's text as the list shows it
    bool answered;     // at its last echo
    QString address;
    QString name;      // empty when it has none (yet)
    QString mac;       // where it was seen on the link: "aa:bb:cc:dd:ee:ff"
    QString vendor;    // the MAC's maker, where known
    QString seenBy;    // "echo"; for a computer that never answered an echo "link", or "tcp" where a TCP knock alone found it
    QString label;     // the user's name for it; empty: none (known: false)
    QString conflict;  // a second MAC that answered for the address, empty where none
    QList<int> openPorts{};  // TCP ports that accepted a connection, where asked
};

// The report's lines: its header with the parameters and the time, one line
// per entry (its text, then " On" or " Off"), and the end marker.
QStringList foundComputersReport(const ReportHeader& header, const QString& timeOfDay,
                                 const std::vector<ReportEntry>& entries);

// The time of day in the locale's long time format, without a date or a
// time zone, minutes and seconds with two digits.
QString reportTimeOfDay(const QLocale& locale = QLocale(), const QTime& time = QTime::currentTime());

// "address,name,answering,mac,vendor,seen_by,label,known,conflict,open_ports",
// then a row per entry (RFC 4180 quoting, CR LF); answering is about the
// echo, known says whether the user has named it; open_ports holds the ports
// joined by blanks.
// A name that a spreadsheet would take for a formula (it begins with "=",
// "+", "-" or "@") gets a leading "'": names come from the network.
QByteArray csvReport(const std::vector<ReportEntry>& entries);
// {"range": the first range, "ranges": [every range], "generated": ISO 8601
// with offset, "computers": [{"address", "name", "answering", "mac",
// "vendor", "seen_by", "label", "known", "conflict", "open_ports": [numbers]}, ...]}, UTF-8.
QByteArray jsonReport(const QStringList& ranges, const QDateTime& generated, const std::vector<ReportEntry>& entries);
// ISO 8601 with the offset always spelled out ("+00:00", never "Z").
QString isoWithOffset(const QDateTime& time);
// One CSV field: RFC 4180 quoting, and a leading "'" before a text that a
// spreadsheet would take for a formula (it begins with "=", "+", "-" or "@").
QString csvField(QString text);

enum class ReportFormat { Text, Csv, Json };

// Everything a report of found computers says, whoever asks for it.
struct FoundReport {
    ReportHeader header;       // for the text report
    QStringList ranges;        // for the JSON report: "range" is the first
    QDateTime generated;
    std::vector<ReportEntry> entries;
};
// The report in the format, its entries in address order whatever found
// them: the text report with the time of day of generated, as Save List
// writes it; the CSV; or the JSON.
QByteArray reportBytes(ReportFormat format, const FoundReport& report);

// Every line followed by CR LF, in the locale's encoding (as file names and
// the settings are), without a byte-order mark.
QByteArray textFileBytes(const QStringList& lines);
