// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: whole numbers misread or wrongly taken or refused; raw and datagram verdicts that differ, or believe a
// packet not answering our request; resolveHost rules or quoting broken; settings lines losing, adding or moving bytes;
// a privileged helper's request taken that is not exactly one well-formed request, or let through to a group address.
#include "files/Settings.h"
#include "files/TextFile.h"
#include "helper/HelperProtocol.h"
#include "net/IcmpPacket.h"
#include "net/Ipv4.h"
#include "lookup/ForwardLookup.h"
#include "net/NameService.h"
#include "base/Text.h"

#include <QDir>
#include <QTemporaryDir>

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#define FUZZ_CHECK(c) ((c) ? void() : qFatal("fuzz check failed: %s (line %d)", #c, __LINE__))

#if defined(FUZZ_TARGET_fuzz_resolvehost)
// In place of the library's name service, so that nothing is looked up: a name of even length is known.
std::optional<HostEntry> lookUpHostName(const std::string& name)
{
    return name.empty() || name.size() % 2 ? std::nullopt : std::optional<HostEntry>({name, {uint32_t(name.size())}});
}
std::optional<std::string> lookUpHostAddress(uint32_t) { return std::nullopt; }
std::optional<std::string> lookUpLocalHostName() { return std::nullopt; }
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(data, data + size);
#if defined(FUZZ_TARGET_fuzz_strtoint)
    const size_t i = std::min(text.find_first_not_of(' '), size);
    const bool hex = text[i] == '$', skip = hex || text[i] == '+';
    long long value = 0;
    const auto [end, error] = std::from_chars(&text[std::min(i + skip, size)], &text[size], value, hex ? 16 : 10);
    const bool valid = error == std::errc() && end == &text[size] && !(skip && text[i + 1] == '-')
                       && (hex ? value >= 0 && value <= UINT32_MAX : value >= INT32_MIN && value <= INT32_MAX);
    FUZZ_CHECK(parseWholeNumber(text) == (valid ? std::optional(int32_t(uint32_t(value))) : std::nullopt));
#elif defined(FUZZ_TARGET_fuzz_icmp_packet)
    using namespace IcmpPacket;
    if (size < 17 || size > 60000) return 0;
    // The first 9 bytes: the time to live (bit 0: a correct checksum, bit 4: another sender), then the request waited for.
    Expected e{0, uint16_t(data[5] << 8 | data[6]), uint16_t(data[7] << 8 | data[8])};
    std::memcpy(&e.destination, data + 1, 4);
    const uint32_t from = e.destination ^ (data[0] & 0x10);
    std::vector<uint8_t> p{0x45, 0, uint8_t((11 + size) >> 8), uint8_t(11 + size), 0, 0, 0, 0, data[0], 1, 0, 0};
    p.resize(11 + size);  // no room beyond: a read past the end is caught
    std::memcpy(&p[12], &from, 4);
    std::memcpy(&p[20], data + 9, size - 9);
    uint8_t* m = &p[20];
    if (data[0] & 1) m[2] = m[3] = 0;
    const uint16_t sum = checksum(m, size - 9);
    if (data[0] & 1) m[2] = uint8_t(sum >> 8), m[3] = uint8_t(sum);
    const Verdict v = judgeIcmpMessage(m, size - 9, from, e), raw = judgeIpPacket(p.data(), p.size(), e);
    FUZZ_CHECK(raw.what == v.what && raw.status == v.status && raw.from == v.from && (!raw.ttl || raw.ttl == data[0]));
    if (v.what == Kind::Ignore) return 0;
    const uint8_t* request = v.what == Kind::Reply ? m : m + 8 + (m[8] & 0x0Fu) * 4;  // or the one an error quotes
    FUZZ_CHECK(v.what == Kind::Reply ? m[0] == TypeEchoReply && from == e.destination
                                     : v.status == statusOfError(m[0], m[1]) && request >= m + 28
                                           && request + 8 <= m + size - 9 && request[0] == TypeEchoRequest && m[17] == 1
                                           && std::memcmp(m + 24, &e.destination, 4) == 0);
    FUZZ_CHECK(std::memcmp(request + 4, data + 5, 4) == 0);  // the identifier and sequence waited for
