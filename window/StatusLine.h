// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The status bar: the line of the last echo (painted at most once per
// frame, as a scan changes it a thousand times a second), and at its right,
// while a repeat is pending, when the next test starts and a button that
// cancels it.
#pragma once

#include <QObject>
#include <QString>

class FramePacer;
class QDateTime;
class QLabel;
class QPushButton;
class QStatusBar;

class StatusLine : public QObject {
    Q_OBJECT
public:
    explicit StatusLine(QStatusBar* bar);

    void show(const QString& text);
    // At once, not with the next frame.
    void showNow(const QString& text);
    // "Next test at 14:05" (the locale's short time, without seconds) and
    // "Cancel repeat"; an invalid time takes both away.
    void showNextTest(const QDateTime& at);
    // The test's link could not be looked at: why.
    void showLinkNotSeen(const QString& why);
    QPushButton* cancelRepeatButton() const { return m_cancelRepeat; }

private:
    QStatusBar* m_bar;
    QLabel* m_nextTest;
    QPushButton* m_cancelRepeat;
    FramePacer* m_pacer;
    QString m_text;
};
