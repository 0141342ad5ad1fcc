// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The program through its real entry, driven by lines on standard input: "click NAME" (a button by its object name
// or a word of its caption, a menu command by its text), "set NAME TEXT" (a field's text, as typed) and "close"
// (the title bar). It says "ready", "request" per echo, "status TEXT", "finished", "box TEXT" when a message box
// shows, "> LINE" when done; an application error goes to stderr, its box waits for no OK.
#include "scan/ScanController.h"
#include "window/MainWindow.h"
#include "app/WindowProgram.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
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
        // The start-up's box may be open already: this runs in its event loop.
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) say("box " + box->text());
        qApp->installEventFilter(this);
        ScanController& scan = window->scanController();
        // A close is tried in every state, stopping too, which lasts as long as an echo only one at a time.
        if (auto* classic = window->findChild<QAction*>(QStringLiteral("oneAtATimeAction")); !classic->isChecked())
            classic->trigger();
        scan.pinger().onRequest = [] { say(QStringLiteral("request")); };
        connect(&scan, &ScanController::finished, this, [] { say(QStringLiteral("finished")); });
        connect(&scan.recorder(), &EchoRecorder::statusChanged, this, [](const QString& text) { say("status " + text); });
        // Unbuffered: a line read ahead would wait for the next notification.
        input.open(fileno(stdin), QIODevice::ReadOnly | QIODevice::Unbuffered);
        auto* notifier = new QSocketNotifier(input.handle(), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
            const QString line = QString::fromUtf8(input.readLine().trimmed()), name = line.section(u' ', 1);
            if (line.isEmpty()) return notifier->setEnabled(false);  // the end of the input
            if (line.startsWith(u"set ")) {
                // Said first: a check that refuses the text holds its box open until OK.
                say("> " + line);
                auto* field = window->findChild<QLineEdit*>(name.section(u' ', 0, 0));
                const QString text = name.section(u' ', 1);
                return QTimer::singleShot(0, field, [field, text] { field->setText(text); });
            }
            const bool click = line.startsWith(u"click ") && !name.isEmpty();
            for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
                if (click && (button->objectName() == name || button->text().split(u' ').contains(name))) button->click();
            for (QAction* action : window->findChildren<QAction*>())
                if (click && action->text() == name) action->trigger();
            if (line == u"close") window->close();
            say("> " + line);
        });
        say(QStringLiteral("ready"));
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (auto* box = qobject_cast<QMessageBox*>(watched); box != nullptr && event->type() == QEvent::Show)
            say("box " + box->text());
        return false;
    }

    MainWindow* window = nullptr;
    QFile input;
};

static void startDriver() { QMetaObject::invokeMethod(new Driver(qApp), &Driver::attach, Qt::QueuedConnection); }
Q_COREAPP_STARTUP_FUNCTION(startDriver)

int main(int argc, char** argv) { return runWindowProgram(argc, argv, [](const QString&) {}); }
