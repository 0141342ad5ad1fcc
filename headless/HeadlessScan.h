// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A scan from the command line: no window and no settings file, the same
// controller, look-ups and reports as the window. The result lines go to
// standard output as the result sheet would show them; the report is
// written at the end of each test, once the names are in.
#pragma once

#include "headless/ScanOptions.h"
#include "scan/ScanController.h"

#include <QObject>

#include <cstdio>
#include <memory>

class HeadlessScan : public QObject {
    Q_OBJECT
public:
    HeadlessScan(ScanOptions options, std::unique_ptr<Pinger> pinger, QObject* parent = nullptr);

    void start();
    // SIGINT or SIGTERM: the test ends after the echo it is on, the report
    // of what was found so far is written, and the run ends with 128 + signal.
    void interrupt(int signal);

Q_SIGNALS:
    // 0: a computer answered in the last test; 1: none did; 128 + signal
    // when interrupted; 4: the report could not be written.
    void done(int exitCode);

private:
    void onTestFinished();
    void writeReportAndEnd();
    bool writeReport();
    bool anyAnswered() const;

    ScanOptions m_options;
    ScanController m_scan;
    int m_interruptedBy = 0;
    bool m_testEnded = false;
};
