// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/CommandLineScan.h"

#include "cli/HistoryPlace.h"

#include "cli/Log.h"
#include "files/Report.h"
#include "files/TextFile.h"

#include <QFile>
#include <QJsonDocument>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

// The text report names the first range as the window's fields would.
ReportHeader headerOf(const ScanRange& range)
{
    const auto octet = [&](int shift) { return QString::number(range.first >> shift & 0xFF); };
    return {octet(24), octet(16), octet(8), octet(0), QString::number(range.isInOneNetwork() ? range.last & 0xFF : 254)};
}

void complain(const QString& line)
{
    std::fprintf(stderr, "scanvet: %s\n", qPrintable(line));
}

} // namespace

CommandLineScan::CommandLineScan(CommandLineOptions options, std::unique_ptr<Pinger> pinger, ArpProber* prober,
                                 const QString& historyFile, int historyDays, QObject* parent)
    : QObject(parent),
      m_options(std::move(options)),
      m_scan(std::move(pinger), prober, this),
      m_reportToStdout(!m_options.reportFile.isEmpty() && isStandardOutput(m_options.reportFile)),
      m_output(m_reportToStdout ? STDERR_FILENO : STDOUT_FILENO, !m_options.quiet)
{
    m_scan.recorder().setShowOnlyCorrectReplies(!m_options.allLines);
    m_scan.setRepeatMinutes(m_options.repeatMinutes);
    if (!m_options.quiet)
        connect(&m_scan.recorder(), &EchoRecorder::resultLineAdded, this,
                [this](const QString& line) { m_output.line(line); });
    connect(&m_scan, &ScanController::progressed, this,
            [this](qint64 done, qint64 total) { m_output.progress(done, total); });
    connect(&m_scan, &ScanController::finished, this, &CommandLineScan::onFinished);
    connect(&m_scan, &ScanController::testSettled, this, &CommandLineScan::onSettled);
    if (m_options.keepHistory) {
        const HistoryPlace place = historyPlace(m_options, historyFile);
        m_scan.setHistory(place.location, historyDays, place.server);
    }
    connect(&m_scan, &ScanController::linkNotSeen, this, [this](const QString& why) {
        // Once a run for each reason: a repeat that cannot see its link says so once.
        if (std::exchange(m_linkNotSeen, why) != why) complain(QStringLiteral("the link is not seen, so nobody counts as gone: ") + why);
    });
    connect(&m_scan, &ScanController::historyFailed, this, [this](const QString& message) {
        // The scan goes on: one line says why the history cannot keep it.
        if (!std::exchange(m_historyFailed, true)) complain(QStringLiteral("the history is not kept: ") + message);
    });
    connect(&m_scan, &ScanController::historyServerChanged, this,
            [](const QString& message, bool) { complain(message); });
    // A fault on the link, said once while it lasts, whatever else the run is quiet about.
    connect(&m_scan, &ScanController::addressConflicts, this, [](const QStringList& conflicts) {
        for (const QString& conflict : conflicts) complain(conflict);
    });
    connect(&m_scan, &ScanController::repeatDue, this, &CommandLineScan::start);
}

void CommandLineScan::start()
{
    if (m_interruptedBy != 0 || m_ended) return;
    QString why;
    // Found only at the end, a report that cannot be written would lose a
    // whole test (a /16, hours of repeats).
    if (m_testsStarted == 0 && !m_options.reportFile.isEmpty() && m_options.reportFile != QLatin1String("-") &&
        !canWriteTextFile(m_options.reportFile, &why)) {
        complain(QStringLiteral("cannot write the report to %1: %2").arg(m_options.reportFile, why));
        return end(4);
    }
    // Tests repeated for hours are told apart by the line that starts each.
    if (m_options.repeatMinutes > 0 && !m_options.quiet)
        m_output.line(QStringLiteral("Test of %1 at %2")
                          .arg(m_options.ranges.join(QStringLiteral(", ")), isoWithOffset(QDateTime::currentDateTime())));
    if (!m_scan.start(m_options.plan, &why)) {
        complain(QStringLiteral("cannot start the test: ") + why);
        return end(5);
    }
    ++m_testsStarted;
}

