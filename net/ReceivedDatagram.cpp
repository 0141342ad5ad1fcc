// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/ReceivedDatagram.h"

#include <cerrno>
#include <cstring>

ReceivedDatagram::ReceivedDatagram(int fd, int flags, std::vector<uint8_t>& buffer) noexcept
    : m_io{buffer.data(), buffer.size()}, m_bytes(buffer.data())
{
    m_header.msg_name = &m_from;
    m_header.msg_namelen = sizeof m_from;
    m_header.msg_iov = &m_io;
    m_header.msg_iovlen = 1;
    m_header.msg_control = m_control;
    m_header.msg_controllen = sizeof m_control;
    do m_size = recvmsg(fd, &m_header, flags | MSG_DONTWAIT);
    while (m_size < 0 && errno == EINTR);
    if (m_size < 0) return;
    for (cmsghdr* c = CMSG_FIRSTHDR(&m_header); c != nullptr; c = CMSG_NXTHDR(&m_header, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR &&
            c->cmsg_len >= CMSG_LEN(sizeof(sock_extended_err) + sizeof(sockaddr_in)))
            m_error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int)))
            std::memcpy(&m_ttl, CMSG_DATA(c), sizeof m_ttl);
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS && c->cmsg_len >= CMSG_LEN(sizeof(timespec)))
            std::memcpy(&m_stamp.emplace(), CMSG_DATA(c), sizeof(timespec));
    }
}
