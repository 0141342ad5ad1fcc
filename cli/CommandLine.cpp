// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/CommandLine.h"

#include "cli/HistoryPlace.h"
#include "cli/KnownCommand.h"
#include "net/TcpPortList.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

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

const char* const Description =
    "Finds out which computers answer in one IPv4 range. Without options it opens its window; with --range it pings "
    "the range without a window and writes what it found; with --history it writes what the history holds of a "
    "range. Each test of an address range on the computer's own link also finds the computers there that ignore "
    "ping but answer ARP, with their MAC address and its maker."
    "\n\nWhile it scans, the result lines go to standard output, or to standard error when the report goes to "
    "standard output; on a terminal, a line on standard error shows the progress. Under --repeat, a report on "
    "standard output is one JSON document per line (JSON Lines), and a CSV report gives its header once."
    "\n\nEach test goes into the history as the window's choice of Options, Keep history says (7 to 365 days, or "
    "off: then nothing is recorded). At the end the history waits at most 2 s for a file that another program "
    "holds, after the report and with the exit status known; SIGINT or SIGTERM ends that wait, naming the test "
    "not recorded."
    "\n\nExit status: 0 when a computer answered the echo or a TCP knock, or was seen on the link, in the last test (--history: when the "
    "history holds a computer of the range), 1 when none did, 2 for a usage error, 3 when no echo socket opens, 4 when the report or the result lines cannot be written (a reader that closes the pipe of "
    "the result lines early only ends them), 5 when the test cannot start, 6 when --history cannot read the "
    "history file, 130 after SIGINT and 143 after SIGTERM "
    "(the test stops, and the report of what was found so far is written, with what the link has seen).";

} // namespace

