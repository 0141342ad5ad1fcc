// The ICMP echo service on Linux sockets. Each handle owns one ICMP socket
// and one eventfd that IcmpAbort signals, so a blocked wait ends at once.
#include "net/IcmpService.h"

#include "net/IcmpPacket.h"

#include <time.h>  // before linux/errqueue.h, which needs timespec

#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

namespace {

thread_local uint32_t LastError = 0;

// Windows socket numbers for the failures that have one.
uint32_t StatusOfErrno(int error) noexcept
{
    switch (error) {
    case ENETUNREACH: return IP_DEST_NET_UNREACHABLE;
    case EHOSTUNREACH: return IP_DEST_HOST_UNREACHABLE;
    case ECONNREFUSED: return IP_DEST_PORT_UNREACHABLE;
    case EMSGSIZE: return IP_PACKET_TOO_BIG;
    case ENOBUFS:
    case ENOMEM: return IP_NO_RESOURCES;
    case EINVAL: return IP_BAD_REQ;
    case EACCES:
    case EPERM: return 10013;            // WSAEACCES
    case EMFILE:
    case ENFILE: return 10024;           // WSAEMFILE
    case EPROTONOSUPPORT: return 10043;  // WSAEPROTONOSUPPORT
    case EAFNOSUPPORT: return 10047;     // WSAEAFNOSUPPORT
    default: return IP_GENERAL_FAILURE;
    }
}

struct Channel {
    int Socket = -1;
    int Wake = -1;  // eventfd, readable once the handle is aborted
    IcmpSocketKind Kind = IcmpSocketKind::Datagram;
    uint16_t Identifier = 0;
    uint16_t Sequence = 0;  // of the last request sent
    std::atomic<bool> Aborted{false};

    Channel() = default;
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;
    ~Channel()
    {
        if (Socket >= 0) close(Socket);
        if (Wake >= 0) close(Wake);
    }

