// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Linux binds the resolver directly, so there is no library to load and no
// socket service to start; texts reach it as they reached a 257-byte buffer.
#include "net/NameLookup.h"

#include "net/Ipv4.h"
#include "net/NameService.h"
#include "base/KeptTexts.h"
#include "base/Text.h"

#include <optional>

namespace {

constexpr size_t MaxCallText = 255;
constexpr size_t MaxHostText = 256;

bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

} // namespace

uint32_t resolveHost(const std::string& hostText)
{
    if (hostText.empty() || hostText.size() > MaxHostText)
        throw LookupError(filled(KeptTexts::InvalidHostname, {hostText}));
    const std::string text = trimmed(hostText).substr(0, MaxCallText);
    if (!text.empty() && isDigit(text[0])) {
        const uint32_t address = parseDottedAddress(text);
        if (address != AllOnesAddress || text == "255.255.255.255") return address;
        throw LookupError(filled(KeptTexts::InvalidIpAddress, {hostText}));
    }
    const std::optional<HostEntry> entry = lookUpHostName(text);
    if (!entry) throw LookupError(filled(KeptTexts::UnknownHost, {hostText}));
    return entry->addresses.front();
}

std::string hostNameOf(const std::string& dottedAddress)
{
    return lookUpHostAddress(parseDottedAddress(dottedAddress.substr(0, MaxCallText))).value_or(std::string());
}

std::string localHostName()
{
    std::optional<std::string> name = lookUpLocalHostName();
    if (!name) throw LookupError(KeptTexts::NoLocalHostName);
    return std::move(*name);
}

std::vector<std::string> localAddresses()
{
    std::vector<std::string> addresses;
    if (const std::optional<HostEntry> entry = lookUpHostName(localHostName()))
        for (const uint32_t address : entry->addresses) addresses.push_back(dottedText(address));
    return addresses;
}
