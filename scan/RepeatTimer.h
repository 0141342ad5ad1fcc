// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The repeat of finished tests. Armed at the end of a test that was not
// stopped, it is due once the period has passed since that end, and again
// each period until a test starts. It counts on the monotonic clock: a
// wall clock set forward or back moves no repeat.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <chrono>

class RepeatTimer : public QObject {
    Q_OBJECT
public:
    explicit RepeatTimer(QObject* parent = nullptr);

    // The period; a pending repeat moves to the last end plus the new
    // period, and 0 cancels it.
    void setMinutes(int minutes);
    // How long a "minute" lasts: tests run the repeat in short minutes.
    void setMinuteLength(std::chrono::milliseconds length) { m_minute = length; }
    // A test ended now; armed when it was not stopped.
    void testEnded(bool armed);
    void setArmed(bool armed);
    [[nodiscard]] bool armed() const { return m_armed; }
    // A repeat is pending.
    [[nodiscard]] bool pending() const { return m_timer.isActive(); }
    // When the pending repeat is due, on the wall clock; invalid when none is.
    [[nodiscard]] QDateTime nextTestAt() const { return m_nextTest; }

Q_SIGNALS:
    void due();
    // The pending repeat has been set, moved or cancelled.
    void nextTestChanged(const QDateTime& at);

private:
    void update();

    using Clock = std::chrono::steady_clock;
    QTimer m_timer;
    Clock::time_point m_lastEnd{};
    QDateTime m_nextTest;
    bool m_ended = false;
    bool m_armed = false;
    int m_minutes = 0;
    std::chrono::milliseconds m_minute{60000};
};