std::optional<ScanRange> parseScanRange(const QString& text)
{
    const std::optional<ScanRange> range = parseRangeText(text.toStdString());
    if (!range || text.contains(u'/')) return range;
    if ((range->first & 0xFF) < 1 || (range->last & 0xFF) > 254) return std::nullopt;
    return range;
}

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QLatin1String(Description));
    // Not addHelpOption(): its --help-all would offer Qt's own options, which a scan never takes.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays the version."));
    const QCommandLineOption range(
        QStringLiteral("range"),
        QStringLiteral("Scans A.B.C.MIN to A.B.C.MAX (MIN and MAX from 1 to 254), or the block A.B.C.D/N "
                       "(N from 16 to 30, without its network and broadcast addresses), without a window. "
                       "May be given more than once; the addresses are pinged and reported in address order."),
        QStringLiteral("RANGE"));
    const QCommandLineOption preset(QStringLiteral("preset"),
                                    QStringLiteral("Time-out and time to live: fast (600 ms, the default: a /24 takes "
                                                   "under a second), slow (3000 ms), or lan (1 ms, time to live 1, "
                                                   "which misses routed and slower hosts)."),
                                    QStringLiteral("lan|fast|slow"), QStringLiteral("fast"));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("Sends a request every MS milliseconds (0.1 to 1000; "
                                                     "default 0.25); not with --one-at-a-time."),
                                      QStringLiteral("MS"));
    const QCommandLineOption oneAtATime(QStringLiteral("one-at-a-time"),
                                        QStringLiteral("Pings one address at a time, each once the one before has "
                                                       "its result, as the window's classic pace."));
    const QCommandLineOption allLines(QStringLiteral("all-lines"),
                                      QStringLiteral("Writes the line of every echo, not only of the replies."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Writes no result lines and no progress."));
    const QCommandLineOption repeat(QStringLiteral("repeat"),
                                    QStringLiteral("Repeats the test MINUTES (1 to 60) after each end, "
                                                   "until interrupted."),
                                    QStringLiteral("MINUTES"));
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("Writes the found computers, in address order, into FILE (- for "
                                                   "standard output) at the end of each test. Whether FILE can be "
                                                   "written is checked before the first echo."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("The report's format: text (as the window's Save List), csv or "
                                                   "json. Default: text. Text and CSV end their lines with CR LF, "
                                                   "JSON with LF."),
                                    QStringLiteral("text|csv|json"), QStringLiteral("text"));
    const QCommandLineOption noHistory(QStringLiteral("no-history"),
                                       QStringLiteral("Keeps the tests out of the history, whatever the window's "
                                                      "Options, Keep history says."));
    const QCommandLineOption history(QStringLiteral("history"),
                                     QStringLiteral("Scans nothing: reads the history and writes the computers it "
                                                    "holds of A.B.C.MIN-MAX (first and last seen, present by echo "
                                                    "or link, uptime) in --format to --report (default: standard "
                                                    "output). A MIN of 1 and a MAX of 254 take in .0 and .255, "
                                                    "where a test of a /16 finds computers. Says so when the "
                                                    "window's Options, Keep history is off."),
                                     QStringLiteral("A.B.C.MIN-MAX"));
    const QCommandLineOption name(QStringLiteral("name"),
                                  QStringLiteral("Scans nothing: gives the computer with the MAC address (or, for "
                                                 "one without a MAC, such as a computer behind a router, the IPv4 "
                                                 "address) a name of your own, kept in the history (--history-db) and "
                                                 "shown in place of its host name."),
                                  QStringLiteral("MAC=NAME"));
    const QCommandLineOption note(QStringLiteral("note"), QStringLiteral("A note kept with --name."), QStringLiteral("TEXT"));
    const QCommandLineOption forget(QStringLiteral("forget"), QStringLiteral("Scans nothing: forgets the name given to "
                                                                             "the MAC (or address)."),
                                    QStringLiteral("MAC"));
    const QCommandLineOption known(QStringLiteral("known"),
                                   QStringLiteral("Scans nothing: writes the known computers (mac, label, note, "
                                                  "first_seen, last_address, last_seen) in --format to --report "
                                                  "(default: standard output)."));
    const QCommandLineOption tcpPorts(QStringLiteral("tcp-ports"),
                                      QStringLiteral("Knocks on these TCP ports (1 to 16, from 1 to 65535, joined by "
                                                     "commas) of every address off the own link (on it too with "
                                                     "--open-ports), in flight with its echo: a computer "
                                                     "that ignores ping but accepts or refuses a connection is found "
                                                     "too (seen_by tcp). none turns the knock off. Default: 80,443."),
                                      QStringLiteral("LIST|none"),
                                      QString::fromLatin1(DefaultTcpPorts.data(), static_cast<qsizetype>(DefaultTcpPorts.size())));
    const QCommandLineOption openPorts(QStringLiteral("open-ports"),
                                       QStringLiteral("Also reports which of the --tcp-ports accept a connection, on "
                                                      "every present computer (open_ports in the CSV and JSON reports)."));
    for (const QCommandLineOption& option :
         {help, version, range, preset, interval, oneAtATime, allLines, quiet, repeat, report, format, noHistory,
          history, name, note, forget, known, tcpPorts, openPorts})
        parser.addOption(option);
    addHistoryPlaceOptions(parser);

    if (!parser.parse(arguments)) return usageError(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    if (parser.isSet(help))
        return {CommandLine::Action::Help, {},
                parser.helpText().replace(QStringLiteral("<executable_name>"), Program)};
    if (parser.isSet(version))
        return {CommandLine::Action::Version, {}, Program + QStringLiteral(" ") + QStringLiteral(SCANVET_VERSION)};

    if (parser.isSet(name) || parser.isSet(forget) || parser.isSet(known) || parser.isSet(note)) {
        QStringList others;
        for (const QCommandLineOption* option : {&range, &preset, &interval, &oneAtATime, &allLines, &quiet, &repeat, &noHistory, &history})
            if (parser.isSet(*option)) others << option->names().first();
        if (parser.values(name).size() > 1 || parser.values(forget).size() > 1)
            return usageError(QStringLiteral("--name and --forget take one computer at a time"));
        CommandLine command = knownCommandLine({parser.value(name), parser.value(note), parser.value(forget), parser.isSet(known)},
                                               parser.isSet(format) ? parser.value(format) : QString(), parser.value(report), others);
        // On a server too: --history-db and --scanner-name (whose names by address these are).
        if (const QString why = command.action == CommandLine::Action::Known ? readHistoryPlaceOptions(parser, false, &command.options)
                                                                             : QString();
            !why.isEmpty())
            return usageError(why);
        return command;
    }
    if (parser.isSet(history)) {
        if (parser.isSet(range)) return usageError(QStringLiteral("--history scans nothing: it takes no --range"));
        for (const QCommandLineOption* option :
             {&preset, &interval, &oneAtATime, &allLines, &quiet, &repeat, &noHistory, &tcpPorts, &openPorts})
            if (parser.isSet(*option))
                return usageError(QStringLiteral("--%1 does nothing with --history").arg(option->names().first()));
        const std::optional<ScanRange> parsed = parseRangeText(parser.value(history).toStdString());
        if (!parsed || !parsed->isInOneNetwork() || parser.value(history).contains(u'/'))
            return usageError(QStringLiteral("--history: '%1' is not A.B.C.MIN-MAX").arg(parser.value(history)));
        CommandLine command{CommandLine::Action::History, {}, {}};
        command.options.historyRange = parser.value(history);
        command.options.plan.ranges = {*parsed};
        const std::optional<int> kind = choice(parser.value(format), {{"text", 0}, {"csv", 1}, {"json", 2}});
        if (!kind) return usageError(QStringLiteral("--format: '%1' is not text, csv or json").arg(parser.value(format)));
        command.options.format = static_cast<ReportFormat>(*kind);
        command.options.reportFile = parser.isSet(report) ? parser.value(report) : QStringLiteral("-");
        if (command.options.reportFile.isEmpty()) return usageError(QStringLiteral("--report: '' is no file name"));
        if (const QString why = readHistoryPlaceOptions(parser, true, &command.options); !why.isEmpty()) return usageError(why);
        return command;
    }
    const QCommandLineOption* needingRange[] = {&preset, &interval, &oneAtATime, &allLines, &quiet,
                                                &repeat, &report,   &format,     &noHistory, &tcpPorts, &openPorts};
    if (!parser.isSet(range)) {
        for (const QCommandLineOption* option : needingRange)
            if (parser.isSet(*option))
                return usageError(QStringLiteral("--%1 needs --range").arg(option->names().first()));
        if (QString why; historyPlaceOptionsAlone(parser, &why)) return usageError(why);
        return {};
    }
    CommandLine command{CommandLine::Action::Scan, {}, {}};
    CommandLineOptions& options = command.options;
    for (const QCommandLineOption* option : {&preset, &interval, &repeat, &report, &format, &tcpPorts})
        if (parser.values(*option).size() > 1)
            return usageError(QStringLiteral("--%1 is given more than once").arg(option->names().first()));
    const auto bad = [](const char* option, const QString& value, const char* rule) {
        return usageError(QStringLiteral("--%1: '%2' %3").arg(QLatin1String(option), value, QLatin1String(rule)));
    };
    for (const QString& text : parser.values(range)) {
        const std::optional<ScanRange> parsed = parseScanRange(text);
        if (!parsed)
            return bad("range", text,
                       "is not A.B.C.MIN-MAX (octets 0 to 255, MIN up to MAX, 1 to 254) or A.B.C.D/N (N 16 to 30)");
        options.plan.ranges.push_back(*parsed);
        options.ranges << QString::fromStdString(scanRangeText(*parsed));
    }
    const std::optional<int> speed = choice(parser.value(preset), {{"lan", 0}, {"fast", 1}, {"slow", 2}});
    if (!speed) return bad("preset", parser.value(preset), "is not lan, fast or slow");
    options.plan.preset = *speed;
    if (parser.isSet(interval)) {
        static const QRegularExpression decimal(QStringLiteral("^[0-9]{1,4}(\\.[0-9]{1,3})?$"));
        const QString text = parser.value(interval);
        const double ms = text.toDouble();
        if (!decimal.match(text).hasMatch() || ms < 0.1 || ms > 1000)
            return bad("interval", text, "is not a number of milliseconds from 0.1 to 1000");
        options.plan.interval = std::chrono::microseconds(std::llround(ms * 1000));
    }
    options.plan.oneAtATime = parser.isSet(oneAtATime);
    if (options.plan.oneAtATime && parser.isSet(interval))
        return usageError(QStringLiteral("--interval does nothing with --one-at-a-time: each echo waits for the one before"));
    if (parser.isSet(repeat)) {
        const std::optional<int> minutes = numberIn(parser.value(repeat), 1, 60);
        if (!minutes) return bad("repeat", parser.value(repeat), "is not a whole number of minutes from 1 to 60");
        options.repeatMinutes = *minutes;
    }
    const std::optional<int> kind = choice(parser.value(format), {{"text", 0}, {"csv", 1}, {"json", 2}});
    if (!kind) return bad("format", parser.value(format), "is not text, csv or json");
    options.format = static_cast<ReportFormat>(*kind);
    if (parser.isSet(format) && !parser.isSet(report)) return usageError(QStringLiteral("--format needs --report"));
    if (parser.isSet(report)) {
        options.reportFile = parser.value(report);
        if (options.reportFile.isEmpty()) return bad("report", options.reportFile, "is no file name");
    }
    options.allLines = parser.isSet(allLines);
    options.quiet = parser.isSet(quiet);
    if (options.allLines && options.quiet)
        return usageError(QStringLiteral("--quiet and --all-lines ask for opposite things"));
    options.keepHistory = !parser.isSet(noHistory);
    if (const QString why = readHistoryPlaceOptions(parser, false, &options); !why.isEmpty()) return usageError(why);
    std::string why;
    const std::optional<std::vector<uint16_t>> ports = parseTcpPortList(parser.value(tcpPorts).toStdString(), why);
    if (!ports)
        return usageError(QStringLiteral("--tcp-ports: '%1' is not 1 to 16 ports from 1 to 65535, or none: %2")
                              .arg(parser.value(tcpPorts), QString::fromStdString(why)));
    options.plan.tcpPorts = *ports;
    options.plan.openPorts = parser.isSet(openPorts);
    if (options.plan.openPorts && ports->empty())
        return usageError(QStringLiteral("--open-ports needs TCP ports: not with --tcp-ports none"));
    return command;
}
