// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/RepeatTimer.h"

#include <algorithm>
#include <limits>

RepeatTimer::RepeatTimer(QObject* parent) : QObject(parent)
{
    // A period of minutes must not drift by a coarse timer's 5 %.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // It repeats until a test starts, as a repeating timer would.
        m_lastEnd = Clock::now();
        update();
        Q_EMIT due();
    });
}

void RepeatTimer::setMinutes(int minutes)
{
    if (minutes == m_minutes) return;
    m_minutes = minutes;
    update();
}

void RepeatTimer::testEnded(bool armed)
{
    m_lastEnd = Clock::now();
    m_ended = true;
    m_armed = armed;
    update();
}

void RepeatTimer::setArmed(bool armed)
{
    if (armed == m_armed) return;
    m_armed = armed;
    update();
}

void RepeatTimer::update()
{
    const auto period = m_minutes * m_minute;
    if (m_armed && period.count() > 0 && m_ended) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_lastEnd + period - Clock::now());
        const int ms = static_cast<int>(std::clamp<qint64>(left.count(), 0, std::numeric_limits<int>::max()));
        m_timer.start(ms);
        m_nextTest = QDateTime::currentDateTime().addMSecs(ms);
    } else {
        m_timer.stop();
        m_nextTest = {};
    }
    Q_EMIT nextTestChanged(m_nextTest);
}
