// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Each socket comes with an eventfd that abort() signals, so a blocked wait
// ends at once.
#include "net/EchoSocket.h"

#include "base/KeptTexts.h"
#include "net/IcmpPacket.h"

#include <time.h>  // before linux/errqueue.h, which needs timespec

#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t ReceiveBufferSize = 65536;
constexpr size_t ControlBufferSize = 512;
// How long before the deadline the wait stops sleeping (see echo()).
constexpr std::chrono::microseconds TailPoll{150};

EchoStatus statusOfErrno(int error) noexcept
{
    switch (error) {
    case ENETUNREACH:
    case ENETDOWN: return EchoStatus::NetUnreachable;
    case EHOSTUNREACH:
    case EHOSTDOWN: return EchoStatus::HostUnreachable;
    case ENOPROTOOPT: return EchoStatus::ProtocolUnreachable;
    case ECONNREFUSED: return EchoStatus::PortUnreachable;
    case EMSGSIZE: return EchoStatus::PacketTooBig;
    default: return EchoStatus::SendFailed;
    }
}

// Raw sockets see every program's echoes; each socket gets its own
// identifier so that ours can be told apart.
uint16_t randomIdentifier() noexcept
{
    uint16_t identifier = 0;
    if (getrandom(&identifier, sizeof identifier, 0) != sizeof identifier)
        identifier = static_cast<uint16_t>(Clock::now().time_since_epoch().count());
    return identifier;
}

timespec timespecOf(Clock::duration d) noexcept
{
    if (d <= Clock::duration::zero()) return {};
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

// One datagram to receive into buffer, with its sender and control messages.
struct Message {
    explicit Message(std::vector<uint8_t>& buffer) : io{buffer.data(), buffer.size()}
    {
        header.msg_name = &from;
        header.msg_namelen = sizeof from;
        header.msg_iov = &io;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
    }
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

    sockaddr_in from{};
    iovec io;
    msghdr header{};
    alignas(cmsghdr) uint8_t control[ControlBufferSize];
};

struct Found {
    bool done = false;
    EchoResult result;
};

// Reads what the datagram socket's error queue holds; an error that quotes
// this request ends it, anything else (errors of earlier requests) is dropped.
Found readErrorQueue(int fd, const IcmpPacket::Expected* expected, std::vector<uint8_t>& buffer)
{
    Found found;
    for (int guard = 0; guard < 1000; ++guard) {
        Message message(buffer);
        const ssize_t n = recvmsg(fd, &message.header, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (expected == nullptr || found.done) continue;
        const sock_extended_err* ee = nullptr;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message.header); c != nullptr; c = CMSG_NXTHDR(&message.header, c))
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR)
                ee = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
        // The original destination comes as the sender, the request as the data.
        if (ee == nullptr || !IcmpPacket::quotesRequest(buffer.data(), static_cast<size_t>(n),
                                                        message.from.sin_addr.s_addr, *expected))
            continue;
        found.done = true;
        if (ee->ee_origin == SO_EE_ORIGIN_ICMP) {
            found.result.status = IcmpPacket::statusOfError(ee->ee_type, ee->ee_code);
            const auto* offender = reinterpret_cast<const sockaddr_in*>(SO_EE_OFFENDER(ee));
            if (offender->sin_family == AF_INET) found.result.from = offender->sin_addr.s_addr;
        } else {
            found.result.status = statusOfErrno(static_cast<int>(ee->ee_errno));
        }
    }
    // Reading the queue does not reset the pending error that came with it.
    int pending = 0;
    socklen_t length = sizeof pending;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length);
    return found;
}

// Reads every packet waiting on the socket until one belongs to this request.
Found readPackets(int fd, EchoSocketKind kind, const IcmpPacket::Expected* expected, std::vector<uint8_t>& buffer)
{
    for (int guard = 0; guard < 1000; ++guard) {
        Message message(buffer);
        const ssize_t n = recvmsg(fd, &message.header, MSG_DONTWAIT);
        if (n < 0) {
            // EAGAIN: nothing more. Anything else is a pending error of an
            // earlier request reported once; the error queue tells more.
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            continue;
        }
        if (expected == nullptr || (message.header.msg_flags & MSG_TRUNC) != 0) continue;
        const size_t size = static_cast<size_t>(n);
        IcmpPacket::Verdict v;
        if (kind == EchoSocketKind::Raw) {
            v = IcmpPacket::judgeIpPacket(buffer.data(), size, *expected);
        } else {
            v = IcmpPacket::judgeIcmpMessage(buffer.data(), size, message.from.sin_addr.s_addr, *expected);
            for (cmsghdr* c = CMSG_FIRSTHDR(&message.header); c != nullptr; c = CMSG_NXTHDR(&message.header, c)) {
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
                    int ttl = 0;
                    std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
                    v.ttl = static_cast<uint8_t>(ttl);
                }
            }
        }
        if (v.what == IcmpPacket::Kind::Ignore) continue;
        Found found{true, {}};
        found.result.status = v.status;
        found.result.from = v.from;
        if (v.what == IcmpPacket::Kind::Reply) found.result.ttl = v.ttl;
        return found;
    }
    return {};
}

// Whatever earlier requests left behind: late replies, errors, a pending
// socket error.
void discard(int fd, EchoSocketKind kind, std::vector<uint8_t>& buffer)
{
    readPackets(fd, kind, nullptr, buffer);
    readErrorQueue(fd, nullptr, buffer);
}

} // namespace

EchoSocket::EchoSocket()
{
    int error = 0;
    open(EchoSocketKind::Datagram, error);
    // No ping socket for our group (net.ipv4.ping_group_range) or none in
    // this kernel: a raw socket needs CAP_NET_RAW instead.
    if (m_socketFd < 0 && (error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == EAFNOSUPPORT))
        open(EchoSocketKind::Raw, error);
    if (m_socketFd < 0) throw PingSocketError(KeptTexts::NoPingSocket);
}

