// Fuzz targets of net, one per FUZZ_TARGET_ define: the whole-number reading against its rules written plainly, the packet judge in both socket forms, and resolveHost's rules over a fake name service.
#include "net/IcmpPacket.h"
#include "net/Ipv4.h"
#include "net/NameLookup.h"
#include "net/Text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#define FUZZ_CHECK(c) ((c) ? void() : (std::fprintf(stderr, "fuzz check failed: %s (line %d)\n", #c, __LINE__), std::abort()))

uint32_t fakeAddressOf(const std::string& name);  // FakeNameService.cpp

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(data, data + size);
#if defined(FUZZ_TARGET_fuzz_strtoint)
    // Leading blanks, then [+-] and decimal digits within 32 bits signed, or $ and hexadecimal digits within 32 bits.
    const size_t i = std::min(text.find_first_not_of(' '), size);
    const bool hex = text[i] == '$';
    const size_t digits = i + (hex || text[i] == '+' || text[i] == '-');
    const bool form = digits < size && text.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789", digits) == text.npos;
    // Both saturate, so a value beyond 64 bits is out of range too.
    const long long value = !form ? 0 : hex ? static_cast<long long>(std::strtoull(&text[digits], nullptr, 16))
                                            : std::strtoll(&text[i], nullptr, 10);
    const bool valid = form && (hex ? value >= 0 && value <= UINT32_MAX : value >= INT32_MIN && value <= INT32_MAX);
    const std::optional<int32_t> read = parseWholeNumber(text);
    FUZZ_CHECK(read.has_value() == valid && read.value_or(0) == (valid ? int32_t(uint32_t(value)) : 0));
#elif defined(FUZZ_TARGET_fuzz_icmp_packet)
    using namespace IcmpPacket;
    if (size < 17 || size > 60000) return 0;
    // The first 9 bytes: the request waited for, and a correct checksum when the lowest bit is set.
    const auto read16 = [](const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); };
    Expected e{0, read16(data + 5), read16(data + 7)};
    std::memcpy(&e.destination, data + 1, 4);
    const uint32_t from = e.destination ^ (data[0] & 0x10);
    std::vector<uint8_t> p{0x45, 0, uint8_t((11 + size) >> 8), uint8_t(11 + size), 0, 0, 0, 0, data[0], 1, 0, 0};
    p.resize(11 + size);  // no room beyond: a read past the end is caught
    std::memcpy(&p[12], &from, 4);
    std::memcpy(&p[20], data + 9, size - 9);
    uint8_t* m = &p[20];
    if (data[0] & 1) {
        m[2] = m[3] = 0;
        const uint16_t sum = checksum(m, size - 9);
        m[2] = uint8_t(sum >> 8), m[3] = uint8_t(sum);
    }
    // The message as a datagram socket reads it and, behind its IPv4 header, as a raw one does: one verdict.
    const Verdict v = judgeIcmpMessage(m, size - 9, from, e), raw = judgeIpPacket(p.data(), p.size(), e);
    FUZZ_CHECK(raw.what == v.what && raw.status == v.status && raw.from == v.from && (!raw.ttl || raw.ttl == data[0]));
    judgeIpPacket(data + 9, size - 9, e);
    if (v.what == Kind::Ignore) return 0;
    const uint8_t* request = v.what == Kind::Reply ? m : m + 8 + (m[8] & 0x0Fu) * 4;  // or the one an error quotes
    FUZZ_CHECK(read16(request + 4) == e.identifier && read16(request + 6) == e.sequence);
    if (v.what == Kind::Reply) FUZZ_CHECK(m[0] == TypeEchoReply && from == e.destination);
    else
        FUZZ_CHECK(v.status == statusOfError(m[0], m[1]) && request >= m + 28 && request + 8 <= m + size - 9 &&
                   request[0] == TypeEchoRequest && m[17] == 1 && std::memcmp(m + 24, &e.destination, 4) == 0);
#elif defined(FUZZ_TARGET_fuzz_resolvehost)
    const std::string sent = trimmed(text).substr(0, 255);
    const uint32_t dotted = parseDottedAddress(sent);
    std::string expected = "WSocketResolveHost: Cannot convert host address '" + text + "'", result;
    if (size == 0 || size > 256) expected = "WSocketResolveHost: '" + text + "' Invalid Hostname.";
    else if (sent[0] >= '0' && sent[0] <= '9' && (dotted != AllOnesAddress || sent == "255.255.255.255")) expected = dottedText(dotted);
    else if (sent[0] >= '0' && sent[0] <= '9') expected = "WSocketResolveHost: '" + text + "' Invalid IP address.";
    else if (!sent.empty() && sent.size() % 2 == 0) expected = dottedText(fakeAddressOf(sent));
    try {
        result = dottedText(resolveHost(text));
    } catch (const LookupError& e) {
        result = e.what();
    }
    FUZZ_CHECK(result == expected.c_str());  // what() ends at a NUL
#endif
    return 0;
}
