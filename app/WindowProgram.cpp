// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/WindowProgram.h"

#include "base/KeptTexts.h"
#include "startup/Privileges.h"
#include "startup/ProgramSockets.h"
#include "startup/TerminationSignals.h"
#include "window/Dialogs.h"
#include "window/MainWindow.h"
#include "window/Pictures.h"

#include <QApplication>

#include <cstdio>

int runWindowProgram(int& argc, char** argv, const std::function<void(const QString&)>& showApplicationError)
{
    // Before any thread starts: every thread inherits the blocked signals.
    TerminationSignals::block();
    // Every privilege goes first, while the process still has one thread: no
    // thread ever holds one, nor a socket opened with one. What needs
    // CAP_NET_RAW goes through the privileged helper.
    std::string why;
    if (!dropPrivileges(why)) {
        std::fprintf(stderr, "Cannot give up the privileges the program was started with: %s\n", why.c_str());
        return 1;
    }
    ProgramSockets sockets = ProgramSockets::open();

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
