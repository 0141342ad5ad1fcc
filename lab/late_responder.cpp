// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Answers echo requests to one address after a fixed delay, for a lab host
// whose kernel ignores echoes:  late_responder ADDRESS DELAY_MS
// Replies wait in a queue, so a slow one never holds back the next. Runs until
// killed.
#include <arpa/inet.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {

constexpr size_t MaxQueued = 10000;

struct Pending {
    int64_t DueNs;
    sockaddr_in To;
    std::vector<uint8_t> Message;  // ICMP echo reply
};

int64_t NowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

uint16_t Checksum(const uint8_t* p, size_t n)
{
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 1 < n; i += 2) sum += static_cast<uint32_t>(p[i] << 8 | p[i + 1]);
    if (i < n) sum += static_cast<uint32_t>(p[i]) << 8;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

// The reply to a whole IPv4 packet when it is a sound echo request to
// address; false otherwise.
bool ReplyTo(const uint8_t* p, size_t n, uint32_t address, sockaddr_in& to, std::vector<uint8_t>& reply)
{
    if (n < 20 || p[0] >> 4 != 4) return false;
    const size_t headerSize = static_cast<size_t>(p[0] & 0x0F) * 4;
    const size_t total = static_cast<size_t>(p[2] << 8 | p[3]);
    if (headerSize < 20 || total < headerSize + 8 || total > n || p[9] != IPPROTO_ICMP) return false;
    uint32_t destination = 0;
    std::memcpy(&destination, p + 16, 4);
    if (destination != address) return false;
    const uint8_t* icmp = p + headerSize;
    const size_t icmpSize = total - headerSize;
    if (icmp[0] != ICMP_ECHO || icmp[1] != 0 || Checksum(icmp, icmpSize) != 0) return false;
    to = {};
    to.sin_family = AF_INET;
    std::memcpy(&to.sin_addr.s_addr, p + 12, 4);
    // Same identifier, sequence and data; a new type and checksum.
    uint8_t header[4] = {ICMP_ECHOREPLY, 0, 0, 0};
    reply.assign(header, header + 4);
    reply.insert(reply.end(), icmp + 4, icmp + icmpSize);
    const uint16_t sum = Checksum(reply.data(), reply.size());
    header[2] = static_cast<uint8_t>(sum >> 8);
    header[3] = static_cast<uint8_t>(sum);
    std::copy(header, header + 4, reply.begin());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    in_addr address{};
    if (argc != 3 || inet_pton(AF_INET, argv[1], &address) != 1) {
        std::fprintf(stderr, "usage: late_responder ADDRESS DELAY_MS\n");
        return 2;
    }
    const int64_t delayNs = std::strtoll(argv[2], nullptr, 10) * 1'000'000;

    const int s = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (s < 0) {
        std::perror("late_responder: raw socket");
        return 1;
    }
    icmp_filter filter{};
    filter.data = ~(1u << ICMP_ECHO);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr = address;
    if (setsockopt(s, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) != 0 ||
        bind(s, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0) {
        std::perror("late_responder: socket set-up");
        return 1;
    }

    std::deque<Pending> queue;  // the delay is fixed, so arrival order is due order
    std::vector<uint8_t> buffer(65536);
    for (;;) {
        int waitMs = -1;
        if (!queue.empty()) {
            const int64_t left = queue.front().DueNs - NowNs();
            waitMs = left <= 0 ? 0 : static_cast<int>((left + 999'999) / 1'000'000);
        }
        pollfd fd{s, POLLIN, 0};
        const int ready = poll(&fd, 1, waitMs);
        if (ready < 0 && errno != EINTR) {
            std::perror("late_responder: poll");
            return 1;
        }
        if (ready > 0) {
            for (;;) {
                const ssize_t n = recv(s, buffer.data(), buffer.size(), MSG_DONTWAIT);
                if (n < 0) break;
                Pending p{NowNs() + delayNs, {}, {}};
                if (queue.size() < MaxQueued && ReplyTo(buffer.data(), static_cast<size_t>(n), address.s_addr, p.To, p.Message))
                    queue.push_back(std::move(p));
            }
        }
        const int64_t now = NowNs();
        while (!queue.empty() && queue.front().DueNs <= now) {
            const Pending& p = queue.front();
            sendto(s, p.Message.data(), p.Message.size(), 0, reinterpret_cast<const sockaddr*>(&p.To), sizeof p.To);
            queue.pop_front();
        }
    }
}
