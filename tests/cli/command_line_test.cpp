// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: an option taken wrongly or dropped; a bad range (255 as the last octet, a block wider than /16), preset,
// interval, repeat, format or report let through; options that do nothing or contradict each other let through; a
// usage error that is not one line naming the option and its value; an option without --range, given twice,
// unknown, or a stray argument that does not stop the program; help or version that is not printed; a range kept as
// typed instead of in its normalised form; --history that writes to its file, calls a file it cannot read or an off
// history "no computer", or leaves .0 and .255 out.
#include "cli/CommandLine.h"
#include "cli/HistoryCommand.h"
#include "history/HistoryStore.h"
#include "net/TcpPortList.h"
#include "tests/QtPrinters.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

static QString parsed(const CommandLineOptions& o)
{
    QStringList ranges;
    for (const ScanRange& r : o.plan.ranges) ranges << QString::fromStdString(scanRangeText(r));
    return QString::asprintf("%s = %s, preset %d, interval %lld, repeat %d, report '%s', format %d%s%s%s%s, tcp %s%s",
                             qPrintable(o.ranges.join(' ')), qPrintable(ranges.join(' ')), o.plan.preset,
                             static_cast<long long>(o.plan.interval.count()), o.repeatMinutes, qPrintable(o.reportFile),
                             int(o.format), o.allLines ? ", all lines" : "", o.quiet ? ", quiet" : "",
                             o.plan.oneAtATime ? ", one at a time" : "", o.keepHistory ? "" : ", no history",
                             tcpPortListText(o.plan.tcpPorts).c_str(), o.plan.openPorts ? ", open ports" : "");
}

