// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What a test hands to the GUI thread, in address order: each echo with its
// address's progress step, a step alone where no echo went out, and the end. The walk never waits for the window unless the queue is
// full: a window that stalls (a modal box, a dragged window, a slow paint)
// holds the walk once Capacity events wait, so memory stays bounded.
#pragma once

#include "net/EchoResult.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

struct ScanEvent {
    size_t index = 0;                  // of the address in the test, the progress step
    uint32_t address = 0;              // host byte order
    std::optional<EchoResult> echo;    // none where no request went out
    bool end = false;                  // the test is over; nothing follows
    bool whole = false;                // with end: every address had its turn
    uint32_t lastSent = 0;             // with end: the last address a request went to (host order), 0 for none
};

class ScanEvents {
public:
    static constexpr size_t Capacity = 256;

    // wake runs on the pushing thread when events wait and no wake is
    // pending, and for the end; the GUI thread then takes them with
    // takeAll(), as often as it likes, and rearm() lets the next push wake it.
    explicit ScanEvents(std::function<void()> wake);

    // Scan thread. Waits while the queue is full; false, with nothing
    // queued, once closed.
    bool push(ScanEvent event);
    // Scan thread, for a sender that must go on reading its answers: never
    // waits, and holds back its further requests by waiting() instead.
    bool pushWithoutWaiting(ScanEvent event);
    // How many events wait to be taken.
    size_t waiting();
    // GUI thread: every waiting event, oldest first.
    std::vector<ScanEvent> takeAll();
    // GUI thread: when nothing waits, the next push wakes; false when
    // something waits, to be taken first.
    bool rearm();
    // Drops what waits, refuses every later push and releases a waiting
    // one; no wake runs after it returns.
    void close();

private:
    // Under the lock.
    bool append(ScanEvent event);

    std::function<void()> m_wake;
    std::mutex m_mutex;
    std::condition_variable m_roomLeft;
    std::deque<ScanEvent> m_events;
    bool m_wakePending = false;
    bool m_closed = false;
};
