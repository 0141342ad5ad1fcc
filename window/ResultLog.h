// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The result log on the Result Sheet: plain text that keeps its lines
// exactly as they were added (an empty line counts), for the screen, the
// screen reader and saving.
// It keeps the newest MaxLines lines; the oldest go first, so that a test
// repeated for days keeps a fixed cost.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>

class FramePacer;

class ResultLog : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int MaxLines = 100000;

    explicit ResultLog(QWidget* parent);
    void addLine(const QString& line);
    void clearLines();
    // The lines the sheet holds, the ones still waiting for their frame included.
    QStringList lines();
    // The lines not yet in the text go in now.
    void flush();
    // Earlier lines have been removed since the sheet was last cleared.
    bool linesDropped() const { return m_dropped; }

Q_SIGNALS:
    void linesDroppedChanged(bool dropped);

private:
    QStringList m_waiting;  // added, not yet in the text
    qint64 m_linesAdded = 0;
    bool m_dropped = false;
    // A scan adds lines in bursts: they go into the text once per frame.
    FramePacer* m_pacer;
};
