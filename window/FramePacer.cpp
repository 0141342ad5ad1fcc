// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/FramePacer.h"

namespace {
constexpr std::chrono::milliseconds FrameTime{16};
} // namespace

FramePacer::FramePacer(std::function<void()> show, QObject* parent) : QObject(parent), m_showChange(std::move(show))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &FramePacer::show);
}

void FramePacer::changed()
{
    // A change when the frame is over shows once the event loop is back, so
    // that no paint runs in the middle of a burst of changes; the timer also
    // shows a frame's last change.
    if (m_timer.isActive()) return;
    const auto since = std::chrono::steady_clock::now() - m_shown;
    m_timer.start(since >= FrameTime ? std::chrono::milliseconds(0)
                                   : std::chrono::duration_cast<std::chrono::milliseconds>(FrameTime - since) +
                                         std::chrono::milliseconds(1));
}

void FramePacer::showNow()
{
    m_timer.stop();
    show();
}

void FramePacer::show()
{
    m_shown = std::chrono::steady_clock::now();
    m_showChange();
}
