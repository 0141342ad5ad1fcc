// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A plain NETLINK_ROUTE socket: an RTM_GETNEIGH dump needs no capability
// (the kernel checks CAP_NET_ADMIN only for changes).
#include "net/NeighbourTable.h"

#include "net/Log.h"

#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

using std::chrono::milliseconds;

namespace {

// The kernel fills a dump's datagrams up to 32 KiB; a bigger buffer never truncates one.
constexpr size_t ReceiveBufferSize = 65536;
// A dump that changed under way is read again, this often at most.
constexpr int DumpAttempts = 3;

NeighbourState stateOf(uint16_t nud) noexcept
{
    switch (nud) {
    case NUD_INCOMPLETE: return NeighbourState::Incomplete;
    case NUD_REACHABLE: return NeighbourState::Reachable;
    case NUD_STALE: return NeighbourState::Stale;
    case NUD_DELAY: return NeighbourState::Delay;
    case NUD_PROBE: return NeighbourState::Probe;
    case NUD_FAILED: return NeighbourState::Failed;
    case NUD_NOARP: return NeighbourState::NoArp;
    case NUD_PERMANENT: return NeighbourState::Permanent;
    default: return NeighbourState::None;
    }
}

milliseconds ageOf(uint32_t ticks, long ticksPerSecond) noexcept
{
    return milliseconds(static_cast<int64_t>(ticks) * 1000 / std::max(ticksPerSecond, 1L));
}

// The entry in one RTM_NEWNEIGH payload; none for another family or without an address.
std::optional<NeighbourEntry> entryOf(const uint8_t* payload, size_t size, long ticksPerSecond)
{
    ndmsg header{};
    if (size < sizeof header) return std::nullopt;
    std::memcpy(&header, payload, sizeof header);
    if (header.ndm_family != AF_INET) return std::nullopt;
    NeighbourEntry entry;
    entry.interfaceIndex = header.ndm_ifindex;
    entry.state = stateOf(header.ndm_state);
    bool hasAddress = false;
    for (size_t at = NLMSG_ALIGN(sizeof header); at + sizeof(rtattr) <= size;) {
        rtattr attribute{};
        std::memcpy(&attribute, payload + at, sizeof attribute);
        if (attribute.rta_len < sizeof attribute || attribute.rta_len > size - at) break;
        const uint8_t* data = payload + at + RTA_LENGTH(0);
        const size_t length = attribute.rta_len - RTA_LENGTH(0);
        switch (attribute.rta_type & NLA_TYPE_MASK) {
        case NDA_DST:
            if (length == sizeof entry.address) {
                std::memcpy(&entry.address, data, length);
                hasAddress = true;
            }
            break;
        case NDA_LLADDR:
            if (MacAddress mac{}; length == mac.size()) {
                std::memcpy(mac.data(), data, mac.size());
                entry.mac = mac;
            }
            break;
        case NDA_CACHEINFO:
            if (nda_cacheinfo info{}; length >= sizeof info) {
                std::memcpy(&info, data, sizeof info);
                entry.confirmedAge = ageOf(info.ndm_confirmed, ticksPerSecond);
                entry.updatedAge = ageOf(info.ndm_updated, ticksPerSecond);
            }
            break;
        default: break;
        }
        at += RTA_ALIGN(attribute.rta_len);
    }
    if (!hasAddress) return std::nullopt;
    return entry;
}

int readSysctl(const std::string& path, int fallback)
{
    std::ifstream file(path);
    long value = 0;
    if (!(file >> value) || value < 0 || value > 1'000'000'000) {
        qCDebug(lcNet) << "cannot read" << path.c_str() << "- taking" << fallback;
        return fallback;
    }
    return static_cast<int>(value);
}

} // namespace

milliseconds NeighbourTimings::longestReachable() const
{
    return baseReachable * 3 / 2;
}

milliseconds NeighbourTimings::longestResolution() const
{
    const milliseconds unknown = (multicastProbes + applicationProbes) * retransmit;
    const milliseconds stale = delayFirstProbe + (unicastProbes + applicationProbes + multicastReprobes) * retransmit;
    return std::max(unknown, stale);
}

NeighbourTable::NeighbourTable() : m_receiveBuffer(ReceiveBufferSize)
{
    m_ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (m_ticksPerSecond <= 0) m_ticksPerSecond = 100;  // USER_HZ on every architecture Debian builds for
    m_socketFd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (m_socketFd < 0) {
        m_openError = std::string("cannot open a netlink socket: ") + std::strerror(errno);
        qCWarning(lcNet) << m_openError.c_str();
        return;
    }
    // A kernel that never answers must not hold the caller for good.
    const timeval wait{1, 0};
    if (setsockopt(m_socketFd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) != 0)
        qCWarning(lcNet) << "netlink socket without receive time-out:" << std::strerror(errno);
}

NeighbourTable::~NeighbourTable()
{
    if (m_socketFd >= 0) close(m_socketFd);
}

