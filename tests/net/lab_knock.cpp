// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches TCP knocks that take an ICMP error, a dropped knock or a loopback port nobody listens on for the wrong
// thing, miss a refusal or an accepted connection, report open ports not asked for or not in the list's order, go
// beyond where the echoes stopped, hang past a stop, leak sockets, or a descriptor limit too low that is not lowered
// to and said.
#include "net/Ipv4.h"
#include "net/TcpKnocker.h"
#include "tests/Lab.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace {

uint32_t networkOrder(const std::string& address)
{
    in_addr parsed{};
    return inet_pton(AF_INET, address.c_str(), &parsed) == 1 ? parsed.s_addr : 0;
}

struct Found {
    std::string address;
    uint16_t answeredPort;
    std::vector<uint16_t> openPorts;
    bool operator==(const Found&) const = default;
};

std::vector<Found> knock(const std::vector<std::string>& to, KnockSettings settings,
                         const std::atomic<uint32_t>* askUpTo = nullptr)
{
    std::vector<uint32_t> addresses;
    for (const std::string& a : to) addresses.push_back(networkOrder(a));
    TcpKnocker knocker(std::move(settings));
    const std::atomic<bool> stop{false};
    std::vector<Found> found;
    for (const KnockResult& r : knocker.run(addresses, stop, askUpTo))
        found.push_back({dottedText(r.address), r.answeredPort, r.openPorts});
    return found;
}

KnockSettings ports(std::vector<uint16_t> list, bool openPorts, std::chrono::milliseconds timeout = 600ms)
{
    KnockSettings s;
    s.ports = std::move(list);
    s.openPorts = openPorts;
    s.timeout = timeout;
    return s;
}

size_t openDescriptors()
{
    size_t n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) ++n;
        closedir(dir);
    }
    return n;
}

// A listener on a loopback port of the kernel's choice.
struct Listener {
    Listener()
    {
        fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof at;
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
        EXPECT_EQ(listen(fd, 16), 0);
        getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length);
        port = ntohs(at.sin_port);
    }
    ~Listener() { close(fd); }
    int fd;
    uint16_t port;
};

} // namespace

TEST(LabKnock, findsWhatRefusesOrAcceptsAndNothingElse)
{
    SCANVET_REQUIRE_LAB();
    const std::vector<std::string> far = {Lab::Far, Lab::FarSilent, Lab::FarRefusing, Lab::FarListening,
                                          Lab::FarDropping, Lab::FarUnreachable};
    const size_t before = openDescriptors();
    struct Row {
        std::vector<uint16_t> list;
        bool openPorts;
        std::vector<Found> expected;
    };
    const Row rows[] = {
        // Presence alone: the first port to answer; no open ports unless asked.
        {{80, 443}, false, {{Lab::Far, 80, {}}, {Lab::FarRefusing, 80, {}}, {Lab::FarListening, 80, {}}}},
        {{443}, false, {{Lab::Far, 443, {}}, {Lab::FarRefusing, 443, {}}, {Lab::FarListening, 443, {}}}},
        {{80, 443}, true, {{Lab::Far, 80, {}}, {Lab::FarRefusing, 80, {}}, {Lab::FarListening, 80, {443}}}},
        {{443, 80, 22}, true, {{Lab::Far, 443, {}}, {Lab::FarRefusing, 443, {}}, {Lab::FarListening, 443, {443}}}},
    };
    for (const Row& row : rows) {
        std::vector<Found> got = knock(far, ports(row.list, row.openPorts));
        // Without open ports, an address's first answer ends its other knocks: whichever port came first.
        for (size_t i = 0; i < got.size() && i < row.expected.size(); ++i)
            if (!row.openPorts && got[i].answeredPort == row.list.back()) got[i].answeredPort = row.list.front();
        EXPECT_EQ(got, row.expected) << row.list.size() << " ports, open ports " << row.openPorts;
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST(LabKnock, loopbackPortsAndTheTimeToLive)
{
    SCANVET_REQUIRE_LAB();
    const Listener listening;
    const Listener other;
    const uint16_t closed = other.port;
    close(other.fd);
    // Refused and accepted on the loopback come back at once from connect(); a time to live of 1 keeps a knock on
    // the link, as the lan preset does its echoes.
    EXPECT_EQ(knock({"127.0.0.1"}, ports({closed, listening.port}, true)),
              (std::vector<Found>{{"127.0.0.1", closed, {listening.port}}}));
    KnockSettings lan = ports({80}, false);
    lan.ttl = 1;
    EXPECT_TRUE(knock({Lab::FarRefusing, Lab::Far}, lan).empty());
}

TEST(LabKnock, boundAskUpToAndStop)
{
    SCANVET_REQUIRE_LAB();
    // A bound of one knock at a time still knocks on everything, one after the other.
    KnockSettings one = ports({80, 443}, true);
    one.socketBound = 1;
    EXPECT_EQ(knock({Lab::FarRefusing, Lab::FarListening}, one),
              (std::vector<Found>{{Lab::FarRefusing, 80, {}}, {Lab::FarListening, 80, {443}}}));
    // Echoes stopped after .30: nothing beyond is knocked on.
    const std::atomic<uint32_t> upTo{ntohl(networkOrder(Lab::FarRefusing))};
    EXPECT_EQ(knock({Lab::FarRefusing, Lab::FarListening}, ports({80}, false), &upTo),
              (std::vector<Found>{{Lab::FarRefusing, 80, {}}}));
    // A stop ends a run whose knocks would wait 30 s.
    TcpKnocker knocker(ports({80}, false, 30s));
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(100ms);
        stop = true;
        knocker.interrupt();
    });
    EXPECT_TRUE(knocker.run({networkOrder(Lab::FarDropping)}, stop).empty());
    stopper.join();
}

TEST(LabKnock, aLowDescriptorLimitLowersTheBoundAndSaysSo)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit low{300, 300};
        std::string note;
        const bool lowered = setrlimit(RLIMIT_NOFILE, &low) == 0 && TcpKnocker::socketBound(note) == 300 - TcpKnocker::ReservedDescriptors &&
                             note.find("descriptor limit (300") != std::string::npos;
        _exit(lowered ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::string note;
    EXPECT_EQ(TcpKnocker::socketBound(note), TcpKnocker::PreferredSocketBound) << note;
    EXPECT_TRUE(note.empty());
}
