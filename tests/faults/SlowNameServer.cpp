#include "tests/faults/SlowNameServer.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <optional>
#include <sstream>

namespace {

constexpr uint16_t TypeA = 1;
constexpr uint16_t TypePtr = 12;

void Put16(std::vector<unsigned char>& out, uint16_t value)
{
    out.push_back(static_cast<unsigned char>(value >> 8));
    out.push_back(static_cast<unsigned char>(value));
}

void PutName(std::vector<unsigned char>& out, const std::string& name)
{
    std::istringstream labels(name);
    for (std::string label; std::getline(labels, label, '.');) {
        out.push_back(static_cast<unsigned char>(label.size()));
        out.insert(out.end(), label.begin(), label.end());
    }
    out.push_back(0);
}

// Four decimal numbers 0..255 joined by sep, in the given order.
std::optional<std::array<int, 4>> Octets(const std::vector<std::string>& parts)
{
    if (parts.size() != 4) return std::nullopt;
    std::array<int, 4> octets{};
    for (size_t i = 0; i < 4; ++i) {
        if (parts[i].empty() || parts[i].size() > 3 || parts[i].find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        octets[i] = std::stoi(parts[i]);
        if (octets[i] > 255) return std::nullopt;
    }
    return octets;
}

std::vector<std::string> Split(const std::string& text, char sep)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, sep);) parts.push_back(part);
    return parts;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The answer to one query, and whether it is one that may be held back.
struct Reply {
    std::vector<unsigned char> Bytes;
    bool Slow = false;
};

std::optional<Reply> Answer(const unsigned char* query, size_t size)
{
    if (size < 12) return std::nullopt;
    if ((query[2] & 0x80) != 0) return std::nullopt;            // a response, not a query
    if (query[4] != 0 || query[5] != 1) return std::nullopt;    // one question
    size_t at = 12;
    std::string name;
    while (at < size && query[at] != 0) {
        const size_t length = query[at];
        if (length > 63 || at + 1 + length > size) return std::nullopt;
        if (!name.empty()) name += '.';
        name.append(reinterpret_cast<const char*>(query + at + 1), length);
        at += 1 + length;
    }
    if (at + 5 > size) return std::nullopt;
    const size_t questionEnd = at + 5;
    const uint16_t type = static_cast<uint16_t>(query[at + 1] << 8 | query[at + 2]);
    name = Lower(name);

    std::vector<unsigned char> rdata;   // of the one answer record; none: not found
    const std::string reverseSuffix = ".in-addr.arpa";
    const std::string forwardSuffix = ".slow.lab";
    if (type == TypePtr && name.size() > reverseSuffix.size() &&
        name.compare(name.size() - reverseSuffix.size(), reverseSuffix.size(), reverseSuffix) == 0) {
        // d.c.b.a.in-addr.arpa asks for a.b.c.d
        const auto o = Octets(Split(name.substr(0, name.size() - reverseSuffix.size()), '.'));
        if (o && (((*o)[3] == 198 && (*o)[2] == 51 && (*o)[1] == 100) || ((*o)[3] == 203 && (*o)[2] == 0 && (*o)[1] == 113)))
            PutName(rdata, TSlowNameServer::NameOf(std::to_string((*o)[3]) + "." + std::to_string((*o)[2]) + "." +
                                                   std::to_string((*o)[1]) + "." + std::to_string((*o)[0])));
    } else if (type == TypeA && name.size() > forwardSuffix.size() &&
               name.compare(name.size() - forwardSuffix.size(), forwardSuffix.size(), forwardSuffix) == 0) {
        const std::string host = name.substr(0, name.size() - forwardSuffix.size());
        if (const auto o = host.starts_with('h') ? Octets(Split(host.substr(1), '-')) : std::nullopt)
            for (const int octet : *o) rdata.push_back(static_cast<unsigned char>(octet));
    }

    Reply reply;
    reply.Slow = !rdata.empty();
    std::vector<unsigned char>& out = reply.Bytes;
    out.assign(query, query + questionEnd);
    out[2] = static_cast<unsigned char>(0x84 | (query[2] & 0x01));  // response, authoritative, RD as asked
    out[3] = rdata.empty() ? 0x83 : 0x80;                           // RA; "no such name" without a record
    out[6] = 0;
    out[7] = rdata.empty() ? 0 : 1;
    out[8] = out[9] = out[10] = out[11] = 0;
    if (!rdata.empty()) {
        Put16(out, 0xC00C);  // the name of the question
        Put16(out, type);
        Put16(out, 1);
        out.insert(out.end(), {0, 0, 0, 60});
        Put16(out, static_cast<uint16_t>(rdata.size()));
        out.insert(out.end(), rdata.begin(), rdata.end());
    }
    return reply;
}

} // namespace

