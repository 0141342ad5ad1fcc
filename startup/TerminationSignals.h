// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A session that ends, a kill or Ctrl+C in a terminal closes the window as
// File, Exit does, so the settings are written and the exit status is 0.
// SIGTERM, SIGINT and SIGHUP are taken off the process and read by the event
// loop from a signalfd: no Qt call ever runs inside a signal handler.
#pragma once

#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Before any thread starts: every thread inherits the blocked signals.
    static void block();

    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signal);

private:
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
