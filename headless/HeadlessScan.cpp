// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "headless/HeadlessScan.h"

#include "files/Report.h"
#include "files/TextFile.h"

#include <QDateTime>

namespace {

void writeOut(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

HeadlessScan::HeadlessScan(ScanOptions scanOptions, std::unique_ptr<Pinger> pinger, QObject* parent)
    : QObject(parent), m_options(std::move(scanOptions)), m_scan(std::move(pinger), this)
{
    m_scan.recorder().setShowOnlyCorrectReplies(!m_options.allLines);
    if (!m_options.quiet)
        connect(&m_scan.recorder(), &EchoRecorder::resultLineAdded, this,
                [](const QString& line) { writeOut((line + QLatin1Char('\n')).toUtf8()); });
    connect(&m_scan, &ScanController::finished, this, &HeadlessScan::onTestFinished);
    connect(&m_scan, &ScanController::repeatDue, this, &HeadlessScan::start);
    connect(&m_scan, &ScanController::namesSettled, this, [this] {
        if (m_testEnded) writeReportAndEnd();
    });
}

void HeadlessScan::start()
{
    if (m_interruptedBy != 0) return;
    m_testEnded = false;
    m_scan.setParameters(m_options.octets, m_options.rangeMin, m_options.rangeMax, m_options.repeatMinutes);
    m_scan.applySpeedPreset(m_options.preset);
    m_scan.start();
}

void HeadlessScan::interrupt(int signal)
{
    if (m_interruptedBy != 0) return;
    m_interruptedBy = signal;
    if (m_scan.isRunning())
        m_scan.requestStop();  // the report follows the end of the test
    else
        writeReportAndEnd();
}

void HeadlessScan::onTestFinished()
{
    m_testEnded = true;
    // A stopped test writes what it has: names still on their way stay out.
    if (m_interruptedBy != 0 || m_scan.namesPending() == 0) writeReportAndEnd();
}

void HeadlessScan::writeReportAndEnd()
{
    m_testEnded = false;
    const bool written = writeReport();
    if (m_interruptedBy != 0) {
        m_scan.halt();
        Q_EMIT done(128 + m_interruptedBy);
    } else if (!written) {
        Q_EMIT done(4);
    } else if (m_options.repeatMinutes == 0) {
        Q_EMIT done(anyAnswered() ? 0 : 1);
    }
}

bool HeadlessScan::writeReport()
{
    if (m_options.reportFile.isEmpty()) return true;
    const std::vector<ReportEntry> entries = m_scan.foundComputers().reportEntries();
    QByteArray bytes;
    switch (m_options.format) {
    case ReportFormat::Text: {
        const auto number = [](int value) { return QString::number(value); };
        const ReportParameters parameters{number(m_options.octets[0]), number(m_options.octets[1]),
                                          number(m_options.octets[2]), number(m_options.rangeMin),
                                          number(m_options.rangeMax)};
        bytes = textFileBytes(foundComputersReport(parameters, reportTimeOfDay(), entries));
        break;
    }
    case ReportFormat::Csv: bytes = csvReport(entries); break;
    case ReportFormat::Json: bytes = jsonReport(m_options.range, QDateTime::currentDateTime(), entries); break;
    }
    if (m_options.reportFile == QLatin1String("-")) {
        writeOut(bytes);
        return true;
    }
    if (writeTextFile(m_options.reportFile, bytes)) return true;
    std::fprintf(stderr, "scanvet: cannot write the report to %s\n", qPrintable(m_options.reportFile));
    return false;
}

bool HeadlessScan::anyAnswered() const
{
    const FoundComputers& found = m_scan.foundComputers();
    for (int row = 0; row < found.count(); ++row)
        if (found.answered(row)) return true;
    return false;
}
