// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/ScanEvents.h"

ScanEvents::ScanEvents(std::function<void()> wake) : m_wake(std::move(wake)) {}

bool ScanEvents::push(ScanEvent event)
{
    std::unique_lock lock(m_mutex);
    m_roomLeft.wait(lock, [this] { return m_closed || m_events.size() < Capacity; });
    return append(std::move(event));
}

bool ScanEvents::pushWithoutWaiting(ScanEvent event)
{
    const std::lock_guard guard(m_mutex);
    return append(std::move(event));
}

size_t ScanEvents::waiting()
{
    const std::lock_guard guard(m_mutex);
    return m_events.size();
}

bool ScanEvents::append(ScanEvent event)
{
    if (m_closed) return false;
    const bool end = event.end;
    m_events.push_back(std::move(event));
    // Under the lock, so that close() cannot slip in between. The end wakes
    // at once: the window comes back without waiting for a frame.
    if (!m_wakePending || end) {
        m_wakePending = true;
        m_wake();
    }
    return true;
}

std::vector<ScanEvent> ScanEvents::takeAll()
{
    std::vector<ScanEvent> taken;
    {
        const std::lock_guard guard(m_mutex);
        taken.assign(std::make_move_iterator(m_events.begin()), std::make_move_iterator(m_events.end()));
        m_events.clear();
    }
    m_roomLeft.notify_all();
    return taken;
}

bool ScanEvents::rearm()
{
    const std::lock_guard guard(m_mutex);
    if (!m_events.empty()) return false;
    m_wakePending = false;
    return true;
}

void ScanEvents::close()
{
    {
        const std::lock_guard guard(m_mutex);
        m_closed = true;
        m_events.clear();
    }
    m_roomLeft.notify_all();
}
