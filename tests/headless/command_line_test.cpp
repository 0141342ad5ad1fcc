// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: an option taken wrongly or dropped; a bad range, preset, repeat, format or report let through; a usage
// error that is not one line naming the option and its value; an option without --range, given twice, unknown, or a
// stray argument that does not stop the program; help or version that is not printed.
#include "app/CommandLine.h"
#include "tests/QtPrinters.h"

#include <gtest/gtest.h>

static QString parsed(const ScanOptions& o)
{
    return QString::asprintf("%s = %d.%d.%d.%d-%d, preset %d, repeat %d, report '%s', format %d%s%s", qPrintable(o.range),
                             o.octets[0], o.octets[1], o.octets[2], o.rangeMin, o.rangeMax, o.preset, o.repeatMinutes,
                             qPrintable(o.reportFile), int(o.format), o.allLines ? ", all lines" : "",
                             o.quiet ? ", quiet" : "");
}

TEST(CommandLine, shouldTakeGoodOptionsAndNameTheBadOneAndItsValueInOneLine)
{
    using enum CommandLine::Action;
    const auto range = [](const QString& value) {
        return "scanvet: --range: '" + value + "' is not A.B.C.MIN-MAX (octets 0 to 255, MIN up to MAX, 1 to 254)";
    };
    const QString repeat = "' is not a whole number of minutes from 1 to 60";
    // Arguments, action, then the parsed options of a scan, the whole usage error, or a part of the help (which names
    // the test, not scanvet, while an application object exists).
    const std::tuple<QStringList, CommandLine::Action, QString> rows[] = {
        {{}, Window, ""},
        {{"--help"}, Help, " [options]\nFinds out which computers answer in one IPv4 range."},
        {{"--version"}, Version, "scanvet " SCANVET_VERSION},
        {{"--range", "198.51.100.1-31", "--preset", "slow", "--all-lines", "--quiet", "--repeat", "60", "--report", "-",
          "--format", "json"}, Scan,
         "198.51.100.1-31 = 198.51.100.1-31, preset 2, repeat 60, report '-', format 2, all lines, quiet"},
        {{"--range=0.255.9.1-254", "--preset=fast", "--repeat=1", "--format=csv", "--report=a,b.csv"}, Scan,
         "0.255.9.1-254 = 0.255.9.1-254, preset 1, repeat 1, report 'a,b.csv', format 1"},
        {{"--range", "10.0.0.7-7", "--preset", "lan", "--format", "text"}, Scan,
         "10.0.0.7-7 = 10.0.0.7-7, preset 0, repeat 0, report '', format 0"},
        {{"--range", "198.51.100.1"}, UsageError, range("198.51.100.1")},
        {{"--range", "198.51.256.1-5"}, UsageError, range("198.51.256.1-5")},
        {{"--range", "198.51.100.0-5"}, UsageError, range("198.51.100.0-5")},
        {{"--range", "198.51.100.9-8"}, UsageError, range("198.51.100.9-8")},
        {{"--range"}, UsageError, "scanvet: Missing value after '--range'."},
        {{"--range", "1.2.3.1-5", "--preset", "medium"}, UsageError, "scanvet: --preset: 'medium' is not lan, fast or slow"},
        {{"--range", "1.2.3.1-5", "--repeat", "0"}, UsageError, "scanvet: --repeat: '0" + repeat},
        {{"--range", "1.2.3.1-5", "--repeat", "x"}, UsageError, "scanvet: --repeat: 'x" + repeat},
        {{"--range", "1.2.3.1-5", "--format", "xml"}, UsageError, "scanvet: --format: 'xml' is not text, csv or json"},
        {{"--range", "1.2.3.1-5", "--report", ""}, UsageError, "scanvet: --report: '' is no file name"},
        {{"--report", "found.csv"}, UsageError, "scanvet: --report needs --range"},
        {{"--range", "1.2.3.1-5", "--colour"}, UsageError, "scanvet: Unknown option 'colour'."},
        {{"1.2.3.1-5"}, UsageError, "scanvet: unexpected argument '1.2.3.1-5'"},
        {{"--range", "1.2.3.1-5", "--range", "1.2.3.1-5"}, UsageError, "scanvet: --range is given more than once"},
    };
    for (const auto& [arguments, action, expected] : rows) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const CommandLine command = parseCommandLine(QStringList{"scanvet"} + arguments);
        EXPECT_EQ(command.action, action);
        const QString actual = action == Scan ? parsed(command.scan) : command.text;
        EXPECT_TRUE(action == Help ? actual.contains(expected) : actual == expected) << actual.toStdString();
    }
}
