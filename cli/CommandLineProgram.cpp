// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/CommandLineProgram.h"

#include "cli/CommandLine.h"
#include "cli/CommandLineScan.h"
#include "cli/HistoryCommand.h"
#include "cli/KnownCommand.h"
#include "cli/Log.h"
#include "base/CompanionProgram.h"
#include "files/Settings.h"
#include "net/HelperProcess.h"
#include "startup/Privileges.h"
#include "startup/ProgramSockets.h"
#include "startup/TerminationSignals.h"

#include <QCoreApplication>
#include <QDir>

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

QStringList argumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

bool displayAvailable()
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

// The window is a program of its own, so that a scan without one loads no
// GUI library. It takes this process over: the same PID, terminal and signals.
int becomeWindow(char** argv)
{
    const std::string program = companionProgram("scanvet-window");
    execv(program.c_str(), argv);
    const int error = errno;
    qCWarning(lcCli, "cannot start the window's program %s: %s", program.c_str(), std::strerror(error));
    std::fprintf(stderr, "scanvet: cannot start the window's program %s: %s\n", program.c_str(), std::strerror(error));
    return 1;
}

int runScan(int& argc, char** argv, const CommandLineOptions& options, ProgramSockets& sockets)
{
    QCoreApplication app(argc, argv);
    if (!sockets.prober && !options.quiet)
        std::fprintf(stderr, "scanvet: the neighbour table tells who is on the link: %s\n", sockets.proberWhy.c_str());
    if (!sockets.pinger) {
        std::fprintf(stderr, "scanvet: no echo socket opens (%s)\n", sockets.socketError->reason().c_str());
        std::fprintf(stderr, "scanvet: allow it with sysctl net.ipv4.ping_group_range=\"0 2147483647\", "
                             "or with setcap cap_net_raw+ep on %s\n", HelperProcess::program().c_str());
        return 3;
    }
    TerminationSignals termination;
    const Settings settings(QDir::currentPath());
    CommandLineScan scan(options, std::move(sockets.pinger), sockets.prober.get(), Settings::historyFile(),
                         settings.historyDays());
    // Queued: an end before exec() starts (a test that cannot start) would be lost.
    QObject::connect(&scan, &CommandLineScan::done, &app, [](int code) { QCoreApplication::exit(code); },
                     Qt::QueuedConnection);
    QObject::connect(&termination, &TerminationSignals::received, &scan, &CommandLineScan::interrupt);
    scan.start();
    return QCoreApplication::exec();
}

} // namespace

int runCommandLine(int& argc, char** argv)
{
    // Before any thread starts: every thread inherits the blocked signals.
    TerminationSignals::block();
    const CommandLine command = parseCommandLine(argumentsOf(argc, argv));
    switch (command.action) {
    case CommandLine::Action::Help:
    case CommandLine::Action::Version:
        // A full disk or a closed pipe is not a success.
        if (std::printf("%s\n", qPrintable(command.text)) < 0 || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "scanvet: cannot write to standard output: %s\n", std::strerror(errno));
            return 4;
        }
        return 0;
    case CommandLine::Action::UsageError:
        std::fprintf(stderr, "%s\n", qPrintable(command.text));
        return 2;
    case CommandLine::Action::Window:
        if (displayAvailable()) return becomeWindow(argv);
        std::fprintf(stderr, "scanvet: the window needs a display; --range scans without one (see --help)\n");
        return 1;
    case CommandLine::Action::Scan:
    case CommandLine::Action::History:
    case CommandLine::Action::Known:
        break;
    }
    // A reader that closes a pipe early is told apart from a failure by
    // EPIPE, which only an ignored SIGPIPE lets through.
    if (command.action == CommandLine::Action::Scan) std::signal(SIGPIPE, SIG_IGN);

    // Every privilege goes first, while the process still has one thread: no
    // thread ever holds one, nor a socket opened with one. What needs
    // CAP_NET_RAW goes through the privileged helper.
    std::string why;
    if (!dropPrivileges(why)) {
        std::fprintf(stderr, "Cannot give up the privileges the program was started with: %s\n", why.c_str());
        return 1;
    }
    if (command.action == CommandLine::Action::Known) {
        QCoreApplication app(argc, argv);
        return runKnownCommand(command.options, Settings::historyFile());
    }
    if (command.action == CommandLine::Action::History) {
        QCoreApplication app(argc, argv);
        return writeHistoryReport(command.options, Settings::historyFile());
    }
    ProgramSockets sockets = ProgramSockets::open();
    const int code = runScan(argc, argv, command.options, sockets);
    // The scan and its threads are gone, its report and history written: the
    // exit waits for no helper.
    if (sockets.prober) sockets.prober->leaveHelperToEnd();
    return code;
}