    void Abort() noexcept
    {
        Aborted = true;
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(Wake, &one, sizeof one);
    }
};

// Handles are small numbers looked up here, so a stale or foreign handle
// finds nothing instead of freed memory, and a channel lives on until a
// call that still uses it returns.
struct Registry {
    std::mutex Mutex;
    std::map<IcmpHandle, std::shared_ptr<Channel>> Channels;
    IcmpHandle Next = 1;
};

Registry& Handles()
{
    static Registry registry;
    return registry;
}

std::shared_ptr<Channel> Find(IcmpHandle handle)
{
    Registry& r = Handles();
    std::lock_guard lock(r.Mutex);
    const auto it = r.Channels.find(handle);
    return it == r.Channels.end() ? nullptr : it->second;
}

// Raw sockets see every program's echoes; each handle gets its own
// identifier so that ours can be told apart.
uint16_t NewRawIdentifier()
{
    static std::mutex mutex;
    static std::mt19937 random{std::random_device{}()};
    std::lock_guard lock(mutex);
    return static_cast<uint16_t>(random());
}

int64_t MonotonicNs() noexcept
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

IcmpHandle Open(IcmpSocketKind kind, int& error) noexcept
{
    try {
        auto channel = std::make_shared<Channel>();
        channel->Kind = kind;
        const int type = kind == IcmpSocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW;
        channel->Socket = socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (channel->Socket < 0) {
            error = errno;
            return INVALID_ICMP_HANDLE;
        }
        channel->Wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (channel->Wake < 0) {
            error = errno;
            return INVALID_ICMP_HANDLE;
        }
        const int on = 1;
        if (kind == IcmpSocketKind::Datagram) {
            // ICMP errors of a datagram socket arrive on its error queue only.
            setsockopt(channel->Socket, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
            setsockopt(channel->Socket, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
            setsockopt(channel->Socket, IPPROTO_IP, IP_RECVTOS, &on, sizeof on);
            // Binding to port 0 makes the kernel choose the identifier now.
            sockaddr_in any{};
            any.sin_family = AF_INET;
            socklen_t length = sizeof any;
            if (bind(channel->Socket, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
                getsockname(channel->Socket, reinterpret_cast<sockaddr*>(&any), &length) != 0) {
                error = errno;
                return INVALID_ICMP_HANDLE;
            }
            channel->Identifier = ntohs(any.sin_port);
        } else {
            icmp_filter filter{};
            filter.data = ~((1u << IcmpPacket::TypeEchoReply) | (1u << IcmpPacket::TypeDestUnreachable) |
                            (1u << IcmpPacket::TypeSourceQuench) | (1u << IcmpPacket::TypeTimeExceeded) |
                            (1u << IcmpPacket::TypeParameterProblem));
            if (setsockopt(channel->Socket, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) != 0) {
                error = errno;
                return INVALID_ICMP_HANDLE;
            }
            channel->Identifier = NewRawIdentifier();
        }
        Registry& r = Handles();
        std::lock_guard lock(r.Mutex);
        const IcmpHandle handle = r.Next++;
        r.Channels.emplace(handle, std::move(channel));
        return handle;
    } catch (...) {
        error = ENOMEM;
        return INVALID_ICMP_HANDLE;
    }
}

struct Outcome {
    bool Done = false;
    bool Replied = false;
    uint32_t Status = 0;
    uint32_t From = 0;
};

constexpr size_t ReceiveBufferSize = 65536;
constexpr size_t ControlBufferSize = 512;

// One datagram to receive into buffer, with its sender and control messages.
struct Message {
    explicit Message(std::vector<uint8_t>& buffer) : Io{buffer.data(), buffer.size()}
    {
        Header.msg_name = &From;
        Header.msg_namelen = sizeof From;
        Header.msg_iov = &Io;
        Header.msg_iovlen = 1;
        Header.msg_control = Control;
        Header.msg_controllen = sizeof Control;
    }
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

    sockaddr_in From{};
    iovec Io;
    msghdr Header{};
    alignas(cmsghdr) uint8_t Control[ControlBufferSize];
};

// Reads what the datagram socket's error queue holds; an error that quotes
// this request ends it, anything else (errors of earlier requests) is dropped.
Outcome ReadErrorQueue(const Channel& channel, const IcmpPacket::Expected* expected, std::vector<uint8_t>& buffer)
{
    Outcome outcome;
    for (int guard = 0; guard < 1000; ++guard) {
        Message message(buffer);
        sockaddr_in& original = message.From;
        msghdr& msg = message.Header;
        const ssize_t n = recvmsg(channel.Socket, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (expected == nullptr || outcome.Done) continue;
        const sock_extended_err* ee = nullptr;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c))
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR)
                ee = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
        if (ee == nullptr) continue;
        if (!IcmpPacket::QuotesRequest(buffer.data(), static_cast<size_t>(n), original.sin_addr.s_addr,
                                       *expected))
            continue;
        outcome.Done = true;
        if (ee->ee_origin == SO_EE_ORIGIN_ICMP) {
            outcome.Status = IcmpPacket::StatusOfError(ee->ee_type, ee->ee_code);
            const auto* offender = reinterpret_cast<const sockaddr_in*>(SO_EE_OFFENDER(ee));
            if (offender->sin_family == AF_INET) outcome.From = offender->sin_addr.s_addr;
        } else {
            outcome.Status = StatusOfErrno(static_cast<int>(ee->ee_errno));
        }
    }
    // Reading the queue does not reset the pending error that came with it.
    int pending = 0;
    socklen_t length = sizeof pending;
    getsockopt(channel.Socket, SOL_SOCKET, SO_ERROR, &pending, &length);
    return outcome;
}

struct Received {
    IcmpPacket::Verdict Verdict;
    const uint8_t* Data = nullptr;
};

// Reads every packet waiting on the socket until one belongs to this request.
bool ReadPackets(const Channel& channel, const IcmpPacket::Expected* expected, std::vector<uint8_t>& buffer,
                 Received& received)
{
    for (int guard = 0; guard < 1000; ++guard) {
        Message message(buffer);
        const sockaddr_in& from = message.From;
        msghdr& msg = message.Header;
        const ssize_t n = recvmsg(channel.Socket, &msg, MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) continue;
            // EAGAIN: nothing more. Anything else is a pending error of an
            // earlier request reported once; the error queue tells more.
            if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
            continue;
        }
        if (expected == nullptr || (msg.msg_flags & MSG_TRUNC) != 0) continue;
        const size_t size = static_cast<size_t>(n);
        IcmpPacket::Verdict v;
        if (channel.Kind == IcmpSocketKind::Raw) {
            v = IcmpPacket::JudgeIpPacket(buffer.data(), size, *expected);
        } else {
            v = IcmpPacket::JudgeIcmpMessage(buffer.data(), size, from.sin_addr.s_addr, *expected);
            for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
                if (c->cmsg_level != IPPROTO_IP) continue;
                if (c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
                    int ttl = 0;
                    std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
                    v.Ttl = static_cast<uint8_t>(ttl);
                } else if (c->cmsg_type == IP_TOS && c->cmsg_len >= CMSG_LEN(1)) {
                    v.Tos = *CMSG_DATA(c);
                }
            }
        }
        if (v.What == IcmpPacket::Kind::Ignore) continue;
        received.Verdict = v;
        received.Data = buffer.data() + v.DataOffset;
        return true;
    }
    return false;
}

