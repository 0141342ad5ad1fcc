// Helpers of the network tests.
#pragma once

#include "net/Common.h"
#include "net/IcmpService.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

namespace NetTest {

// An address in 127.0.0.0/8 that no other test of this run is likely to use,
// so packets seen on the loopback can be told apart.
inline uint32_t RandomLoopbackAddress()
{
    static std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<int> octet(1, 254);
    return ParseDottedAddress("127." + std::to_string(octet(random)) + "." + std::to_string(octet(random)) + "." +
                              std::to_string(octet(random)));
}

inline const char* KindName(IcmpSocketKind kind)
{
    return kind == IcmpSocketKind::Datagram ? "datagram" : "raw";
}

// Why this kind of ICMP socket cannot be opened here; empty when it can.
inline std::string CannotOpen(IcmpSocketKind kind)
{
    const IcmpHandle h = IcmpCreateFileOfKind(kind);
    if (h != INVALID_ICMP_HANDLE) {
        IcmpCloseHandle(h);
        return {};
    }
    return std::string("no ICMP ") + KindName(kind) + " socket (error " + std::to_string(GetIcmpLastError()) +
           (kind == IcmpSocketKind::Datagram ? "; net.ipv4.ping_group_range excludes our group)"
                                             : "; needs CAP_NET_RAW)");
}

// Runs the event loop until done() holds or boundMs pass; done()'s last value.
inline bool WaitUntil(const std::function<bool()>& done, int boundMs = 20000)
{
    if (done()) return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// The scanner's neighbour entry for an address has given up.
inline bool NeighbourFailed(const std::string& address)
{
    const std::string command = "ip -4 neigh show " + address + " 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return false;
    std::string text;
    char chunk[256];
    while (fgets(chunk, sizeof chunk, out) != nullptr) text += chunk;
    pclose(out);
    return text.find("FAILED") != std::string::npos;
}

} // namespace NetTest
