// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Each socket comes with an eventfd that abort() signals, so a blocked wait
// ends at once.
#include "net/EchoSocket.h"

#include "base/KeptTexts.h"
#include "net/HelperProcess.h"
#include "net/IcmpPacket.h"
#include "net/Log.h"
#include "net/ReceivedDatagram.h"
#include "net/TimerSlackScope.h"

#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

using Clock = EchoSocket::Clock;

constexpr size_t ReceiveBufferSize = 65536;
// Requests to a /24's silent neighbours hold the send buffer while their
// address resolution lasts, and the replies of a fast sweep may come in
// faster than a busy thread reads them.
constexpr int SocketBufferSize = 512 * 1024;
// How long before the deadline the wait stops sleeping (see echo()).
constexpr std::chrono::microseconds TailPoll{150};

timespec timespecOf(Clock::duration d) noexcept
{
    if (d <= Clock::duration::zero()) return {};
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

int64_t nanosecondsOf(const timespec& t) noexcept { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; }

// The moment of one reading on both clocks, to turn the kernel's time stamps
// (wall clock) into steady time.
struct ReadTime {
    ReadTime() noexcept : steady(Clock::now())
    {
        timespec t{};
        clock_gettime(CLOCK_REALTIME, &t);
        wallNs = nanosecondsOf(t);
    }
    // The stamp's age on the wall clock, taken just now, so that a step of
    // the wall clock before this read moves nothing. An age beyond a second
    // is such a step between the stamp and the read: the read's time instead.
    Clock::time_point of(const std::optional<timespec>& stamp) const noexcept
    {
        if (!stamp) return steady;
        const int64_t age = wallNs - nanosecondsOf(*stamp);
        return age >= 0 && age <= 1'000'000'000 ? steady - std::chrono::nanoseconds(age) : steady;
    }
    Clock::time_point steady;
    int64_t wallNs = 0;
};

} // namespace

EchoSocket::EchoSocket()
{
    std::string why;
    if (open(EchoSocketKind::Datagram, {}, why)) return;
    // No ping socket for our group (net.ipv4.ping_group_range) or none in
    // this kernel: the helper's raw socket instead.
    const int error = errno;
    std::string raw;
    if ((error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == EAFNOSUPPORT) &&
        open(EchoSocketKind::Raw, {}, raw))
        return;
    throw PingSocketError(KeptTexts::NoPingSocket, raw.empty() ? why : why + "; " + raw);
}

EchoSocket::EchoSocket(EchoSocketKind kind, const std::string& helperProgram)
{
    std::string why;
    if (!open(kind, helperProgram, why)) throw PingSocketError(KeptTexts::NoPingSocket, why);
}

EchoSocket::~EchoSocket()
{
    if (m_socketKind == EchoSocketKind::Datagram && m_socketFd >= 0) close(m_socketFd);
    if (m_wakeFd >= 0) close(m_wakeFd);
}

bool EchoSocket::open(EchoSocketKind kind, const std::string& helperProgram, std::string& why)
{
    m_socketKind = kind;
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        why = std::string("no eventfd for the echo socket: ") + std::strerror(errno);
        return false;
    }
    if (kind == EchoSocketKind::Raw) {
        m_helper = std::make_unique<HelperProcess>(helperProgram.empty() ? HelperProcess::program() : helperProgram,
                                                   HelperProtocol::EchoMode);
        if (!m_helper->ok()) {
            why = m_helper->why().starts_with("raw socket") ? m_helper->why() : "raw socket: " + m_helper->why();
            m_helper.reset();
            close(m_wakeFd);
            m_wakeFd = -1;
            errno = EPERM;
            return false;
        }
        m_socketFd = m_helper->channel();
        m_echoIdentifier = m_helper->identifier();
        return true;
    }
    const auto fail = [&] {
        const int error = errno;
        why = std::string("ICMP datagram socket: ") + std::strerror(error);
        if (m_socketFd >= 0) close(m_socketFd);
        close(m_wakeFd);
        m_socketFd = m_wakeFd = -1;
        errno = error;
        return false;
    };
    m_socketFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (m_socketFd < 0) return fail();
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
    // Without time stamps a reply counts from when it is read; without larger
    // buffers a sweep may wait for room or lose replies: both still work.
    if (setsockopt(m_socketFd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0)
        qCDebug(lcNet, "no receive time stamps on the echo socket: %s", std::strerror(errno));
    for (const int option : {SO_SNDBUF, SO_RCVBUF})
        if (setsockopt(m_socketFd, SOL_SOCKET, option, &SocketBufferSize, sizeof SocketBufferSize) != 0)
            qCDebug(lcNet, "echo socket buffer left at its size: %s", std::strerror(errno));
    return true;
}

