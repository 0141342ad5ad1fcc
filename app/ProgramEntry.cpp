// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/ProgramEntry.h"

#include "app/Privileges.h"
#include "app/Log.h"
#include "app/TerminationSignals.h"
#include "base/KeptTexts.h"
#include "cli/CommandLine.h"
#include "cli/CommandLineScan.h"
#include "cli/HistoryCommand.h"
#include "cli/KnownCommand.h"
#include "files/Settings.h"
#include "net/ArpProber.h"
#include "net/HelperProcess.h"
#include "net/Pinger.h"
#include "window/Dialogs.h"
#include "window/MainWindow.h"
#include "window/Pictures.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

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

// The text the box of a program that cannot ping has always shown: the error's
// class, the program file, a code address, then the message with a full stop.
QString noPingSocketText(const PingSocketError& error)
{
    const auto code = reinterpret_cast<quintptr>(&noPingSocketText);
    const QString message = QString::fromLocal8Bit(error.what());
    return QString::fromLatin1(KeptTexts::ApplicationError)
               .arg(QLatin1String(KeptTexts::PingSocketClass),
                    QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
                    QStringLiteral("%1").arg(code, int(sizeof(void*) * 2), 16, QLatin1Char('0')).toUpper()) +
           QLatin1Char('\n') + message + (message.endsWith(QLatin1Char('.')) ? QString() : QStringLiteral("."));
}

// The echo socket (the raw kind through the helper) and the ARP prober (through the helper).
struct Sockets {
    std::unique_ptr<Pinger> pinger;
    std::optional<PingSocketError> socketError;
    std::unique_ptr<ArpProber> prober;
};

int runScan(int& argc, char** argv, const CommandLineOptions& options, Sockets sockets)
{
    QCoreApplication app(argc, argv);
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

int runWindow(int& argc, char** argv, Sockets sockets, const std::function<void(const QString&)>& showApplicationError)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    // Lets desktops match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.scanvet.ScanvetAddress"));
    QApplication::setWindowIcon(Pictures::programIcon());
    if (!sockets.pinger) {
        const QString text = noPingSocketText(*sockets.socketError);
        std::fprintf(stderr, "%s: %s (%s)\n", KeptTexts::ApplicationErrorTitle, qPrintable(text),
                     sockets.socketError->reason().c_str());
        showApplicationError(text);
        return 1;
    }
    TerminationSignals termination;
    QtDialogs dialogs;
    MainWindow window(dialogs, std::move(sockets.pinger), sockets.prober.get());
    // Before the settings are read: a signal while their error box is open must not be lost.
    QObject::connect(&termination, &TerminationSignals::received, &window, &MainWindow::terminate);
    window.readSettings();
    if (window.terminated()) return 0;
    window.show();
    return QApplication::exec();
}

} // namespace

int runProgram(int& argc, char** argv, const std::function<void(const QString&)>& showApplicationError)
{
    // Before any thread starts: every thread inherits the blocked signals.
    TerminationSignals::block();
    const CommandLine command = parseCommandLine(argumentsOf(argc, argv));
    // A reader that closes a pipe early is told apart from a failure by
    // EPIPE, which only an ignored SIGPIPE lets through.
    if (command.action == CommandLine::Action::Scan) std::signal(SIGPIPE, SIG_IGN);
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
        if (displayAvailable()) break;
        std::fprintf(stderr, "scanvet: the window needs a display; --range scans without one (see --help)\n");
        return 1;
    case CommandLine::Action::Scan:
    case CommandLine::Action::History:
    case CommandLine::Action::Known:
        break;
    }

    // Every privilege goes first, while the process still has one thread: no
    // thread ever holds one, nor a socket opened with one. What needs
    // CAP_NET_RAW goes through the privileged helper.
    std::string why;
    if (!dropPrivileges(why)) {
        std::fprintf(stderr, "Cannot give up the privileges the program was started with: %s\n", why.c_str());
        return 1;
    }
    Sockets sockets;
    if (command.action == CommandLine::Action::Known) {
        QCoreApplication app(argc, argv);
        return runKnownCommand(command.options, Settings::historyFile());
    }
    if (command.action != CommandLine::Action::History) {
        try {
            sockets.pinger = std::make_unique<Pinger>();
        } catch (const PingSocketError& e) {
            sockets.socketError = e;
        }
        std::string arpWhy;
        sockets.prober = ArpProber::open(arpWhy);
        if (!sockets.prober) {
            qCInfo(lcApp) << "the neighbour table tells who is on the link:" << arpWhy.c_str();
            if (command.action == CommandLine::Action::Scan && !command.options.quiet)
                std::fprintf(stderr, "scanvet: the neighbour table tells who is on the link: %s\n", arpWhy.c_str());
        }
    }
    if (command.action == CommandLine::Action::History) {
        QCoreApplication app(argc, argv);
        return writeHistoryReport(command.options, Settings::historyFile());
    }
    if (command.action == CommandLine::Action::Scan) return runScan(argc, argv, command.options, std::move(sockets));
    return runWindow(argc, argv, std::move(sockets), showApplicationError);
}
