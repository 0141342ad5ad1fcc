// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "base/ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool lowerOwnPriority(int steps, std::string& why)
{
    // On Linux, the nice value of a thread id is that thread's alone.
    errno = 0;
    const int niceness = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    if (errno == 0 && setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), niceness + steps) == 0) return true;
    why = std::strerror(errno);
    return false;
}
