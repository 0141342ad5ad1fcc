// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lookup/LocalLookup.h"

#include "base/KeptTexts.h"
#include "lookup/Log.h"
#include "net/Ipv4.h"
#include "net/LocalNetworks.h"
#include "net/NameService.h"

#include <algorithm>

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

std::optional<LocalIdentity> localIdentity()
{
    std::vector<std::string> addresses = localAddresses();
    // Debian's hosts file gives the host name 127.0.1.1: a test of that range
    // would only ever reach this computer itself. An interface's address
    // says where the computer is on the network.
    const bool loopbackOnly = std::all_of(addresses.begin(), addresses.end(),
                                          [](const std::string& a) { return a.starts_with("127."); });
    if (loopbackOnly) {
        if (const std::optional<uint32_t> address = preferredLocalAddress()) {
            qCInfo(lcLookup) << "the host name is on loopback only; the interface address is taken";
            addresses = {dottedText(*address)};
        }
    }
    if (addresses.empty()) return std::nullopt;
    LocalIdentity identity;
    if (!splitDottedText(QString::fromStdString(addresses.front()), identity.octets)) return std::nullopt;
    identity.hostName = QString::fromLocal8Bit(localHostName());
    return identity;
}
