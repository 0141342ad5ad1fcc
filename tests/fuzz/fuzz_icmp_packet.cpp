// The ICMP packet judge on any bytes, in both forms (a whole IPv4 packet from
// a raw socket, an ICMP message from a datagram socket) and on the quoted
// request of the error queue. The first bytes choose the request we wait for
// and whether the rest is taken as it is or wrapped into a packet with correct
// checksums, so that replies and errors quoting a packet are reached often.
#include "net/IcmpPacket.h"
#include "net/IcmpService.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstring>
#include <vector>

using namespace IcmpPacket;

namespace {

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

void SetChecksum(std::vector<uint8_t>& message, size_t at)
{
    message[at + 2] = message[at + 3] = 0;
    const uint16_t sum = Checksum(message.data() + at, message.size() - at);
    message[at + 2] = static_cast<uint8_t>(sum >> 8);
    message[at + 3] = static_cast<uint8_t>(sum);
}

std::vector<uint8_t> IpHeader(uint32_t source, uint32_t destination, size_t totalSize, uint8_t ttl)
{
    std::vector<uint8_t> ip(MinIpHeaderSize, 0);
    ip[0] = 0x45;
    ip[2] = static_cast<uint8_t>(totalSize >> 8);
    ip[3] = static_cast<uint8_t>(totalSize);
    ip[8] = ttl;
    ip[9] = 1;
    std::memcpy(&ip[12], &source, 4);
    std::memcpy(&ip[16], &destination, 4);
    return ip;
}

bool KnownErrorStatus(uint32_t status)
{
    switch (status) {
    case IP_DEST_NET_UNREACHABLE: case IP_DEST_HOST_UNREACHABLE: case IP_DEST_PROT_UNREACHABLE:
    case IP_DEST_PORT_UNREACHABLE: case IP_PACKET_TOO_BIG: case IP_BAD_ROUTE: case IP_TTL_EXPIRED_TRANSIT:
    case IP_TTL_EXPIRED_REASSEM: case IP_PARAM_PROBLEM: case IP_SOURCE_QUENCH: return true;
    default: return false;
    }
}

// What every verdict on an ICMP message of size bytes must hold.
void CheckVerdict(const Verdict& v, const uint8_t* message, size_t size, size_t offset, const Expected& expected)
{
    if (v.What == Kind::Ignore) {
        FUZZ_CHECK(v.DataSize == 0 && v.Status == 0);
        return;
    }
    FUZZ_CHECK(size >= IcmpHeaderSize && Checksum(message, size) == 0);
    if (v.What == Kind::Reply) {
        FUZZ_CHECK(message[0] == TypeEchoReply && v.Status == IP_SUCCESS && v.From == expected.Destination);
        FUZZ_CHECK(Read16(message + 4) == expected.Identifier && Read16(message + 6) == expected.Sequence);
        FUZZ_CHECK(v.DataOffset == offset + IcmpHeaderSize && v.DataSize == size - IcmpHeaderSize);
        return;
    }
    FUZZ_CHECK(KnownErrorStatus(v.Status) && v.Status == StatusOfError(message[0], message[1]));
    // The quoted packet is our request to our destination.
    const uint8_t* quoted = message + IcmpHeaderSize;
    const size_t headerSize = static_cast<size_t>(quoted[0] & 0x0F) * 4;
    FUZZ_CHECK(size >= IcmpHeaderSize + headerSize + IcmpHeaderSize && headerSize >= MinIpHeaderSize);
    uint32_t destination = 0;
    std::memcpy(&destination, quoted + 16, 4);
    FUZZ_CHECK(destination == expected.Destination && quoted[9] == 1);
    FUZZ_CHECK(QuotesRequest(quoted + headerSize, size - IcmpHeaderSize - headerSize, destination, expected));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 9) return 0;
    const uint8_t mode = data[0];
    Expected expected{};
    std::memcpy(&expected.Destination, data + 1, 4);
    expected.Identifier = Read16(data + 5);
    expected.Sequence = Read16(data + 7);
    // Copied, so that a read past the end is one past the fuzzer's own bytes.
    const std::vector<uint8_t> rest(data + 9, data + size);
    const uint8_t* bytes = rest.empty() ? nullptr : rest.data();
    const uint32_t from = expected.Destination ^ (mode & 0x10 ? 1u : 0u);

