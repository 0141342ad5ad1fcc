// The program through its real entry, acted on as a user would by lines on standard input: "set FIELD TEXT",
// "click BUTTON" (or speed0..2), "run", "exit" (File, Exit), "close" (title bar). It says "ready", "request"
// per echo request, "status TEXT", "finished" and "> LINE" when done. The application-error box does not wait
// for an OK; the program writes its text to stderr as well.
#include "scan/ScanController.h"
#include "window/MainWindow.h"
#include "window/ProgramEntry.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSocketNotifier>

#include <iostream>
#include <syncstream>

struct Driver : QObject {
    using QObject::QObject;

    // From the scan thread too: each line whole, and flushed.
    static void say(const QString& line) { std::osyncstream(std::cout) << qPrintable(line) << std::endl; }

    // In the event loop: the window stands and the privileges are given up.
    void attach()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* main = qobject_cast<MainWindow*>(widget)) window = main;
        ScanController& scan = window->scanController();
        scan.pinger().onRequest = [] { say(QStringLiteral("request")); };
        connect(&scan, &ScanController::finished, this, [] { say(QStringLiteral("finished")); });
        connect(&scan.recorder(), &EchoRecorder::statusChanged, this, [](const QString& text) { say("status " + text); });
        // Unbuffered: a line read ahead would wait for the next notification.
        input.open(fileno(stdin), QIODevice::ReadOnly | QIODevice::Unbuffered);
        auto* notifier = new QSocketNotifier(input.handle(), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
            const QString line = QString::fromUtf8(input.readLine().trimmed());
            if (line.isEmpty()) return notifier->setEnabled(false);  // the end of the input
            run(line.section(u' ', 0, 0), line.section(u' ', 1, 1), line.section(u' ', 2));
            say("> " + line);
        });
        say(QStringLiteral("ready"));
    }

    void run(const QString& verb, const QString& name, const QString& text)
    {
        const auto speeds = window->findChild<QWidget*>(QStringLiteral("speedBox"))->findChildren<QAbstractButton*>();
        if (verb == u"set") window->findChild<QLineEdit*>(name)->setText(text);
        if (verb == u"click" && name.startsWith(u"speed")) speeds.at(name.back().digitValue())->click();
        else if (verb == u"click" || verb == u"run")
            window->findChild<QAbstractButton*>(verb == u"run" ? QStringLiteral("runStopButton") : name)->click();
        for (QAction* action : window->findChildren<QAction*>())
            if (verb == u"exit" && action->text() == u"&Exit") action->trigger();
        if (verb == u"close") window->close();
    }

    MainWindow* window = nullptr;
    QFile input;
};

static void startDriver() { QMetaObject::invokeMethod(new Driver(qApp), &Driver::attach, Qt::QueuedConnection); }
Q_COREAPP_STARTUP_FUNCTION(startDriver)

int main(int argc, char** argv) { return runProgram(argc, argv, [](const QString&) {}); }