EchoResult EchoSocket::resultOfErrno(int error) noexcept
{
    switch (error) {
    case ENETUNREACH:
    case ENETDOWN: return {EchoStatus::NetUnreachable};
    case EHOSTUNREACH:
    case EHOSTDOWN: return {EchoStatus::HostUnreachable};
    case ENOPROTOOPT: return {EchoStatus::ProtocolUnreachable};
    case ECONNREFUSED: return {EchoStatus::PortUnreachable};
    case EMSGSIZE: return {EchoStatus::PacketTooBig};
    // The scanner's own host refused it (a full neighbour table, no buffer,
    // a firewall): not a word about the address.
    default: return {EchoStatus::SendFailed, 0, 0, 0, error};
    }
}

void EchoSocket::abort() noexcept
{
    m_aborted = true;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(m_wakeFd, &one, sizeof one);
}

int EchoSocket::setTtl(int ttl) noexcept
{
    // Linux cannot send a time to live of 0.
    const int sentTtl = ttl & 0xFF;
    if (sentTtl == 0) return EINVAL;
    if (m_socketKind == EchoSocketKind::Raw) {
        m_ttl = sentTtl;
        return 0;
    }
    return setsockopt(m_socketFd, IPPROTO_IP, IP_TTL, &sentTtl, sizeof sentTtl) == 0 ? 0 : errno;
}

