// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One datagram read from a socket with recvmsg into the caller's buffer: its
// size, its sender and what its control messages say (an extended error of
// the error queue, the time to live, the kernel's receive time stamp).
#pragma once

#include <time.h>  // before linux/errqueue.h, which needs timespec

#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class ReceivedDatagram {
public:
    // Reads without blocking; ok() is false when nothing was read, errno then tells why.
    ReceivedDatagram(int fd, int flags, std::vector<uint8_t>& buffer) noexcept;
    ReceivedDatagram(const ReceivedDatagram&) = delete;
    ReceivedDatagram& operator=(const ReceivedDatagram&) = delete;

    bool ok() const noexcept { return m_size >= 0; }
    bool truncated() const noexcept { return (m_header.msg_flags & MSG_TRUNC) != 0; }
    const uint8_t* bytes() const noexcept { return m_bytes; }
    size_t size() const noexcept { return m_size > 0 ? static_cast<size_t>(m_size) : 0; }
    uint32_t sender() const noexcept { return m_from.sin_addr.s_addr; }  // network byte order
    const sock_extended_err* error() const noexcept { return m_error; }
    int ttl() const noexcept { return m_ttl; }  // 0 when not given
    const std::optional<timespec>& stamp() const noexcept { return m_stamp; }

private:
    sockaddr_in m_from{};
    iovec m_io;
    msghdr m_header{};
    alignas(cmsghdr) uint8_t m_control[512];
    const uint8_t* m_bytes;
    ssize_t m_size = -1;
    const sock_extended_err* m_error = nullptr;  // inside m_control
    int m_ttl = 0;
    std::optional<timespec> m_stamp;
};
