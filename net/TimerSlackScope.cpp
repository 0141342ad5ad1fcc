// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/TimerSlackScope.h"

#include "net/Log.h"

#include <sys/prctl.h>

#include <cerrno>
#include <cstring>

TimerSlackScope::TimerSlackScope() noexcept : m_previousSlackNs(prctl(PR_GET_TIMERSLACK, 0UL, 0UL, 0UL, 0UL))
{
    if (m_previousSlackNs < 0 || prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) != 0) {
        qCDebug(lcNet, "timer slack left as it is: %s", std::strerror(errno));
        m_previousSlackNs = -1;
    }
}

TimerSlackScope::~TimerSlackScope()
{
    // The slack that PR_GET_TIMERSLACK reads is never 0, which PR_SET_TIMERSLACK would take as "the default".
    if (m_previousSlackNs > 0) prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(m_previousSlackNs), 0UL, 0UL, 0UL);
}
