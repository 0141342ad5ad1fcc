#include "scan/ScanEvents.h"

ScanEvents::ScanEvents(std::function<void()> wakeUp) : wake(std::move(wakeUp)) {}

bool ScanEvents::push(ScanEvent event)
{
    std::unique_lock lock(mutex);
    roomLeft.wait(lock, [this] { return closed || events.size() < Capacity; });
    if (closed) return false;
    events.push_back(std::move(event));
    // Under the lock, so that close() cannot slip in between.
    if (!wakePending) {
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
        wakePending = false;
    }
    roomLeft.notify_all();
    return taken;
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