#elif defined(FUZZ_TARGET_fuzz_helper_request)
    using namespace HelperProtocol;
    std::string why;
    const std::optional<Request> request = decodeRequest(data, size, why);
    FUZZ_CHECK(request.has_value() == why.empty());
    if (!request) return 0;
    // Taken only whole: the request says again exactly the bytes that came.
    const std::vector<uint8_t> again = request->kind == RequestKind::Echo   ? encode(request->echo)
                                       : request->kind == RequestKind::Sync ? encodeSync(request->syncToken)
                                                                            : encode(request->arp);
    FUZZ_CHECK(again == std::vector<uint8_t>(data, data + size));
    const std::vector<InterfaceAddress> interfaces{{2, true, false, false, htonl(0xC6336402), htonl(0xFFFFFF00),
                                                    std::array<uint8_t, 6>{2, 0, 0, 0, 0, 2}}};
    if (request->kind == RequestKind::Sync) return 0;
    if (request->kind == RequestKind::Echo) {
        const uint32_t to = ntohl(request->echo.destination);
        FUZZ_CHECK(!refuseEcho(request->echo, interfaces).empty() ||
                   (to >> 24 != 0 && to >> 28 < 0xE && to != 0xC63364FF && request->echo.ttl != 0));
    } else {
        const InterfaceAddress* from = nullptr;
        const uint32_t to = ntohl(request->arp.target);
        FUZZ_CHECK(refuseArp(request->arp, interfaces, from).empty() ==
                   (request->arp.interfaceIndex == 2 && to >> 8 == 0xC63364 && (to & 0xFF) != 0 && (to & 0xFF) != 0xFF &&
                    (to & 0xFF) != 2));
        FUZZ_CHECK((from != nullptr) == refuseArp(request->arp, interfaces, from).empty());
    }
#elif defined(FUZZ_TARGET_fuzz_resolvehost)
    const std::string sent = trimmed(text).substr(0, 255), quoted = "WSocketResolveHost: '" + text + "' ";
    std::string expected = "WSocketResolveHost: Cannot convert host address '" + text + "'";
    if (size == 0 || size > 256) expected = quoted + "Invalid Hostname.";
    else if (sent[0] >= '0' && sent[0] <= '9' && parseLenientAddress(sent) == AllOnesAddress && sent != "255.255.255.255")
        expected = quoted + "Invalid IP address.";
    else if (sent[0] >= '0' && sent[0] <= '9') expected = dottedText(parseLenientAddress(sent));
    else if (const std::optional<HostEntry> known = lookUpHostName(sent)) expected = dottedText(known->addresses[0]);
    try {
        FUZZ_CHECK(dottedText(resolveHost(text)) == expected);
    } catch (const LookupError& error) {
        FUZZ_CHECK(error.what() == std::string(expected.c_str()));  // what() ends at a NUL
    }
#elif defined(FUZZ_TARGET_fuzz_settings)
    // Up to a NUL: every byte in order, a line ending where CR, LF or CR LF does.
    QByteArray expected = QByteArray::fromStdString(text.substr(0, std::min<size_t>(text.find('\0'), 4096)));
    expected.replace("\r\n", "\n").replace('\r', '\n');
    const std::vector<std::string> lines = settingsLines(QByteArray::fromStdString(text.substr(0, 4096)));
    QByteArray joined;
    for (const std::string& line : lines) joined += line + '\n';
    FUZZ_CHECK(joined == (expected.isEmpty() || expected.endsWith('\n') ? expected : expected + '\n'));
#endif
    return 0;
}

#if defined(FUZZ_REPLAY)
int main(int, char** argv)
{
    const QFileInfoList inputs = QDir(QString::fromLocal8Bit(argv[1])).entryInfoList(QDir::Files);
    for (const QFileInfo& input : inputs) {
        const QByteArray bytes = readTextFileStart(input.filePath(), 1 << 20).value();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
    return inputs.isEmpty();  // no input is a fault too
}
#endif
