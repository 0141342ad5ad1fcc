// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Sets the calling thread's timer slack to 1 ns for its lifetime and then
// restores the slack it had: waits of a few milliseconds should not grow by
// the default 50 µs at every wake-up, but the thread's other timers keep it.
#pragma once

class TimerSlackScope {
public:
    TimerSlackScope() noexcept;
    ~TimerSlackScope();
    TimerSlackScope(const TimerSlackScope&) = delete;
    TimerSlackScope& operator=(const TimerSlackScope&) = delete;

private:
    long m_previousSlackNs;  // negative when it could not be read: then left alone
};
