// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/ConsoleOutput.h"

#include "cli/Log.h"
#include "files/TextFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr qint64 ProgressPeriodMs = 100;  // redraws a person can follow

} // namespace

ConsoleOutput::ConsoleOutput(int linesFd, bool progress)
    : m_linesFd(linesFd), m_progress(progress && ::isatty(STDERR_FILENO) == 1)
{
}

bool ConsoleOutput::write(int fd, const QByteArray& bytes, bool lines)
{
    const int error = writeAll(fd, bytes);
    if (error == 0) return true;
    if (lines && error == EPIPE) {
        // head(1) has read what it wanted: the scan and its report go on.
        qCInfo(lcCli) << "the reader of the result lines has gone; no more lines";
        m_linesClosed = true;
        return false;
    }
    if (lines) m_linesClosed = true;
    if (m_failure.isEmpty()) {
        m_failure = QStringLiteral("cannot write to standard %1: %2")
                        .arg(QLatin1String(fd == STDOUT_FILENO ? "output" : "error"),
                             QString::fromLocal8Bit(std::strerror(error)));
        qCWarning(lcCli) << m_failure;
    }
    return false;
}

void ConsoleOutput::line(const QString& text)
{
    if (m_linesClosed) return;
    if (m_linesFd == STDERR_FILENO) clearProgress();
    (void)write(m_linesFd, (text + QLatin1Char('\n')).toUtf8(), true);
}

void ConsoleOutput::progress(qint64 done, qint64 total)
{
    if (!m_progress || total <= 0) return;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == m_shownPercent || (m_sinceProgress.isValid() && m_sinceProgress.elapsed() < ProgressPeriodMs))
        return;
    m_shownPercent = percent;
    m_sinceProgress.start();
    m_progressShown = true;
    (void)write(STDERR_FILENO, QStringLiteral("\r%1 of %2 addresses (%3 %)\033[K").arg(done).arg(total).arg(percent).toUtf8(),
                false);
}

void ConsoleOutput::clearProgress()
{
    if (!m_progressShown) return;
    m_progressShown = false;
    m_shownPercent = -1;
    m_sinceProgress.invalidate();
    (void)write(STDERR_FILENO, QByteArrayLiteral("\r\033[K"), false);
}

bool ConsoleOutput::report(const QByteArray& bytes)
{
    return write(STDOUT_FILENO, bytes, false);
}
