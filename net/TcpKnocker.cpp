// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The knocks live in a queue in the order they went out: every knock has the
// same time-out, so they expire from its front. epoll names a knock by its
// serial number, which finds it by its distance from the queue's first.
#include "net/TcpKnocker.h"

#include "net/Log.h"
#include "net/TimerSlackScope.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr uint64_t WakeTag = UINT64_MAX;
constexpr int EventsPerWait = 256;

struct Knock {
    int fd = -1;         // -1 once answered, expired or given up
    size_t address = 0;  // its index in the run's addresses
    uint16_t port = 0;
    Clock::time_point sent;
};

struct AddressState {
    int waiting = 0;  // its knocks still in flight
    std::vector<uint16_t> answered;  // in the order they answered
    std::vector<uint16_t> open;
};

// Waits for the epoll set until the time point (or not at all when it has passed), at nanosecond precision where
// the kernel has epoll_pwait2 (5.11), else rounded up to a millisecond.
int waitUntil(int epoll, epoll_event* events, Clock::time_point until)
{
    const auto left = std::max(until - Clock::now(), Clock::duration::zero());
    if (until == Clock::time_point::max()) return epoll_wait(epoll, events, EventsPerWait, -1);
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    const timespec timeout{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
    const int n = epoll_pwait2(epoll, events, EventsPerWait, &timeout, nullptr);
    if (n >= 0 || errno != ENOSYS) return n;
    return epoll_wait(epoll, events, EventsPerWait, static_cast<int>((ns + 999'999) / 1'000'000));
}

} // namespace

size_t TcpKnocker::socketBound(std::string& note)
{
    note.clear();
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        note = std::string("the descriptor limit cannot be read (") + std::strerror(errno) + ")";
        return 64;
    }
    const rlim_t wanted = PreferredSocketBound + ReservedDescriptors;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        // Raising the soft limit up to the hard one needs no privilege; the program polls, it never uses select().
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min<rlim_t>(wanted, limit.rlim_max);
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= wanted) return PreferredSocketBound;
    const size_t bound = limit.rlim_cur > ReservedDescriptors + 16 ? limit.rlim_cur - ReservedDescriptors : 16;
    note = "the descriptor limit (" + std::to_string(limit.rlim_cur) + ", ulimit -n) holds " + std::to_string(bound) +
           " TCP knocks in flight, not " + std::to_string(PreferredSocketBound) + ": a large range may take longer";
    return bound;
}

TcpKnocker::TcpKnocker(KnockSettings settings) : m_settings(std::move(settings))
{
    m_settings.interval = std::clamp<std::chrono::microseconds>(m_settings.interval, 1us, 1s);
    m_settings.timeout = std::max(m_settings.timeout, 1ms);
    if (m_settings.socketBound == 0) {
        std::string note;
        m_settings.socketBound = socketBound(note);
        if (!note.empty()) qCWarning(lcNet, "%s", note.c_str());
    }
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_epoll < 0 || m_wakeFd < 0) {
        qCWarning(lcNet, "no epoll set or eventfd for TCP knocks, none is sent: %s", std::strerror(errno));
        return;
    }
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.u64 = WakeTag;
    if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wakeFd, &wake) != 0)
        qCWarning(lcNet, "interrupting TCP knocks falls back on their time-outs: %s", std::strerror(errno));
}

TcpKnocker::~TcpKnocker()
{
    if (m_epoll >= 0) close(m_epoll);
    if (m_wakeFd >= 0) close(m_wakeFd);
}

void TcpKnocker::interrupt() noexcept
{
    const uint64_t one = 1;
    if (m_wakeFd >= 0) [[maybe_unused]] const ssize_t n = write(m_wakeFd, &one, sizeof one);
}

