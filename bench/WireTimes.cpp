// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WireTimes.h"

#include "BenchTools.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <mutex>

namespace {

// The wrapper is called without any context, so the record it fills has to
// be reachable from it: one per process, behind a mutex.
struct Recorder {
    std::atomic<bool> recording{false};
    std::atomic<uint32_t> network{0};
    std::mutex mutex;
    WireTimes times;
};

Recorder& recorder()
{
    static Recorder instance;
    return instance;
}

} // namespace

extern "C" ssize_t __real_sendto(int fd, const void* data, size_t size, int flags, const sockaddr* to, socklen_t length);

// NOLINTNEXTLINE(readability-identifier-naming): the name the linker's --wrap asks for
extern "C" ssize_t __wrap_sendto(int fd, const void* data, size_t size, int flags, const sockaddr* to, socklen_t length)
{
    const ssize_t sent = __real_sendto(fd, data, size, flags, to, length);
    Recorder& r = recorder();
    if (sent < 0 || !r.recording.load(std::memory_order_relaxed) || to == nullptr || to->sa_family != AF_INET ||
        length < sizeof(sockaddr_in))
        return sent;
    const uint32_t address = ntohl(reinterpret_cast<const sockaddr_in*>(to)->sin_addr.s_addr);
    if ((address & 0xFFFFFF00u) != r.network.load(std::memory_order_relaxed)) return sent;
    const int64_t now = nowNs();
    const std::lock_guard lock(r.mutex);
    if (r.times.first == 0) r.times.first = now;
    r.times.last = now;
    ++r.times.sends;
    int64_t& byOctet = r.times.firstByOctet[address & 0xFF];
    if (byOctet == 0) byOctet = now;
    return sent;
}

void startWireTimes(uint32_t network)
{
    Recorder& r = recorder();
    const std::lock_guard lock(r.mutex);
    r.times = {};
    r.network = network & 0xFFFFFF00u;
    r.recording = true;
}

WireTimes stopWireTimes()
{
    Recorder& r = recorder();
    r.recording = false;
    const std::lock_guard lock(r.mutex);
    return r.times;
}
