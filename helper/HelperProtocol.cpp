// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Every message starts with its kind's byte; fields follow in host byte order
// (both ends run on one machine), addresses as the network carries them.
// Each kind has one exact size, but for the texts and the echo packet, which
// run to the end of the message.
#include "helper/HelperProtocol.h"

#include <arpa/inet.h>

#include <cstring>

namespace HelperProtocol {

namespace {

constexpr size_t EchoRequestSize = 8;     // kind, ttl, sequence, destination
constexpr size_t ArpAskRequestSize = 12;  // kind, 3 unused, interface, target
constexpr size_t SyncRequestSize = 8;     // kind, 3 unused, token
constexpr size_t MaxReason = 256;

class Writer {
public:
    explicit Writer(uint8_t kind) { m_bytes.push_back(kind); }
    template <typename T> Writer& put(const T& value)
    {
        const auto* p = reinterpret_cast<const uint8_t*>(&value);
        m_bytes.insert(m_bytes.end(), p, p + sizeof value);
        return *this;
    }
    Writer& text(std::string_view value)
    {
        value = value.substr(0, MaxReason);
        m_bytes.insert(m_bytes.end(), value.begin(), value.end());
        return *this;
    }
    std::vector<uint8_t> bytes() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

class Reader {
public:
    Reader(const uint8_t* bytes, size_t size) : m_bytes(bytes), m_size(size), m_at(1) {}
    template <typename T> bool get(T& value)
    {
        if (m_size - m_at < sizeof value) return false;
        std::memcpy(&value, m_bytes + m_at, sizeof value);
        m_at += sizeof value;
        return true;
    }
    std::string rest() const { return {reinterpret_cast<const char*>(m_bytes + m_at), std::min(m_size - m_at, MaxReason)}; }
    bool atEnd() const { return m_at == m_size; }
    size_t at() const { return m_at; }

private:
    const uint8_t* m_bytes;
    size_t m_size;
    size_t m_at;
};

uint32_t hostOrder(uint32_t address) { return ntohl(address); }

} // namespace

std::vector<uint8_t> encode(const EchoRequest& request)
{
    return Writer(uint8_t(RequestKind::Echo)).put(request.ttl).put(request.sequence).put(request.destination).bytes();
}

std::vector<uint8_t> encode(const ArpAskRequest& request)
{
    return Writer(uint8_t(RequestKind::ArpAsk))
        .put(std::array<uint8_t, 3>{})
        .put(request.interfaceIndex)
        .put(request.target)
        .bytes();
}

std::vector<uint8_t> encodeSync(uint32_t token)
{
    return Writer(uint8_t(RequestKind::Sync)).put(std::array<uint8_t, 3>{}).put(token).bytes();
}

std::optional<Request> decodeRequest(const uint8_t* bytes, size_t size, std::string& why)
{
    if (size == 0) {
        why = "an empty request";
        return std::nullopt;
    }
    Request request;
    Reader in(bytes, size);
    switch (RequestKind(bytes[0])) {
    case RequestKind::Echo:
        request.kind = RequestKind::Echo;
        if (size == EchoRequestSize && in.get(request.echo.ttl) && in.get(request.echo.sequence) &&
            in.get(request.echo.destination))
            return request;
        break;
    case RequestKind::ArpAsk: {
        request.kind = RequestKind::ArpAsk;
        std::array<uint8_t, 3> unused{};
        if (size == ArpAskRequestSize && in.get(unused) && unused == std::array<uint8_t, 3>{} &&
            in.get(request.arp.interfaceIndex) && in.get(request.arp.target))
            return request;
        break;
    }
    case RequestKind::Sync: {
        request.kind = RequestKind::Sync;
        std::array<uint8_t, 3> unused{};
        if (size == SyncRequestSize && in.get(unused) && unused == std::array<uint8_t, 3>{} && in.get(request.syncToken))
            return request;
        break;
    }
    default:
        why = "an unknown request kind " + std::to_string(bytes[0]);
        return std::nullopt;
    }
    why = "a malformed request of " + std::to_string(size) + " bytes";
    return std::nullopt;
}

std::vector<uint8_t> encode(const ReadyEvent& event)
{
    return Writer(uint8_t(EventKind::Ready)).put(uint8_t(event.ok)).put(event.identifier).text(event.reason).bytes();
}

std::vector<uint8_t> encodeEchoPacketHeader(int64_t receivedNs, int64_t sentNs)
{
    return Writer(uint8_t(EventKind::EchoPacket)).put(receivedNs).put(sentNs).bytes();
}

std::vector<uint8_t> encode(const SendFailedEvent& event)
{
    return Writer(uint8_t(EventKind::SendFailed)).put(event.sequence).put(event.error).bytes();
}

std::vector<uint8_t> encode(const RefusedEvent& event)
{
    return Writer(uint8_t(EventKind::Refused))
        .put(uint8_t(event.request))
        .put(event.sequence)
        .put(event.target)
        .text(event.reason)
        .bytes();
}

std::vector<uint8_t> encode(const ArpAnswerEvent& event)
{
    return Writer(uint8_t(EventKind::ArpAnswer))
        .put(event.interfaceIndex)
        .put(event.address)
        .put(event.mac)
        .put(event.receivedNs)
        .bytes();
}

std::vector<uint8_t> encode(const SyncedEvent& event)
{
    return Writer(uint8_t(EventKind::Synced)).put(event.token).put(event.lastSentNs).put(event.handedOverNs).bytes();
}

std::optional<Event> decodeEvent(const uint8_t* bytes, size_t size)
{
    if (size == 0 || size > MaxMessage) return std::nullopt;
    Event event;
    event.kind = EventKind(bytes[0]);
    Reader in(bytes, size);
    switch (event.kind) {
    case EventKind::Ready: {
        uint8_t ok = 0;
        if (!in.get(ok) || ok > 1 || !in.get(event.ready.identifier)) return std::nullopt;
        event.ready.ok = ok == 1;
        event.ready.reason = in.rest();
        return event;
    }
    case EventKind::EchoPacket:
        if (!in.get(event.echoPacket.receivedNs) || !in.get(event.echoPacket.sentNs)) return std::nullopt;
        event.echoPacket.packet = bytes + in.at();
        event.echoPacket.size = size - in.at();
        return event;
    case EventKind::SendFailed:
        if (!in.get(event.sendFailed.sequence) || !in.get(event.sendFailed.error) || !in.atEnd()) return std::nullopt;
        return event;
    case EventKind::Refused: {
        uint8_t request = 0;
        if (!in.get(request) || !in.get(event.refused.sequence) || !in.get(event.refused.target)) return std::nullopt;
        event.refused.request = RequestKind(request);
        event.refused.reason = in.rest();
        return event;
    }
    case EventKind::Synced:
        if (!in.get(event.synced.token) || !in.get(event.synced.lastSentNs) || !in.get(event.synced.handedOverNs) ||
            !in.atEnd())
            return std::nullopt;
        return event;
    case EventKind::ArpAnswer:
        if (!in.get(event.arpAnswer.interfaceIndex) || !in.get(event.arpAnswer.address) || !in.get(event.arpAnswer.mac) ||
            !in.get(event.arpAnswer.receivedNs) || !in.atEnd())
            return std::nullopt;
        return event;
    }
    return std::nullopt;
}

std::string refuseEcho(const EchoRequest& request, const std::vector<InterfaceAddress>& interfaces)
{
    const uint32_t to = hostOrder(request.destination);
    if (request.ttl == 0) return "a time to live of 0";
    if ((to >> 24) == 0) return "an address in 0.0.0.0/8";
    if ((to >> 28) == 0xE) return "a multicast address";
    if ((to >> 28) == 0xF) return "a reserved or broadcast address";
    for (const InterfaceAddress& i : interfaces) {
        const uint32_t mask = hostOrder(i.netmask);
        // /31 and /32 have no broadcast address.
        if (mask < 0xFFFFFFFEu && (to | mask) == 0xFFFFFFFFu && (to & mask) == (hostOrder(i.address) & mask))
            return "the broadcast address of a local subnet";
    }
    return {};
}

std::string refuseArp(const ArpAskRequest& request, const std::vector<InterfaceAddress>& interfaces,
                      const InterfaceAddress*& from)
{
    from = nullptr;
    bool known = false;
    const uint32_t target = hostOrder(request.target);
    for (const InterfaceAddress& i : interfaces) {
        if (i.index != request.interfaceIndex) continue;
        known = true;
        if (!i.up) return "the interface is down";
        if (i.loopback || i.noArp || !i.mac) return "the interface has no ARP";
        const uint32_t mask = hostOrder(i.netmask), own = hostOrder(i.address);
        if (mask == 0 || (target & mask) != (own & mask)) continue;
        if (target == own) return "the interface's own address";
        if (mask < 0xFFFFFFFEu && ((target & ~mask) == 0 || (target | mask) == 0xFFFFFFFFu))
            return "the subnet's network or broadcast address";
        from = &i;
        return {};
    }
    return known ? "an address outside the interface's subnets" : "no such interface";
}

} // namespace HelperProtocol