EchoSocket::EchoSocket(EchoSocketKind kind)
{
    int error = 0;
    open(kind, error);
    if (m_socketFd < 0) throw PingSocketError(KeptTexts::NoPingSocket);
}

EchoSocket::~EchoSocket()
{
    if (m_socketFd >= 0) close(m_socketFd);
    if (m_wakeFd >= 0) close(m_wakeFd);
}

void EchoSocket::open(EchoSocketKind kind, int& error) noexcept
{
    const auto fail = [&] {
        error = errno;
        if (m_socketFd >= 0) close(m_socketFd);
        if (m_wakeFd >= 0) close(m_wakeFd);
        m_socketFd = m_wakeFd = -1;
    };
    m_socketKind = kind;
    m_socketFd = socket(AF_INET, (kind == EchoSocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW) | SOCK_CLOEXEC,
                      IPPROTO_ICMP);
    if (m_socketFd < 0) return fail();
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) return fail();
    if (kind == EchoSocketKind::Datagram) {
        const int on = 1;
        // ICMP errors of a datagram socket arrive on its error queue only.
        if (setsockopt(m_socketFd, IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0 ||
            setsockopt(m_socketFd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on) != 0)
            return fail();
        // Binding to port 0 makes the kernel choose the identifier now.
        sockaddr_in any{};
        any.sin_family = AF_INET;
        socklen_t length = sizeof any;
        if (bind(m_socketFd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
            getsockname(m_socketFd, reinterpret_cast<sockaddr*>(&any), &length) != 0)
            return fail();
        m_echoIdentifier = ntohs(any.sin_port);
    } else {
        using namespace IcmpPacket;
        icmp_filter filter{};
        filter.data = ~((1u << TypeEchoReply) | (1u << TypeDestUnreachable) | (1u << TypeSourceQuench) |
                        (1u << TypeTimeExceeded) | (1u << TypeParameterProblem));
        if (setsockopt(m_socketFd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) != 0) return fail();
        m_echoIdentifier = randomIdentifier();
    }
}

void EchoSocket::abort() noexcept
{
    m_aborted = true;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(m_wakeFd, &one, sizeof one);
}

EchoResult EchoSocket::echo(uint32_t destination, int ttl, std::chrono::milliseconds timeout)
{
    // Time-outs of a few milliseconds should not grow by the default timer
    // slack of every wake-up; the slack belongs to the calling thread.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    if (m_aborted) return {EchoStatus::Aborted};
    // Linux cannot send a time to live of 0.
    const int sentTtl = ttl & 0xFF;
    if (sentTtl == 0) return {EchoStatus::SendFailed};
    if (setsockopt(m_socketFd, IPPROTO_IP, IP_TTL, &sentTtl, sizeof sentTtl) != 0) return {statusOfErrno(errno)};

    std::vector<uint8_t>& buffer = m_receiveBuffer;
    if (buffer.empty()) buffer.resize(ReceiveBufferSize);
    discard(m_socketFd, m_socketKind, buffer);

    const uint16_t requestSequence = ++m_sequence;
    const IcmpPacket::Expected expected{destination, m_echoIdentifier, requestSequence};
    const auto packet = IcmpPacket::buildEchoRequest(m_echoIdentifier, requestSequence);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination;

    // The send counts against the time-out too. Requests to neighbours that
    // do not answer wait in the kernel for their address resolution (some
    // seconds) and hold the socket's send buffer meanwhile; a blocking send
    // would then wait for them far beyond the time-out.
    const Clock::time_point deadline = Clock::now() + std::max(timeout, std::chrono::milliseconds::zero());
    Clock::time_point sent;
    for (;;) {
        sent = Clock::now();
        if (sendto(m_socketFd, packet.data(), packet.size(), MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to) >= 0)
            break;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return {statusOfErrno(errno)};
        if (sent >= deadline) return {EchoStatus::TimedOut};
        const timespec wait = timespecOf(deadline - sent);
        pollfd fds[2] = {{m_socketFd, POLLOUT, 0}, {m_wakeFd, POLLIN, 0}};
        if (ppoll(fds, 2, &wait, nullptr) < 0 && errno != EINTR) return {statusOfErrno(errno)};
        if (m_aborted) return {EchoStatus::Aborted};
        // Errors of the earlier requests that freed the room belong to them.
        discard(m_socketFd, m_socketKind, buffer);
    }

    for (;;) {
        const Clock::duration remaining = deadline - Clock::now();
        const bool last = remaining <= Clock::duration::zero();
        // The last stretch is polled without sleeping: a sleeping thread wakes
        // late on virtual machines, which would stretch a short time-out, and
        // so every silent address of a scan.
        const timespec wait = timespecOf(remaining - TailPoll);
        pollfd fds[2] = {{m_socketFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        const int ready = ppoll(fds, 2, &wait, nullptr);
        if (ready < 0 && errno != EINTR) return {statusOfErrno(errno)};
        if (m_aborted) return {EchoStatus::Aborted};

        if (ready > 0 && (fds[0].revents & POLLERR) != 0) {
            const Found error = readErrorQueue(m_socketFd, &expected, buffer);
            if (error.done) return error.result;
        }
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            Found got = readPackets(m_socketFd, m_socketKind, &expected, buffer);
            if (got.done) {
                if (got.result.answered())
                    got.result.roundTripMs = static_cast<uint32_t>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count());
                return got.result;
            }
        }
        if (last) return {EchoStatus::TimedOut};
    }
}