std::optional<std::vector<NeighbourEntry>> NeighbourTable::read(std::string& why)
{
    if (m_socketFd < 0) {
        why = m_openError;
        return std::nullopt;
    }
    for (int attempt = 1; attempt <= DumpAttempts; ++attempt) {
        struct {
            nlmsghdr header;
            ndmsg body;
        } request{};
        request.header.nlmsg_len = sizeof request;
        request.header.nlmsg_type = RTM_GETNEIGH;
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.header.nlmsg_seq = ++m_sequence;
        request.body.ndm_family = AF_INET;
        if (send(m_socketFd, &request, sizeof request, 0) != static_cast<ssize_t>(sizeof request)) {
            why = std::string("cannot ask for the neighbour table: ") + std::strerror(errno);
            return std::nullopt;
        }
        std::vector<NeighbourEntry> entries;
        DumpProgress progress = DumpProgress::More;
        while (progress == DumpProgress::More) {
            iovec io{m_receiveBuffer.data(), m_receiveBuffer.size()};
            msghdr message{};
            message.msg_iov = &io;
            message.msg_iovlen = 1;
            const ssize_t n = recvmsg(m_socketFd, &message, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                why = std::string("cannot read the neighbour table: ") + std::strerror(errno);
                return std::nullopt;
            }
            if ((message.msg_flags & MSG_TRUNC) != 0) {
                why = "a datagram of the neighbour table did not fit the buffer";
                return std::nullopt;
            }
            progress = parseDumpPart(m_receiveBuffer.data(), static_cast<size_t>(n), m_sequence, m_ticksPerSecond,
                                     entries, why);
        }
        if (progress == DumpProgress::Failed) return std::nullopt;
        if (progress == DumpProgress::Done || attempt == DumpAttempts) {
            if (progress == DumpProgress::Interrupted)
                qCInfo(lcNet) << "the neighbour table kept changing while read; taking the last reading";
            return entries;
        }
    }
    return std::nullopt;  // not reached
}

NeighbourTable::DumpProgress NeighbourTable::parseDumpPart(const uint8_t* bytes, size_t size, uint32_t sequence,
                                                           long ticksPerSecond, std::vector<NeighbourEntry>& entries,
                                                           std::string& why)
{
    for (size_t at = 0; at + sizeof(nlmsghdr) <= size;) {
        nlmsghdr header{};
        std::memcpy(&header, bytes + at, sizeof header);
        if (header.nlmsg_len < sizeof header || header.nlmsg_len > size - at) {
            qCDebug(lcNet) << "a neighbour table message cut short at byte" << at;
            break;
        }
        const uint8_t* payload = bytes + at + NLMSG_HDRLEN;
        const size_t length = header.nlmsg_len - std::min<size_t>(header.nlmsg_len, NLMSG_HDRLEN);
        at += NLMSG_ALIGN(header.nlmsg_len);
        if (header.nlmsg_seq != sequence) continue;
        int error = 0;
        switch (header.nlmsg_type) {
        case NLMSG_DONE:
        case NLMSG_ERROR:
            // Both carry an errno (negative), the error first in its nlmsgerr.
            if (length >= sizeof error) std::memcpy(&error, payload, sizeof error);
            if (error != 0 || (header.nlmsg_type == NLMSG_ERROR && length < sizeof error)) {
                why = std::string("the kernel refused the neighbour table: ") + std::strerror(error < 0 ? -error : EIO);
                return DumpProgress::Failed;
            }
            if (header.nlmsg_type == NLMSG_ERROR) continue;  // an acknowledgement
            return (header.nlmsg_flags & NLM_F_DUMP_INTR) != 0 ? DumpProgress::Interrupted : DumpProgress::Done;
        case RTM_NEWNEIGH:
            if (auto entry = entryOf(payload, length, ticksPerSecond)) entries.push_back(*entry);
            break;
        default: break;
        }
    }
    return DumpProgress::More;
}

NeighbourTimings NeighbourTable::timingsOf(const std::string& device)
{
    NeighbourTimings t;
    if (device.empty() || device == "." || device == ".." || device.find('/') != std::string::npos) return t;
    const std::string folder = "/proc/sys/net/ipv4/neigh/" + device + "/";
    t.baseReachable = milliseconds(readSysctl(folder + "base_reachable_time_ms", int(t.baseReachable.count())));
    t.delayFirstProbe = std::chrono::seconds(readSysctl(folder + "delay_first_probe_time", 5));
    t.retransmit = milliseconds(readSysctl(folder + "retrans_time_ms", int(t.retransmit.count())));
    t.unicastProbes = readSysctl(folder + "ucast_solicit", t.unicastProbes);
    t.multicastProbes = readSysctl(folder + "mcast_solicit", t.multicastProbes);
    t.applicationProbes = readSysctl(folder + "app_solicit", t.applicationProbes);
    t.multicastReprobes = readSysctl(folder + "mcast_resolicit", t.multicastReprobes);
    return t;
}