void CommandLineScan::interrupt(int signal)
{
    if (m_exitAfterHistory) return stopWaitingForHistory(signal);
    if (m_interruptedBy != 0 || m_ended) return;
    m_interruptedBy = signal;
    // The test settles without the names still on their way, once the link's
    // sightings (MACs, makers, computers silent to the echo) are in: its
    // report, then the end.
    if (m_scan.isRunning())
        m_scan.requestStop();
    else if (m_scan.settling())
        m_scan.settleNow();
    else
        end(128 + signal);  // the last test's report is written already
}

void CommandLineScan::onFinished()
{
    m_output.clearProgress();
    // Names and the link only change what nobody asked for: the exit status
    // is known once a computer has answered.
    const bool waitingForNothing = m_options.reportFile.isEmpty() && m_scan.history() == nullptr &&
                                   m_options.repeatMinutes == 0 && m_interruptedBy == 0;
    const FoundComputers& found = m_scan.foundComputers();
    for (int row = 0; waitingForNothing && row < found.count(); ++row)
        if (found.answered(row)) return end(0);
}

void CommandLineScan::onSettled(const TestOutcome& outcome)
{
    const bool written = writeReport(outcome);
    if (m_interruptedBy != 0) return end(128 + m_interruptedBy);
    if (!written || !m_output.failure().isEmpty()) return end(4);
    if (m_options.repeatMinutes == 0) end(outcome.present().empty() ? 1 : 0);
}

bool CommandLineScan::writeReport(const TestOutcome& outcome)
{
    if (m_options.reportFile.isEmpty()) return true;
    FoundReport report{headerOf(outcome.plan.ranges.front()), m_options.ranges, QDateTime::currentDateTime(),
                       m_scan.foundComputers().reportEntries()};
    QByteArray bytes = reportBytes(m_options.format, report);
    const bool first = m_reportsWritten++ == 0;
    if (m_reportToStdout) {
        // Repeated reports on one stream: one JSON document a line, one CSV header.
        if (m_options.repeatMinutes > 0 && m_options.format == ReportFormat::Json)
            bytes = QJsonDocument::fromJson(bytes).toJson(QJsonDocument::Compact) + '\n';
        if (!first && m_options.format == ReportFormat::Csv) bytes = bytes.mid(bytes.indexOf('\n') + 1);
        if (m_options.reportFile == QLatin1String("-")) {
            if (m_output.report(bytes)) return true;
            complain(QStringLiteral("cannot write the report: ") + m_output.failure());
            m_outputFailureSaid = true;
            return false;
        }
    }
    QString why;
    if (writeTextFile(m_options.reportFile, bytes, &why)) return true;
    complain(QStringLiteral("cannot write the report to %1: %2").arg(m_options.reportFile, why));
    return false;
}

void CommandLineScan::end(int exitCode)
{
    if (std::exchange(m_ended, true)) return;
    m_output.clearProgress();
    if (!m_output.failure().isEmpty()) {
        if (!m_outputFailureSaid) complain(m_output.failure());
        exitCode = exitCode >= 128 ? exitCode : 4;
    }
    m_scan.halt();
    // The history says now whether it kept the tests, not after the end. Its
    // wait for a file that another program holds is bounded; a signal ends it.
    HistoryService* history = m_scan.history();
    if (history != nullptr && history->busy()) {
        m_exitAfterHistory = exitCode;
        // After one failed write, the tests still waiting are named, not waited for in turn.
        history->finishSoon();
        connect(history, &HistoryService::unrecorded, this, [this](const QString& test) {
            complain(QStringLiteral("the history is not kept: the test of %1 is not recorded").arg(test));
        });
        // Once: a task asked while ending drains the history again.
        connect(history, &HistoryService::drained, this, [this] {
            if (m_exitAfterHistory) finishRun(*m_exitAfterHistory);
        });
        return;
    }
    finishRun(exitCode);
}

void CommandLineScan::stopWaitingForHistory(int signal)
{
    for (const QString& test : m_scan.history()->abandon())
        complain(QStringLiteral("the history is not kept: the test of %1 is not recorded").arg(test));
    finishRun(128 + signal);
}

void CommandLineScan::finishRun(int exitCode)
{
    m_exitAfterHistory.reset();
    qCInfo(lcCli) << "the run ends with" << exitCode;
    Q_EMIT done(exitCode);
}
