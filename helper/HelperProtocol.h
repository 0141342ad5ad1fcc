// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the program and its privileged helper say to each other over a
// SOCK_SEQPACKET socket pair, one message a packet, and the rules by which
// the helper refuses a request. No Qt and no allocation beyond the caller's:
// the helper links this and nothing else of ours.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace HelperProtocol {

// The helper is started with this argument, and with the socket as descriptor 3.
inline constexpr std::string_view EchoMode = "echo";
inline constexpr std::string_view ArpMode = "arp";
inline constexpr int ChannelDescriptor = 3;

// Longest message either side sends: an event carrying a whole IP packet.
inline constexpr size_t MaxMessage = 65536 + 64;
// The helper sends no two requests of one kind closer than this.
inline constexpr int64_t MinPaceNs = 100'000;
// Addresses asked by ARP and still awaited at once; an answer counts this long after its request.
inline constexpr size_t MaxAskedAddresses = 65536;
inline constexpr int64_t AnswerWindowNs = 10'000'000'000;

// Sync: answered by Synced once everything the helper had received before it has been handed over.
// Synced tells when the helper sent its last request and when it handed over, so that the program
// counts a reply's time from the request on the wire and not from its asking.
enum class RequestKind : uint8_t { Echo = 1, ArpAsk = 2, Sync = 3 };

struct EchoRequest {
    uint32_t destination = 0;  // network byte order
    uint16_t sequence = 0;
    uint8_t ttl = 64;
};
struct ArpAskRequest {
    uint32_t interfaceIndex = 0;
    uint32_t target = 0;  // network byte order
};
struct Request {
    RequestKind kind = RequestKind::Echo;
    EchoRequest echo;
    ArpAskRequest arp;
    uint32_t syncToken = 0;
};

std::vector<uint8_t> encode(const EchoRequest& request);
std::vector<uint8_t> encode(const ArpAskRequest& request);
std::vector<uint8_t> encodeSync(uint32_t token);
// nullopt, with the reason, for anything but one well-formed request.
std::optional<Request> decodeRequest(const uint8_t* bytes, size_t size, std::string& why);

enum class EventKind : uint8_t { Ready = 1, EchoPacket = 2, SendFailed = 3, Refused = 4, ArpAnswer = 5, Synced = 6 };

struct ReadyEvent {
    bool ok = false;
    uint16_t identifier = 0;  // of the echo requests the helper sends
    std::string reason;       // why it cannot serve, when not ok
};
struct EchoPacketEvent {
    int64_t receivedNs = 0;  // CLOCK_MONOTONIC
    int64_t sentNs = 0;      // when the request it answers went out, 0 when unknown
    const uint8_t* packet = nullptr;  // the whole IPv4 packet, inside the message read
    size_t size = 0;
};
struct SendFailedEvent {
    uint16_t sequence = 0;
    int32_t error = 0;  // errno of the send
};
struct RefusedEvent {
    RequestKind request = RequestKind::Echo;
    uint16_t sequence = 0;  // of an echo
    uint32_t target = 0;    // network byte order
    std::string reason;
};
struct ArpAnswerEvent {
    uint32_t interfaceIndex = 0;
    uint32_t address = 0;  // network byte order
    std::array<uint8_t, 6> mac{};
    int64_t receivedNs = 0;  // CLOCK_MONOTONIC
};
struct SyncedEvent {
    uint32_t token = 0;
    int64_t lastSentNs = 0;    // CLOCK_MONOTONIC, of the last request sent; 0 when none
    int64_t handedOverNs = 0;  // CLOCK_MONOTONIC, once everything received before had been handed over
};
struct Event {
    EventKind kind = EventKind::Ready;
    ReadyEvent ready;
    EchoPacketEvent echoPacket;
    SendFailedEvent sendFailed;
    RefusedEvent refused;
    ArpAnswerEvent arpAnswer;
    SyncedEvent synced;
};

std::vector<uint8_t> encode(const ReadyEvent& event);
// The header only; the packet follows it in the same message.
std::vector<uint8_t> encodeEchoPacketHeader(int64_t receivedNs, int64_t sentNs);
std::vector<uint8_t> encode(const SendFailedEvent& event);
std::vector<uint8_t> encode(const RefusedEvent& event);
std::vector<uint8_t> encode(const ArpAnswerEvent& event);
std::vector<uint8_t> encode(const SyncedEvent& event);
// nullopt for anything but one well-formed event; an echo packet points into bytes.
std::optional<Event> decodeEvent(const uint8_t* bytes, size_t size);

// An interface as the helper sees it, from getifaddrs().
struct InterfaceAddress {
    uint32_t index = 0;
    bool up = false;
    bool loopback = false;
    bool noArp = false;
    uint32_t address = 0;  // network byte order
    uint32_t netmask = 0;  // network byte order
    std::optional<std::array<uint8_t, 6>> mac;
};

// Whether an echo may go to the destination: one IPv4 host, never a network
// of its own (0/8), multicast, reserved space, the limited broadcast or a
// local subnet's broadcast. Empty when it may, else the reason.
std::string refuseEcho(const EchoRequest& request, const std::vector<InterfaceAddress>& interfaces);
// Whether an ARP request may ask for the target on that interface: it must be
// up, not loopback, with ARP and a MAC, and hold the target in the subnet of
// one of its addresses, without being the subnet's own or broadcast address
// or the interface's. The address to ask from comes back in from.
std::string refuseArp(const ArpAskRequest& request, const std::vector<InterfaceAddress>& interfaces,
                      const InterfaceAddress*& from);

} // namespace HelperProtocol