TEST(CommandLine, shouldTakeGoodOptionsAndNameTheBadOneAndItsValueInOneLine)
{
    using enum CommandLine::Action;
    const auto range = [](const QString& value) {
        return "scanvet: --range: '" + value +
               "' is not A.B.C.MIN-MAX (octets 0 to 255, MIN up to MAX, 1 to 254) or A.B.C.D/N (N 16 to 30)";
    };
    const QString repeat = "' is not a whole number of minutes from 1 to 60";
    const auto ports = [](const QString& value, const QString& why) {
        return "scanvet: --tcp-ports: '" + value + "' is not 1 to 16 ports from 1 to 65535, or none: " + why;
    };
    // Arguments, action, then the parsed options of a scan, the whole usage error, or a part of the help (which names
    // the test, not scanvet, while an application object exists).
    const std::tuple<QStringList, CommandLine::Action, QString> rows[] = {
        {{}, Window, ""},
        {{"--help"}, Help, "Exit status: 0 when a computer answered the echo or a TCP knock, or was seen on the link, in the last test"},
        {{"--version"}, Version, "scanvet " SCANVET_VERSION},
        {{"--range", "198.51.100.1-31", "--preset", "slow", "--all-lines", "--repeat", "60", "--report", "-",
          "--format", "json", "--one-at-a-time", "--no-history"}, Scan,
         "198.51.100.1-31 = 198.51.100.1-31, preset 2, interval 250, repeat 60, report '-', format 2, all lines, one at "
         "a time, no history, tcp 80,443"},
        {{"--range=0.255.9.1-254", "--preset=lan", "--repeat=1", "--format=csv", "--report=a,b.csv", "--quiet",
          "--interval=0.1"}, Scan,
         "0.255.9.1-254 = 0.255.9.1-254, preset 0, interval 100, repeat 1, report 'a,b.csv', format 1, quiet, tcp 80,443"},
        {{"--range", "1.2.3.1-5", "--tcp-ports", " 443, 22,65535,1 ", "--open-ports"}, Scan,
         "1.2.3.1-5 = 1.2.3.1-5, preset 1, interval 250, repeat 0, report '', format 0, tcp 443,22,65535,1, open ports"},
        {{"--range", "1.2.3.1-5", "--tcp-ports", "none"}, Scan,
         "1.2.3.1-5 = 1.2.3.1-5, preset 1, interval 250, repeat 0, report '', format 0, tcp none"},
        {{"--range", "1.2.3.1-5", "--tcp-ports", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16"}, Scan,
         "1.2.3.1-5 = 1.2.3.1-5, preset 1, interval 250, repeat 0, report '', format 0, tcp "
         "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16"},
        {{"--range", "1.2.3.1-5", "--tcp-ports", "0"}, UsageError, ports("0", "'0' is not a port from 1 to 65535")},
        {{"--range", "1.2.3.1-5", "--tcp-ports", "80,65536"}, UsageError,
         ports("80,65536", "'65536' is not a port from 1 to 65535")},
        {{"--range", "1.2.3.1-5", "--tcp-ports", "80,443,80"}, UsageError, ports("80,443,80", "port 80 is given twice")},
        {{"--range", "1.2.3.1-5", "--tcp-ports", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17"}, UsageError,
         ports("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17", "more than 16 ports")},
        {{"--range", "1.2.3.1-5", "--tcp-ports", "http"}, UsageError, ports("http", "'http' is not a port from 1 to 65535")},
        {{"--range", "1.2.3.1-5", "--tcp-ports", "80,,443"}, UsageError, ports("80,,443", "an empty item")},
        {{"--range", "1.2.3.1-5", "--tcp-ports", ""}, UsageError, ports("", "an empty item")},
        {{"--range", "1.2.3.1-5", "--tcp-ports", "none", "--open-ports"}, UsageError,
         "scanvet: --open-ports needs TCP ports: not with --tcp-ports none"},
        {{"--open-ports"}, UsageError, "scanvet: --open-ports needs --range"},
        // The ranges as the reports name them: each in its normalised form, in the order given.
        {{"--range", "10.0.0.7-7", "--range", "10.1.2.3/30", "--range", "10.9.200.1/16", "--range", "198.051.100.001-12",
          "--interval", "1000"}, Scan,
         "10.0.0.7-7 10.1.2.1-2 10.9.0.1-10.9.255.254 198.51.100.1-12 = 10.0.0.7-7 10.1.2.1-2 10.9.0.1-10.9.255.254 "
         "198.51.100.1-12, preset 1, interval 1000000, repeat 0, report '', format 0, tcp 80,443"},
        {{"--range", "1.2.3.1-5", "--one-at-a-time", "--interval", "500"}, UsageError,
         "scanvet: --interval does nothing with --one-at-a-time: each echo waits for the one before"},
        {{"--range", "198.51.100.1-255"}, UsageError, range("198.51.100.1-255")},
        {{"--range", "10.0.0.0/15"}, UsageError, range("10.0.0.0/15")},
        {{"--range", "10.0.0.0/31"}, UsageError, range("10.0.0.0/31")},
        {{"--range", "1.2.3.1-5", "--interval", "0.05"}, UsageError,
         "scanvet: --interval: '0.05' is not a number of milliseconds from 0.1 to 1000"},
        {{"--range", "1.2.3.1-5", "--interval", "1e2"}, UsageError,
         "scanvet: --interval: '1e2' is not a number of milliseconds from 0.1 to 1000"},
        {{"--range", "1.2.3.1-5", "--format", "csv"}, UsageError, "scanvet: --format needs --report"},
        {{"--range", "1.2.3.1-5", "--quiet", "--all-lines"}, UsageError,
         "scanvet: --quiet and --all-lines ask for opposite things"},
        {{"--range", "198.51.100.1"}, UsageError, range("198.51.100.1")},
        {{"--range", "198.51.256.1-5"}, UsageError, range("198.51.256.1-5")},
        {{"--range", "198.51.100.0-5"}, UsageError, range("198.51.100.0-5")},
        {{"--range", "198.51.100.9-8"}, UsageError, range("198.51.100.9-8")},
        {{"--range"}, UsageError, "scanvet: Missing value after '--range'."},
        {{"--range", "1.2.3.1-5", "--preset", "medium"}, UsageError, "scanvet: --preset: 'medium' is not lan, fast or slow"},
        {{"--range", "1.2.3.1-5", "--repeat", "0"}, UsageError, "scanvet: --repeat: '0" + repeat},
        {{"--range", "1.2.3.1-5", "--repeat", "x"}, UsageError, "scanvet: --repeat: 'x" + repeat},
        {{"--range", "1.2.3.1-5", "--report", "-", "--format", "xml"}, UsageError, "scanvet: --format: 'xml' is not text, csv or json"},
        {{"--range", "1.2.3.1-5", "--report", ""}, UsageError, "scanvet: --report: '' is no file name"},
        {{"--report", "found.csv"}, UsageError, "scanvet: --report needs --range"},
        {{"--range", "1.2.3.1-5", "--colour"}, UsageError, "scanvet: Unknown option 'colour'."},
        {{"1.2.3.1-5"}, UsageError, "scanvet: unexpected argument '1.2.3.1-5'"},
        {{"--range", "1.2.3.1-5", "--preset", "lan", "--preset", "lan"}, UsageError,
         "scanvet: --preset is given more than once"},
        {{"--history-db", "postgresql://u@/db"}, UsageError, "scanvet: --history-db needs --range, --history, --name, --forget or --known"},
        {{"--range", "1.2.3.1-5", "--history-db", "postgresql://u:pw@/db"}, UsageError,
         "scanvet: --history-db: a password in the URI is refused: libpq reads it from ~/.pgpass or PGPASSFILE"},
        {{"--range", "1.2.3.1-5", "--from-scanner", "a"}, UsageError, "scanvet: --from-scanner needs --history"},
        {{"--known", "--from-scanner", "a"}, UsageError, "scanvet: --from-scanner needs --history"},
        {{"--history", "1.2.3.1-5", "--scanner-name", "a"}, UsageError, "scanvet: --scanner-name does nothing with --history"},
        {{"--range", "1.2.3.1-5", "--scanner-name", " "}, UsageError, "scanvet: --scanner-name: '' is no name"},
    };
    for (const auto& [arguments, action, expected] : rows) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const CommandLine command = parseCommandLine(QStringList{"scanvet"} + arguments);
        EXPECT_EQ(command.action, action);
        const QString actual = action == Scan ? parsed(command.options) : command.text;
        EXPECT_TRUE(action == Help ? actual.contains(expected) : actual == expected) << actual.toStdString();
    }
}

TEST(CommandLine, shouldReadTheHistoryWithoutWritingAndTellAFailureAndAnOffHistoryApart)
{
    struct Row {
        const char* what;
        QByteArray file;  // "history": one test of 192.0.2.0 and .255
        int keepDays;
        int status;
        QString error, report;
    };
    const Row rows[] = {
        {"no file", {}, 90, 1, "", "address,name,mac,first_seen,last_seen,present,seen_by,uptime_24h,uptime_7d,changes,label,moved"},
        {"off", {}, 0, 1, "scanvet: the history is off (the window's Options, Keep history): no test is recorded", "address"},
        {"broken", QByteArray(4096, 'x'), 90, 6, "scanvet: cannot read the history: FILE: file is not a database", ""},
        {"kept", "history", 0, 0, "scanvet: the history is off", "192.0.2.255,,,"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        const QString file = dir.filePath("history.sqlite"), report = dir.filePath("report.csv");
        if (row.file == "history") {
            HistoryStore store(file);
            TestRecord test{"192.0.2.0-255", 1, QDateTime::currentDateTime(), QDateTime::currentDateTime(), true, {}};
            for (const char* address : {"192.0.2.0", "192.0.2.255"}) test.computers.push_back({address, true, {}, {}, false, {}});
            ASSERT_TRUE(store.open() == HistoryStore::Opened::Ready && store.record({test}));
        } else if (!row.file.isEmpty()) {
            QFile broken(file);
            ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write(row.file) == row.file.size());
        }
        QFile written(file);
        const QByteArray before = written.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(written.readAll(), QCryptographicHash::Sha256) : "";
        const CommandLine command = parseCommandLine({"scanvet", "--history", "192.0.2.1-254", "--format", "csv", "--report", report});
        ASSERT_EQ(command.action, CommandLine::Action::History);
        const int savedError = ::dup(STDERR_FILENO);
        const QString errorFile = dir.filePath("stderr");
        const int errors = ::open(QFile::encodeName(errorFile).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(errors, STDERR_FILENO);
        const int status = writeHistoryReport(command.options, file, row.keepDays);
        ::dup2(savedError, STDERR_FILENO);
        ::close(savedError);
        ::close(errors);
        EXPECT_EQ(status, row.status);
        QFile errorText(errorFile), reportText(report);
        ASSERT_TRUE(errorText.open(QIODevice::ReadOnly));
        const QString said = QString::fromUtf8(errorText.readAll());
        EXPECT_TRUE(row.error.isEmpty() ? said.isEmpty() : said.startsWith(QString(row.error).replace("FILE", file))) << said.toStdString();
        EXPECT_EQ(reportText.open(QIODevice::ReadOnly) ? QString::fromUtf8(reportText.readAll()).contains(row.report) : row.report.isEmpty(), true);
        QFile after(file);
        EXPECT_EQ(after.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(after.readAll(), QCryptographicHash::Sha256) : "", before);
    }
}