std::vector<KnockResult> TcpKnocker::run(const std::vector<uint32_t>& addresses, const std::atomic<bool>& stop,
                                         const std::atomic<uint32_t>* askUpTo)
{
    std::vector<KnockResult> found;
    if (m_epoll < 0 || m_wakeFd < 0 || m_settings.ports.empty()) return found;
    const TimerSlackScope fineTimers;
    std::vector<AddressState> states(addresses.size());
    std::deque<Knock> knocks;
    uint64_t firstSerial = 0;  // of knocks.front()
    size_t open = 0;           // knocks with a socket
    size_t next = 0;           // the next address to knock on
    bool resourceSaid = false;
    const size_t perAddress = m_settings.ports.size();

    const auto finish = [&](Knock& knock, std::optional<int> error) {
        if (knock.fd < 0) return;
        close(knock.fd);  // also takes it out of the epoll set
        knock.fd = -1;
        --open;
        AddressState& state = states[knock.address];
        --state.waiting;
        if (!error || !provesPresent(*error)) return;
        state.answered.push_back(knock.port);
        if (*error == 0) state.open.push_back(knock.port);
        if (m_settings.openPorts) return;
        // Its presence is known: its other knocks would only hold sockets.
        for (Knock& other : knocks)
            if (other.address == knock.address && other.fd >= 0) {
                close(other.fd);
                other.fd = -1;
                --open;
                --state.waiting;
            }
    };
    const auto startKnock = [&](size_t index, uint16_t port) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            if (!resourceSaid) qCWarning(lcNet, "a TCP knock found no socket: %s", std::strerror(errno));
            resourceSaid = true;
            return;
        }
        // The lan preset's time to live of 1 keeps knocks on the link, as it does the echoes.
        (void)setsockopt(fd, IPPROTO_IP, IP_TTL, &m_settings.ttl, sizeof m_settings.ttl);
        // An accepted knock is closed at once with a RST, not a FIN: nothing is sent on it, and no TIME_WAIT
        // entry per open port piles up to hold local ports through a large range.
        const linger abort{1, 0};
        (void)setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = addresses[index];
        knocks.push_back({fd, index, port, Clock::now()});
        ++open;
        ++states[index].waiting;
        Knock& knock = knocks.back();
        if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS)
            return finish(knock, errno);  // refused or unreachable at once (loopback, no route)
        knock.sent = Clock::now();
        epoll_event event{};
        event.events = EPOLLOUT;
        event.data.u64 = firstSerial + knocks.size() - 1;
        if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event) != 0) {
            qCWarning(lcNet, "a TCP knock cannot be waited for: %s", std::strerror(errno));
            finish(knock, std::nullopt);
        }
    };

    const Clock::time_point start = Clock::now();
    Clock::time_point nextSend = start;
    epoll_event events[EventsPerWait];
    while (!stop) {
        const Clock::time_point now = Clock::now();
        while (!knocks.empty() && (knocks.front().fd < 0 || knocks.front().sent + m_settings.timeout <= now)) {
            finish(knocks.front(), std::nullopt);
            knocks.pop_front();
            ++firstSerial;
        }
        // An address left out keeps its turn, but is not waited for.
        while (m_settings.leaveOut && next < addresses.size() && m_settings.leaveOut(addresses[next]))
            nextSend = start + m_settings.interval * static_cast<long>(++next);
        const bool more = next < addresses.size() &&
                          (askUpTo == nullptr || ntohl(addresses[next]) <= askUpTo->load(std::memory_order_relaxed));
        const bool room = open == 0 || open + perAddress <= m_settings.socketBound;
        if (more && room && now >= nextSend) {
            for (const uint16_t port : m_settings.ports) startKnock(next, port);
            ++next;
            // Paced from the start, not from the last send: a thread that wakes late catches up, so that the
            // knocks keep up with the echoes, which correct their own wakes, and end when they do.
            nextSend = start + m_settings.interval * static_cast<long>(next);
            continue;
        }
        if (!more && knocks.empty()) break;
        Clock::time_point wake = more && room ? nextSend : Clock::time_point::max();
        if (!knocks.empty()) wake = std::min(wake, knocks.front().sent + m_settings.timeout);
        const int n = waitUntil(m_epoll, events, wake);
        if (n < 0 && errno != EINTR) {
            qCWarning(lcNet, "waiting for TCP knocks failed, the knocks end: %s", std::strerror(errno));
            break;
        }
        for (int i = 0; i < n; ++i) {
            const uint64_t serial = events[i].data.u64;
            if (serial == WakeTag) {
                uint64_t count = 0;
                [[maybe_unused]] const ssize_t r = read(m_wakeFd, &count, sizeof count);
                continue;
            }
            if (serial < firstSerial || serial - firstSerial >= knocks.size()) continue;
            Knock& knock = knocks[serial - firstSerial];
            if (knock.fd < 0) continue;
            int error = 0;
            socklen_t length = sizeof error;
            if (getsockopt(knock.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
            // SYN-ACK (0) or RST (refused): there; an ICMP error (unreachable among others): not there.
            finish(knock, error);
        }
    }
    for (Knock& knock : knocks) finish(knock, std::nullopt);
    for (size_t i = 0; i < states.size(); ++i) {
        const AddressState& state = states[i];
        if (state.answered.empty()) continue;
        const auto has = [](const std::vector<uint16_t>& list, uint16_t port) {
            return std::find(list.begin(), list.end(), port) != list.end();
        };
        KnockResult result{addresses[i], 0, {}};
        for (const uint16_t port : m_settings.ports) {
            if (result.answeredPort == 0 && has(state.answered, port)) result.answeredPort = port;
            if (m_settings.openPorts && has(state.open, port)) result.openPorts.push_back(port);
        }
        found.push_back(std::move(result));
    }
    return found;
}