int EchoSocket::send(uint32_t destination, uint16_t sequence) noexcept
{
    if (m_socketKind == EchoSocketKind::Raw) {
        if (m_helperGone) return EPIPE;
        const auto request = HelperProtocol::encode(
            HelperProtocol::EchoRequest{destination, sequence, static_cast<uint8_t>(m_ttl)});
        for (;;) {
            if (::send(m_socketFd, request.data(), request.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0) return 0;
            if (errno != EINTR) return errno == EWOULDBLOCK ? EAGAIN : errno;
        }
    }
    const auto packet = IcmpPacket::buildEchoRequest(m_echoIdentifier, sequence);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination;
    // An ICMP error of an earlier request leaves a pending socket error, which
    // the next send returns (and clears) instead of sending; a send that
    // fails for a reason of its own fails again.
    for (int failures = 0;;) {
        if (sendto(m_socketFd, packet.data(), packet.size(), MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to) >= 0)
            return 0;
        int error = errno == EWOULDBLOCK ? EAGAIN : errno;
        // Where a datagram socket finds no room, a raw socket says ENOBUFS.
        pollfd room{m_socketFd, POLLOUT, 0};
        if (error == ENOBUFS && poll(&room, 1, 0) == 0) error = EAGAIN;
        if (error == EAGAIN || (error != EINTR && ++failures == 3)) return error;
    }
}

void EchoSocket::receive(const WaitingRequest& waiting, const std::function<void(const Answer&)>& answered)
{
    using namespace IcmpPacket;
    std::vector<uint8_t>& buffer = m_receiveBuffer;
    if (buffer.empty()) buffer.resize(ReceiveBufferSize);
    const ReadTime readTime;
    const auto expected = [&](std::optional<uint16_t> sequence) -> std::optional<Expected> {
        if (!sequence || !waiting) return std::nullopt;
        const std::optional<uint32_t> destination = waiting(*sequence);
        if (!destination) return std::nullopt;
        return Expected{*destination, m_echoIdentifier, *sequence};
    };

    // The datagram socket's error queue: the original destination comes as the sender, the request as the data.
    int errors = 0;
    for (; m_socketKind == EchoSocketKind::Datagram && errors < 1000; ++errors) {
        const ReceivedDatagram datagram(m_socketFd, MSG_ERRQUEUE, buffer);
        if (!datagram.ok()) break;
        const std::optional<Expected> ours =
            expected(sequenceToJudge(datagram.bytes(), datagram.size(), Form::QuotedRequest));
        const sock_extended_err* ee = datagram.error();
        if (ee == nullptr || !ours || !quotesRequest(datagram.bytes(), datagram.size(), datagram.sender(), *ours))
            continue;
        Answer answer{ours->sequence, {}, readTime.of(datagram.stamp()), {}};
        if (ee->ee_origin == SO_EE_ORIGIN_ICMP) {
            answer.result.status = IcmpPacket::statusOfError(ee->ee_type, ee->ee_code);
            const auto* offender = reinterpret_cast<const sockaddr_in*>(SO_EE_OFFENDER(ee));
            if (offender->sin_family == AF_INET) answer.result.from = offender->sin_addr.s_addr;
        } else {
            answer.result = resultOfErrno(static_cast<int>(ee->ee_errno));
        }
        answered(answer);
    }
    if (errors > 0) {
        // Reading the queue does not reset the pending error that came with it.
        int pending = 0;
        socklen_t length = sizeof pending;
        getsockopt(m_socketFd, SOL_SOCKET, SO_ERROR, &pending, &length);
    }

    if (m_socketKind == EchoSocketKind::Raw) return receiveRelayed(waiting, answered);
    for (int guard = 0; guard < 1000; ++guard) {
        const ReceivedDatagram datagram(m_socketFd, 0, buffer);
        // EAGAIN: nothing more. Anything else is a pending error of an
        // earlier request reported once; the error queue tells more.
        if (!datagram.ok() && errno == EAGAIN) break;
        if (!datagram.ok() || datagram.truncated()) continue;
        const std::optional<Expected> ours = expected(sequenceToJudge(datagram.bytes(), datagram.size(), Form::IcmpMessage));
        if (!ours) continue;
        Verdict v = judgeIcmpMessage(datagram.bytes(), datagram.size(), datagram.sender(), *ours);
        if (v.what == Kind::Ignore) continue;
        v.ttl = static_cast<uint8_t>(datagram.ttl());
        Answer answer{ours->sequence, {v.status, 0, v.from, 0}, readTime.of(datagram.stamp()), {}};
        if (v.what == Kind::Reply) answer.result.ttl = v.ttl;
        answered(answer);
    }
}

void EchoSocket::discardWaiting()
{
    receive({}, [](const Answer&) {});
}

bool EchoSocket::wait(Clock::time_point until, Clock::duration early, bool forRoom, int extraFd, Readiness& ready)
{
    ready = {};
    pollfd fds[3] = {{m_helperGone ? -1 : m_socketFd, static_cast<short>(POLLIN | (forRoom ? POLLOUT : 0)), 0},
                     {m_wakeFd, POLLIN, 0},
                     {extraFd, POLLIN, 0}};  // a negative descriptor is left out
    timespec timeout{};
    if (until != Clock::time_point::max()) timeout = timespecOf(until - early - Clock::now());
    if (ppoll(fds, 3, until == Clock::time_point::max() ? nullptr : &timeout, nullptr) < 0) {
        if (errno == EINTR) return true;
        const int error = errno;
        qCWarning(lcNet, "waiting on the echo socket failed: %s", std::strerror(error));
        errno = error;
        return false;
    }
    ready.readable = (fds[0].revents & (POLLIN | POLLERR)) != 0;
    ready.writable = (fds[0].revents & POLLOUT) != 0;
    return true;
}

EchoResult EchoSocket::echo(uint32_t destination, int ttl, std::chrono::milliseconds timeout)
{
    const TimerSlackScope fineTimers;
    if (m_aborted) return {EchoStatus::Aborted};
    if (const int error = setTtl(ttl); error != 0) return resultOfErrno(error);
    discardWaiting();

    const uint16_t sequence = nextSequence();
    // The send counts against the time-out too. Requests to neighbours that
    // do not answer wait in the kernel for their address resolution (some
    // seconds) and hold the socket's send buffer meanwhile; a blocking send
    // would then wait for them far beyond the time-out.
    const Clock::time_point deadline = Clock::now() + std::max(timeout, std::chrono::milliseconds::zero());
    Clock::time_point sent;
    Readiness ready;
    for (;;) {
        sent = Clock::now();
        const int error = send(destination, sequence);
        // Timed from when the send returned, as a sweep's requests are.
        if (error == 0) {
            sent = Clock::now();
            break;
        }
        if (error != EAGAIN) return resultOfErrno(error);
        if (sent >= deadline) return {EchoStatus::TimedOut};
        if (!wait(deadline, Clock::duration::zero(), true, -1, ready)) return resultOfErrno(errno);
        if (m_aborted) return {EchoStatus::Aborted};
        // Errors of the earlier requests that freed the room belong to them.
        discardWaiting();
    }

    std::optional<EchoResult> found;
    bool late = false;
    const auto waiting = [&](uint16_t s) { return s == sequence && !found ? std::optional(destination) : std::nullopt; };
    const auto answered = [&](const Answer& answer) {
        if (const auto result = judgedInTime(answer, sent, timeout))
            found = result;
        else
            late = true;
    };
    for (;;) {
        // The last stretch is polled without sleeping: a sleeping thread wakes
        // late on virtual machines, which would stretch a short time-out, and
        // so every silent address of a scan.
        const bool last = Clock::now() >= deadline || late;
        if (!wait(deadline, TailPoll, false, -1, ready)) return resultOfErrno(errno);
        if (m_aborted) return {EchoStatus::Aborted};
        if (ready.readable) receive(waiting, answered);
        // An answer that came in time may still be in the helper's relay.
        if (last && !found && !late && m_socketKind == EchoSocketKind::Raw) syncRelay(waiting, answered);
        if (found) return *found;
        if (last) return {EchoStatus::TimedOut};
    }
}