void Discard(const Channel& channel, std::vector<uint8_t>& buffer)
{
    Received unused;
    ReadPackets(channel, nullptr, buffer, unused);
    ReadErrorQueue(channel, nullptr, buffer);
}

uint32_t Finish(uint32_t status, uint32_t count, TEchoReply& record, void* replyBuffer)
{
    record.Status = status;
    std::memcpy(replyBuffer, &record, sizeof record);
    LastError = status;
    return count;
}

// How long before the time-out the wait stops sleeping (see SendEcho).
constexpr int64_t TailPollNs = 150'000;

uint32_t SendEcho(Channel& channel, uint32_t destination, const void* requestData, uint16_t requestSize,
                  const IP_OPTION_INFORMATION* options, void* replyBuffer, uint32_t replyBufferSize,
                  uint32_t timeoutMs)
{
    TEchoReply record{};
    if (channel.Aborted) return Finish(ICMP_ABORTED, 0, record, replyBuffer);

    // The system default time to live when no option record is given. Linux
    // cannot send a time to live of 0.
    int ttl = -1;
    int tos = 0;
    if (options != nullptr) {
        if (options->Ttl == 0) return Finish(IP_BAD_OPTION, 0, record, replyBuffer);
        ttl = options->Ttl;
        tos = options->Tos;
    }
    if (setsockopt(channel.Socket, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0 ||
        setsockopt(channel.Socket, IPPROTO_IP, IP_TOS, &tos, sizeof tos) != 0)
        return Finish(StatusOfErrno(errno), 0, record, replyBuffer);

    // One per thread: clearing 64 KiB at every echo showed in a scan's time.
    thread_local std::vector<uint8_t> buffer(ReceiveBufferSize);
    // Whatever earlier requests left behind (late replies, errors, a pending
    // socket error) must not touch this one.
    Discard(channel, buffer);

    const uint16_t sequence = ++channel.Sequence;
    const IcmpPacket::Expected expected{destination, channel.Identifier, sequence};
    const std::vector<uint8_t> packet =
        IcmpPacket::BuildEchoRequest(channel.Identifier, sequence, requestData, requestSize);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination;

    // The send counts against the time-out too. Requests to neighbours that
    // do not answer wait in the kernel for their address resolution (some
    // seconds) and hold the socket's send buffer meanwhile; a blocking send
    // would then wait for them far beyond the time-out.
    const int64_t deadline = MonotonicNs() + int64_t{timeoutMs} * 1'000'000;
    int64_t sent = 0;
    for (;;) {
        sent = MonotonicNs();
        const ssize_t n = sendto(channel.Socket, packet.data(), packet.size(), MSG_DONTWAIT,
                                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (n >= 0) break;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return Finish(StatusOfErrno(errno), 0, record, replyBuffer);
        const int64_t remaining = deadline - sent;
        if (remaining <= 0) return Finish(IP_REQ_TIMED_OUT, 0, record, replyBuffer);
        const timespec wait{static_cast<time_t>(remaining / 1'000'000'000), static_cast<long>(remaining % 1'000'000'000)};
        pollfd fds[2] = {{channel.Socket, POLLOUT, 0}, {channel.Wake, POLLIN, 0}};
        if (ppoll(fds, 2, &wait, nullptr) < 0 && errno != EINTR)
            return Finish(StatusOfErrno(errno), 0, record, replyBuffer);
        if (channel.Aborted) return Finish(ICMP_ABORTED, 0, record, replyBuffer);
        // Errors of the earlier requests that freed the room belong to them.
        Discard(channel, buffer);
    }
    for (;;) {
        const int64_t remaining = deadline - MonotonicNs();
        const bool last = remaining <= 0;
        // The last stretch is polled without sleeping: a sleeping thread wakes
        // tens of microseconds late on virtual machines, which would stretch
        // a 1 ms time-out, and so every silent address of a scan, by 5 %.
        const int64_t sleep = remaining - TailPollNs;
        timespec wait{};
        if (sleep > 0) {
            wait.tv_sec = sleep / 1'000'000'000;
            wait.tv_nsec = sleep % 1'000'000'000;
        }
        pollfd fds[2] = {{channel.Socket, POLLIN, 0}, {channel.Wake, POLLIN, 0}};
        const int ready = ppoll(fds, 2, &wait, nullptr);
        if (ready < 0 && errno != EINTR) return Finish(StatusOfErrno(errno), 0, record, replyBuffer);
        if (channel.Aborted) return Finish(ICMP_ABORTED, 0, record, replyBuffer);

        if (ready > 0 && (fds[0].revents & POLLERR) != 0) {
            const Outcome error = ReadErrorQueue(channel, &expected, buffer);
            if (error.Done) {
                record.Address = error.From;
                return Finish(error.Status, 0, record, replyBuffer);
            }
        }
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            Received got;
            if (ReadPackets(channel, &expected, buffer, got)) {
                const int64_t elapsed = MonotonicNs() - sent;
                record.Address = got.Verdict.From;
                if (got.Verdict.What == IcmpPacket::Kind::Error) return Finish(got.Verdict.Status, 0, record, replyBuffer);
                const size_t room = replyBufferSize - sizeof(TEchoReply);
                const size_t copied = std::min({got.Verdict.DataSize, room, size_t{0xFFFF}});
                record.RoundTripTime = static_cast<uint32_t>(elapsed / 1'000'000);
                record.DataSize = static_cast<uint16_t>(copied);
                record.Options.Ttl = got.Verdict.Ttl;
                record.Options.Tos = got.Verdict.Tos;
                if (copied > 0) std::memcpy(static_cast<uint8_t*>(replyBuffer) + sizeof(TEchoReply), got.Data, copied);
                return Finish(IP_SUCCESS, 1, record, replyBuffer);
            }
        }
        if (last) return Finish(IP_REQ_TIMED_OUT, 0, record, replyBuffer);
    }
}

} // namespace

