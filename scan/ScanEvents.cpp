// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/ScanEvents.h"

ScanEvents::ScanEvents(std::function<void()> wakeUp) : wake(std::move(wakeUp)) {}

bool ScanEvents::push(ScanEvent event)
{
    std::unique_lock lock(mutex);
    roomLeft.wait(lock, [this] { return closed || events.size() < Capacity; });
    if (closed) return false;
    const bool end = event.end;
    events.push_back(std::move(event));
    // Under the lock, so that close() cannot slip in between. The end wakes
    // at once: the window comes back without waiting for a frame.
    if (!wakePending || end) {
        wakePending = true;
        wake();
    }
    return true;
}

std::vector<ScanEvent> ScanEvents::takeAll()
{
    std::vector<ScanEvent> taken;
    {
        const std::lock_guard guard(mutex);
        taken.assign(std::make_move_iterator(events.begin()), std::make_move_iterator(events.end()));
        events.clear();
    }
    roomLeft.notify_all();
    return taken;
}

bool ScanEvents::rearm()
{
    const std::lock_guard guard(mutex);
    if (!events.empty()) return false;
    wakePending = false;
    return true;
}

void ScanEvents::close()
{
    {
        const std::lock_guard guard(mutex);
        closed = true;
        events.clear();
    }
    roomLeft.notify_all();
}
