// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A name server on the lab's loopback that takes every query and answers none, as a dead one does: a look-up
// waits as long as the resolver's time-out, which RES_OPTIONS (for example "timeout:30") can lengthen.
#pragma once

#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

class SilentNameServer {
public:
    SilentNameServer()
    {
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(53);
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(m_socket, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) close(std::exchange(m_socket, -1));
    }
    ~SilentNameServer() { if (m_socket >= 0) close(m_socket); }
    SilentNameServer(const SilentNameServer&) = delete;
    SilentNameServer& operator=(const SilentNameServer&) = delete;

    bool listening() const { return m_socket >= 0; }
    // True once a query has come; the event loop runs meanwhile.
    bool queried() const
    {
        return listening() && QTest::qWaitFor([this] {
            pollfd waiting{m_socket, POLLIN, 0};
            return poll(&waiting, 1, 0) == 1;
        }, 30000);
    }

private:
    int m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
};
