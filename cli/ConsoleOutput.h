// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What a scan from the command line writes to its standard streams: the
// result lines, a report on standard output, and, on a terminal, one line of
// progress on standard error that updates in place. Every write is checked:
// a failure is kept with its reason, and a reader that closes the result
// lines' pipe early (head) only ends them.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

class ConsoleOutput {
public:
    // linesFd: where the result lines go (1 or 2); progress: show it where
    // standard error is a terminal.
    ConsoleOutput(int linesFd, bool progress);

    void line(const QString& text);
    void progress(qint64 done, qint64 total);
    // Takes the progress line away, so that what follows starts clean.
    void clearProgress();
    // The bytes on standard output; false, with the reason kept, when they
    // cannot be written.
    [[nodiscard]] bool report(const QByteArray& bytes);

    // The first failure to write, empty when every write went through.
    QString failure() const { return m_failure; }

private:
    bool write(int fd, const QByteArray& bytes, bool lines);

    int m_linesFd;
    bool m_progress;
    bool m_linesClosed = false;  // their reader has gone
    bool m_progressShown = false;
    int m_shownPercent = -1;
    QElapsedTimer m_sinceProgress;
    QString m_failure;
};
