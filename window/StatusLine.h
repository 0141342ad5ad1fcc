// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The status bar: the line of the last echo (painted at most once per
// frame, as a scan changes it a thousand times a second), and at its right,
// while a repeat is pending, when the next test starts.
#pragma once

#include <QObject>
#include <QString>

class FramePacer;
class QDateTime;
class QLabel;
class QStatusBar;

class StatusLine : public QObject {
    Q_OBJECT
public:
    explicit StatusLine(QStatusBar* bar);

    void show(const QString& text);
    // Painted before this returns, for a wait that blocks the window.
    void showNow(const QString& text);
    // "Next test at 14:05"; an invalid time takes the note away.
    void showNextTest(const QDateTime& at);

private:
    QStatusBar* m_bar;
    QLabel* m_nextTest;
    FramePacer* m_pacer;
    QString m_text;
};