    switch (mode & 0x07) {
    case 0: {  // a raw socket's packet as it is
        const Verdict v = JudgeIpPacket(bytes, rest.size(), expected);
        if (v.What != Kind::Ignore) {
            const size_t headerSize = static_cast<size_t>(rest[0] & 0x0F) * 4;
            const size_t total = Read16(bytes + 2);
            FUZZ_CHECK(total <= rest.size() && headerSize <= total);
            CheckVerdict(v, bytes + headerSize, total - headerSize, headerSize, expected);
            FUZZ_CHECK(v.Ttl == rest[8] && v.Tos == rest[1]);
        }
        break;
    }
    case 1:  // a datagram socket's message as it is
        CheckVerdict(JudgeIcmpMessage(bytes, rest.size(), from, expected), bytes, rest.size(), 0, expected);
        break;
    case 2: {  // the error queue's quoted request as it is
        const bool ours = QuotesRequest(bytes, rest.size(), from, expected);
        if (ours)
            FUZZ_CHECK(rest.size() >= IcmpHeaderSize && rest[0] == TypeEchoRequest && rest[1] == 0 &&
                       Read16(bytes + 4) == expected.Identifier && Read16(bytes + 6) == expected.Sequence &&
                       from == expected.Destination);
        break;
    }
    case 3:    // the rest as an ICMP message with a correct checksum
    case 4: {  // ... inside an IPv4 packet
        std::vector<uint8_t> message = rest;
        if (message.size() < IcmpHeaderSize) message.resize(IcmpHeaderSize);
        SetChecksum(message, 0);
        FUZZ_CHECK(Checksum(message.data(), message.size()) == 0);
        if ((mode & 0x07) == 3) {
            CheckVerdict(JudgeIcmpMessage(message.data(), message.size(), from, expected), message.data(),
                         message.size(), 0, expected);
        } else {
            std::vector<uint8_t> packet = IpHeader(from, 0, MinIpHeaderSize + message.size(), mode);
            packet.insert(packet.end(), message.begin(), message.end());
            CheckVerdict(JudgeIpPacket(packet.data(), packet.size(), expected), message.data(), message.size(),
                         MinIpHeaderSize, expected);
        }
        break;
    }
    default: {  // our own request: answered, and refused by an error that quotes it
        std::vector<uint8_t> request = BuildEchoRequest(expected.Identifier, expected.Sequence, bytes, rest.size());
        FUZZ_CHECK(Checksum(request.data(), request.size()) == 0);
        std::vector<uint8_t> reply = request;
        reply[0] = TypeEchoReply;
        SetChecksum(reply, 0);
        const Verdict answered = JudgeIcmpMessage(reply.data(), reply.size(), expected.Destination, expected);
        FUZZ_CHECK(answered.What == Kind::Reply && answered.DataSize == rest.size());
        FUZZ_CHECK(JudgeIcmpMessage(reply.data(), reply.size(), expected.Destination ^ 1, expected).What ==
                   Kind::Ignore);

        const uint8_t type = (mode & 0x08) ? TypeTimeExceeded : TypeDestUnreachable;
        std::vector<uint8_t> error{type, static_cast<uint8_t>(mode >> 4), 0, 0, 0, 0, 0, 0};
        const std::vector<uint8_t> quotedIp = IpHeader(0, expected.Destination, MinIpHeaderSize + request.size(), 1);
        error.insert(error.end(), quotedIp.begin(), quotedIp.end());
        error.insert(error.end(), request.begin(), request.begin() + IcmpHeaderSize);
        SetChecksum(error, 0);
        const Verdict refused = JudgeIcmpMessage(error.data(), error.size(), 0x01020304u, expected);
        FUZZ_CHECK(refused.What == Kind::Error && refused.Status == StatusOfError(type, error[1]));
        CheckVerdict(refused, error.data(), error.size(), 0, expected);
        break;
    }
    }
    return 0;
}