std::string TSlowNameServer::NameOf(const std::string& dotted)
{
    std::string name = "n" + dotted;
    for (char& c : name)
        if (c == '.') c = '-';
    return name + ".slow.lab";
}

TSlowNameServer::TSlowNameServer()
{
    FSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(53);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    if (FSocket >= 0) setsockopt(FSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (FSocket >= 0 && bind(FSocket, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        close(FSocket);
        FSocket = -1;
    }
    FWake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (FSocket >= 0) FThread = std::thread([this] { Serve(); });
}

TSlowNameServer::~TSlowNameServer()
{
    Release();
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(FWake, &one, sizeof one);
    if (FThread.joinable()) FThread.join();
    if (FSocket >= 0) close(FSocket);
    if (FWake >= 0) close(FWake);
}

void TSlowNameServer::Hold()
{
    std::lock_guard lock(FMutex);
    FHolding = true;
}

void TSlowNameServer::Release()
{
    std::vector<Query> held;
    {
        std::lock_guard lock(FMutex);
        FHolding = false;
        held.swap(FHeld);
    }
    for (const Query& query : held) Send(query);
}

int TSlowNameServer::Held() const
{
    std::lock_guard lock(FMutex);
    return static_cast<int>(FHeld.size());
}

int TSlowNameServer::Asked() const
{
    std::lock_guard lock(FMutex);
    return FAsked;
}

int TSlowNameServer::Answered() const
{
    std::lock_guard lock(FMutex);
    return FAnswered;
}

bool TSlowNameServer::WaitHeld(int count, int boundMs) const
{
    std::unique_lock lock(FMutex);
    return FChanged.wait_for(lock, std::chrono::milliseconds(boundMs),
                             [&] { return static_cast<int>(FHeld.size()) >= count; });
}

void TSlowNameServer::Send(const Query& query)
{
    sendto(FSocket, query.Answer.data(), query.Answer.size(), 0, reinterpret_cast<const sockaddr*>(&query.From),
           sizeof query.From);
    std::lock_guard lock(FMutex);
    ++FAnswered;
    FChanged.notify_all();
}

void TSlowNameServer::Serve()
{
    unsigned char packet[1500];
    for (;;) {
        pollfd fds[2] = {{FSocket, POLLIN, 0}, {FWake, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        {
            std::lock_guard lock(FMutex);
            if (FStopping) return;
        }
        if ((fds[0].revents & POLLIN) == 0) continue;
        Query query{};
        socklen_t length = sizeof query.From;
        const ssize_t n = recvfrom(FSocket, packet, sizeof packet, MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&query.From), &length);
        if (n <= 0) continue;
        const auto reply = Answer(packet, static_cast<size_t>(n));
        if (!reply) continue;
        query.Answer = reply->Bytes;
        {
            std::lock_guard lock(FMutex);
            ++FAsked;
            if (reply->Slow && FHolding) {
                FHeld.push_back(std::move(query));
                FChanged.notify_all();
                continue;
            }
        }
        Send(query);
    }
}
