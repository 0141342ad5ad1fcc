// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/HelperProcess.h"

#include "net/Log.h"
#include "base/CompanionProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace {

constexpr int ReadyWaitMs = 5000;
constexpr int ChannelBufferSize = 1024 * 1024;

} // namespace

std::string HelperProcess::program() { return companionProgram("scanvet-helper"); }

HelperProcess::HelperProcess(const std::string& program, std::string_view mode)
{
    const auto fail = [&](const std::string& why) {
        m_why = why;
        qCInfo(lcNet, "the privileged helper cannot serve: %s", m_why.c_str());
    };
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        fail(std::string("no socket pair for the helper: ") + std::strerror(errno));
        return;
    }
    // dup2 onto its own number would keep the close-on-exec flag.
    int childEnd = pair[1];
    if (childEnd == HelperProtocol::ChannelDescriptor) {
        childEnd = fcntl(pair[1], F_DUPFD_CLOEXEC, HelperProtocol::ChannelDescriptor + 1);
        close(pair[1]);
    }
    m_channel = pair[0];
    for (const int option : {SO_SNDBUF, SO_RCVBUF})
        setsockopt(m_channel, SOL_SOCKET, option, &ChannelBufferSize, sizeof ChannelBufferSize);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, childEnd, HelperProtocol::ChannelDescriptor);
    posix_spawn_file_actions_addclosefrom_np(&actions, HelperProtocol::ChannelDescriptor + 1);
    const std::string modeText(mode);
    char* const arguments[] = {const_cast<char*>(program.c_str()), const_cast<char*>(modeText.c_str()), nullptr};
    char* const environment[] = {nullptr};
    const int spawned = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, arguments, environment);
    posix_spawn_file_actions_destroy(&actions);
    close(childEnd);
    if (spawned != 0) {
        m_pid = -1;
        fail("no helper: " + program + ": " + std::strerror(spawned));
        return;
    }

    pollfd ready{m_channel, POLLIN, 0};
    if (poll(&ready, 1, ReadyWaitMs) <= 0) {
        fail("the helper " + program + " did not answer");
        return;
    }
    std::array<uint8_t, 512> message;
    const ssize_t n = recv(m_channel, message.data(), message.size(), 0);
    const auto event = n > 0 ? HelperProtocol::decodeEvent(message.data(), size_t(n)) : std::nullopt;
    if (!event || event->kind != HelperProtocol::EventKind::Ready) {
        fail("the helper " + program + " ended without a word");
        return;
    }
    if (!event->ready.ok) {
        fail(event->ready.reason);
        return;
    }
    m_identifier = event->ready.identifier;
    if (fcntl(m_channel, F_SETFL, fcntl(m_channel, F_GETFL) | O_NONBLOCK) != 0) {
        fail(std::string("helper socket: ") + std::strerror(errno));
        return;
    }
    m_ok = true;
}

void HelperProcess::leaveToEnd() noexcept
{
    if (m_channel >= 0) close(m_channel);
    m_channel = -1;
    // Reaped now only if it has ended already.
    if (m_pid > 0) waitpid(m_pid, nullptr, WNOHANG);
    m_pid = -1;
    m_ok = false;
}

HelperProcess::~HelperProcess()
{
    if (m_channel >= 0) close(m_channel);
    if (m_pid > 0)
        while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {}
}