IcmpHandle IcmpCreateFileOfKind(IcmpSocketKind kind) noexcept
{
    int error = 0;
    const IcmpHandle handle = Open(kind, error);
    LastError = handle == INVALID_ICMP_HANDLE ? StatusOfErrno(error) : 0;
    return handle;
}

IcmpHandle IcmpCreateFile() noexcept
{
    int error = 0;
    IcmpHandle handle = Open(IcmpSocketKind::Datagram, error);
    // No ping socket for our group (net.ipv4.ping_group_range) or none in
    // this kernel: a raw socket needs CAP_NET_RAW instead.
    if (handle == INVALID_ICMP_HANDLE &&
        (error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == EAFNOSUPPORT))
        handle = Open(IcmpSocketKind::Raw, error);
    LastError = handle == INVALID_ICMP_HANDLE ? StatusOfErrno(error) : 0;
    return handle;
}

uint32_t IcmpSendEcho(IcmpHandle handle, uint32_t destination, const void* requestData, uint16_t requestSize,
                      const IP_OPTION_INFORMATION* options, void* replyBuffer, uint32_t replyBufferSize,
                      uint32_t timeoutMs) noexcept
{
    // Time-outs of a few milliseconds should not grow by the default 50 us
    // slack of every wake-up.
    thread_local const bool slackSet = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    (void)slackSet;

    const std::shared_ptr<Channel> channel = Find(handle);
    if (!channel) {
        LastError = IP_GENERAL_FAILURE;
        return 0;
    }
    if (replyBuffer == nullptr || replyBufferSize < sizeof(TEchoReply)) {
        LastError = IP_BUF_TOO_SMALL;
        return 0;
    }
    try {
        return SendEcho(*channel, destination, requestData, requestSize, options, replyBuffer, replyBufferSize,
                        timeoutMs);
    } catch (...) {  // allocation failure
        LastError = IP_NO_RESOURCES;
        return 0;
    }
}

void IcmpCloseHandle(IcmpHandle handle) noexcept
{
    std::shared_ptr<Channel> channel;
    {
        Registry& r = Handles();
        std::lock_guard lock(r.Mutex);
        const auto it = r.Channels.find(handle);
        if (it == r.Channels.end()) return;
        channel = std::move(it->second);
        r.Channels.erase(it);
    }
    // A call still blocked on it ends now; the socket closes when it returns.
    channel->Abort();
}

void IcmpAbort(IcmpHandle handle) noexcept
{
    if (const auto channel = Find(handle)) channel->Abort();
}

uint32_t GetIcmpLastError() noexcept { return LastError; }

bool IcmpHandleKind(IcmpHandle handle, IcmpSocketKind& kind) noexcept
{
    const auto channel = Find(handle);
    if (channel) kind = channel->Kind;
    return channel != nullptr;
}

bool IcmpHandleIdentifier(IcmpHandle handle, uint16_t& identifier) noexcept
{
    const auto channel = Find(handle);
    if (channel) identifier = channel->Identifier;
    return channel != nullptr;
}
