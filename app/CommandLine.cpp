// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/CommandLine.h"


#include <QCommandLineParser>
#include <QRegularExpression>

#include <optional>

namespace {

const QString Program = QStringLiteral("scanvet");

struct Choice {
    const char* name;
    int value;
};

std::optional<int> numberIn(const QString& text, int min, int max)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
    if (!digits.match(text).hasMatch()) return std::nullopt;
    const int value = text.toInt();
    if (value < min || value > max) return std::nullopt;
    return value;
}

// "A.B.C.MIN-MAX": three octets, then the range of last octets.
bool parseRange(const QString& text, ScanOptions& scan)
{
    const QStringList dotted = text.split(QLatin1Char('.'));
    if (dotted.size() != 4) return false;
    const QStringList ends = dotted[3].split(QLatin1Char('-'));
    if (ends.size() != 2) return false;
    for (int i = 0; i < 3; ++i) {
        const std::optional<int> octet = numberIn(dotted[i], 0, 255);
        if (!octet) return false;
        scan.octets[static_cast<size_t>(i)] = *octet;
    }
    const std::optional<int> low = numberIn(ends[0], 1, 254), high = numberIn(ends[1], 1, 254);
    if (!low || !high || *low > *high) return false;
    scan.rangeMin = *low;
    scan.rangeMax = *high;
    scan.range = text;
    return true;
}

std::optional<int> choice(const QString& text, std::initializer_list<Choice> choices)
{
    for (const Choice& c : choices)
        if (text == QLatin1String(c.name)) return c.value;
    return std::nullopt;
}

CommandLine usageError(const QString& line)
{
    return {CommandLine::Action::UsageError, {}, Program + QStringLiteral(": ") + line};
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Finds out which computers answer in one IPv4 range. Without options it opens its window; "
        "with --range it pings the range without a window and writes what it found.\n\n"
        "Exit status of a scan: 0 when a computer answered in the last test, 1 when none did, 2 for a usage "
        "error, 3 when no echo socket opens, 4 when the report cannot be written, 130 after SIGINT and 143 "
        "after SIGTERM."));
    // Not addHelpOption(): its --help-all would offer Qt's own options, which a scan never takes.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays the version."));
    const QCommandLineOption range(QStringLiteral("range"),
                                   QStringLiteral("Scans A.B.C.MIN to A.B.C.MAX without a window "
                                                  "(MIN and MAX from 1 to 254)."),
                                   QStringLiteral("A.B.C.MIN-MAX"));
    const QCommandLineOption preset(QStringLiteral("preset"),
                                    QStringLiteral("Speed and time-out: lan (1 ms, time to live 1), fast (600 ms), "
                                                   "slow (3000 ms). Default: lan."),
                                    QStringLiteral("lan|fast|slow"), QStringLiteral("lan"));
    const QCommandLineOption allLines(QStringLiteral("all-lines"),
                                      QStringLiteral("Writes the line of every echo, not only of the replies."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Writes no result lines."));
    const QCommandLineOption repeat(QStringLiteral("repeat"),
                                    QStringLiteral("Repeats the test MINUTES (1 to 60) after each end, "
                                                   "until interrupted."),
                                    QStringLiteral("MINUTES"));
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("Writes the found computers into FILE (- for standard output) "
                                                   "at the end of each test."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("The report's format: text (as the window's Save List), csv or "
                                                   "json. Default: text."),
                                    QStringLiteral("text|csv|json"), QStringLiteral("text"));
    for (const QCommandLineOption& option : {help, version, range, preset, allLines, quiet, repeat, report, format})
        parser.addOption(option);

    if (!parser.parse(arguments)) return usageError(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    if (parser.isSet(help))
        return {CommandLine::Action::Help, {},
                parser.helpText().replace(QStringLiteral("<executable_name>"), Program)};
    if (parser.isSet(version))
        return {CommandLine::Action::Version, {}, Program + QStringLiteral(" ") + QStringLiteral(SCANVET_VERSION)};

    const QCommandLineOption* needingRange[] = {&preset, &allLines, &quiet, &repeat, &report, &format};
    if (!parser.isSet(range)) {
        for (const QCommandLineOption* option : needingRange)
            if (parser.isSet(*option)) return usageError(QStringLiteral("--%1 needs --range").arg(option->names().first()));
        return {};
    }
    CommandLine command{CommandLine::Action::Scan, {}, {}};
    ScanOptions& scan = command.scan;
    for (const QCommandLineOption* option : {&range, &preset, &repeat, &report, &format})
        if (parser.values(*option).size() > 1)
            return usageError(QStringLiteral("--%1 is given more than once").arg(option->names().first()));
    const auto bad = [](const char* option, const QString& value, const char* rule) {
        return usageError(QStringLiteral("--%1: '%2' %3").arg(QLatin1String(option), value, QLatin1String(rule)));
    };
    if (!parseRange(parser.value(range), scan))
        return bad("range", parser.value(range), "is not A.B.C.MIN-MAX (octets 0 to 255, MIN up to MAX, 1 to 254)");
    const std::optional<int> speed = choice(parser.value(preset), {{"lan", 0}, {"fast", 1}, {"slow", 2}});
    if (!speed) return bad("preset", parser.value(preset), "is not lan, fast or slow");
    scan.preset = *speed;
    if (parser.isSet(repeat)) {
        const std::optional<int> minutes = numberIn(parser.value(repeat), 1, 60);
        if (!minutes) return bad("repeat", parser.value(repeat), "is not a whole number of minutes from 1 to 60");
        scan.repeatMinutes = *minutes;
    }
    const std::optional<int> kind = choice(parser.value(format), {{"text", 0}, {"csv", 1}, {"json", 2}});
    if (!kind) return bad("format", parser.value(format), "is not text, csv or json");
    scan.format = static_cast<ReportFormat>(*kind);
    if (parser.isSet(report)) {
        scan.reportFile = parser.value(report);
        if (scan.reportFile.isEmpty()) return bad("report", scan.reportFile, "is no file name");
    }
    scan.allLines = parser.isSet(allLines);
    scan.quiet = parser.isSet(quiet);
    return command;
}
