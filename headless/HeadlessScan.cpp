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
    : QObject(parent), options(std::move(scanOptions)), scan(std::move(pinger), this)
{
    scan.recorder().setShowOnlyCorrectReplies(!options.allLines);
    if (!options.quiet)
        connect(&scan.recorder(), &EchoRecorder::resultLineAdded, this,
                [](const QString& line) { writeOut((line + QLatin1Char('\n')).toUtf8()); });
    connect(&scan, &ScanController::finished, this, &HeadlessScan::onTestFinished);
    connect(&scan, &ScanController::repeatDue, this, &HeadlessScan::start);
    connect(&scan, &ScanController::namesSettled, this, [this] {
        if (testEnded) writeReportAndEnd();
    });
}

void HeadlessScan::start()
{
    if (interruptedBy != 0) return;
    testEnded = false;
    scan.setParameters(options.octets, options.rangeMin, options.rangeMax, options.repeatMinutes);
    scan.applySpeedPreset(options.preset);
    scan.start();
}

void HeadlessScan::interrupt(int signal)
{
    if (interruptedBy != 0) return;
    interruptedBy = signal;
    if (scan.isRunning())
        scan.requestStop();  // the report follows the end of the test
    else
        writeReportAndEnd();
}

void HeadlessScan::onTestFinished()
{
    testEnded = true;
    // A stopped test writes what it has: names still on their way stay out.
    if (interruptedBy != 0 || scan.namesPending() == 0) writeReportAndEnd();
}

void HeadlessScan::writeReportAndEnd()
{
    testEnded = false;
    const bool written = writeReport();
    if (interruptedBy != 0) {
        scan.halt();
        Q_EMIT done(128 + interruptedBy);
    } else if (!written) {
        Q_EMIT done(4);
    } else if (options.repeatMinutes == 0) {
        Q_EMIT done(anyAnswered() ? 0 : 1);
    }
}

bool HeadlessScan::writeReport()
{
    if (options.reportFile.isEmpty()) return true;
    const std::vector<ReportEntry> entries = scan.foundComputers().reportEntries();
    QByteArray bytes;
    switch (options.format) {
    case ReportFormat::Text: {
        const auto number = [](int value) { return QString::number(value); };
        const ReportParameters parameters{number(options.octets[0]), number(options.octets[1]),
                                          number(options.octets[2]), number(options.rangeMin),
                                          number(options.rangeMax)};
        bytes = textFileBytes(foundComputersReport(parameters, reportTimeOfDay(), entries));
        break;
    }
    case ReportFormat::Csv: bytes = csvReport(entries); break;
    case ReportFormat::Json: bytes = jsonReport(options.range, QDateTime::currentDateTime(), entries); break;
    }
    if (options.reportFile == QLatin1String("-")) {
        writeOut(bytes);
        return true;
    }
    if (writeTextFile(options.reportFile, bytes)) return true;
    std::fprintf(stderr, "scanvet: cannot write the report to %s\n", qPrintable(options.reportFile));
    return false;
}

bool HeadlessScan::anyAnswered() const
{
    const FoundComputers& found = scan.foundComputers();
    for (int row = 0; row < found.count(); ++row)
        if (found.answered(row)) return true;
    return false;
}
