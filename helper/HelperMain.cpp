// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// scanvet-helper: the only part of Scanvet Address that may hold CAP_NET_RAW
// (from its file capability, or because root started it). It opens the one
// socket its mode needs, gives up every capability, and then serves the
// program on descriptor 3 until the program closes it. It reads no
// environment variable, no file of the user's, and loads nothing.
#include "helper/ArpAsker.h"
#include "helper/EchoRelay.h"

#include <linux/capability.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace {

using namespace HelperProtocol;

bool dropCapabilities(std::string& why)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capset, &header, data) != 0 || prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        why = std::string("cannot give up the capabilities: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// Serves until the program goes, or sends a request that is not one.
template <typename Service> int serve(int channel, Service& service)
{
    const int serviceFd = service.socket();
    for (;;) {
        pollfd fds[2] = {{channel, POLLIN, 0}, {serviceFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return 1;
        }
        if ((fds[1].revents & POLLIN) != 0 && !service.forward(channel)) return 0;
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        uint8_t message[64];
        const ssize_t n = recv(channel, message, sizeof message, MSG_TRUNC | MSG_DONTWAIT);
        if (n == 0) return 0;  // the program has gone
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return errno == ECONNRESET ? 0 : 1;
        }
        std::string why;
        const auto request = size_t(n) > sizeof message ? std::nullopt : decodeRequest(message, size_t(n), why);
        if (!request) {
            // Not the program's own words: refuse, then end the session.
            Helper::refuse(channel, Request{}, size_t(n) > sizeof message ? "an oversized request" : why);
            return 1;
        }
        if (request->kind == RequestKind::Sync) {
            if (!service.forward(channel)) return 0;
            const SyncedEvent synced{request->syncToken, service.lastSentNs(), Helper::monotonicNs()};
            if (!Helper::sendMessage(channel, encode(synced))) return 0;
            continue;
        }
        const bool wanted = (request->kind == RequestKind::Echo) == std::is_same_v<Service, Helper::EchoRelay>;
        if (!wanted) {
            Helper::refuse(channel, *request, "a request of the other mode");
            return 1;
        }
        if (!service.serve(channel, *request)) return 0;
    }
}

template <typename Service> int run(int channel)
{
    Service service;
    std::string why;
    ReadyEvent ready;
    ready.ok = service.open(why) && dropCapabilities(why);
    if constexpr (std::is_same_v<Service, Helper::EchoRelay>) ready.identifier = service.identifier();
    ready.reason = why;
    // Even a helper that could not open its socket has nothing left to give up.
    if (!ready.ok) dropCapabilities(why);
    if (!Helper::sendMessage(channel, encode(ready)) || !ready.ok) return ready.ok ? 1 : 0;
    return serve(channel, service);
}

} // namespace

int main(int argc, char** argv)
{
    struct stat channelStat {};
    if (argc != 2 || fstat(ChannelDescriptor, &channelStat) != 0 || !S_ISSOCK(channelStat.st_mode)) {
        static constexpr char usage[] = "scanvet-helper: started by scanvet alone, with its socket as descriptor 3\n";
        [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, usage, sizeof usage - 1);
        return 2;
    }
    int type = 0;
    socklen_t length = sizeof type;
    if (getsockopt(ChannelDescriptor, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_SEQPACKET) return 2;
    const std::string_view mode = argv[1];
    if (mode == EchoMode) return run<Helper::EchoRelay>(ChannelDescriptor);
    if (mode == ArpMode) return run<Helper::ArpAsker>(ChannelDescriptor);
    return 2;
}
