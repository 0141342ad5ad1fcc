// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A scan from the command line: no window and no settings file, the same
// controller, look-ups and reports as the window. The result lines go out as
// the result sheet would show them; each test's report is written once, when
// the test has settled. Where the report goes is checked before the first echo.
#pragma once

#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"
#include "scan/ScanController.h"

#include <QObject>

#include <memory>
#include <optional>

class CommandLineScan : public QObject {
    Q_OBJECT
public:
    // prober: see ScanController. historyFile: where each test is recorded,
    // kept historyDays days (0: not at all).
    CommandLineScan(CommandLineOptions options, std::unique_ptr<Pinger> pinger, ArpProber* prober,
                    const QString& historyFile, int historyDays, QObject* parent = nullptr);

    void start();
    // SIGINT or SIGTERM: the test stops, the report of what was found so far
    // (with the link's sightings) is written, unless it already was, and the
    // run ends with 128 + signal. After the end, while the history still
    // writes: the tests not recorded are named on standard error, and the run
    // ends with 128 + signal.
    void interrupt(int signal);

Q_SIGNALS:
    // The run is over, with the exit status (see --help).
    void done(int exitCode);

private:
    void onFinished();
    void onSettled(const TestOutcome& outcome);
    [[nodiscard]] bool writeReport(const TestOutcome& outcome);
    void end(int exitCode);
    void stopWaitingForHistory(int signal);
    void finishRun(int exitCode);

    CommandLineOptions m_options;
    ScanController m_scan;
    bool m_reportToStdout;
    ConsoleOutput m_output;
    int m_interruptedBy = 0;
    int m_testsStarted = 0;
    int m_reportsWritten = 0;
    bool m_ended = false;
    QString m_linkNotSeen;  // the last reason said
    bool m_historyFailed = false;
    bool m_outputFailureSaid = false;  // the report's failure on standard output has said it
    std::optional<int> m_exitAfterHistory;  // the run is over, the history still writes
};
