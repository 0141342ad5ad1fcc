// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lookup/LocalLookup.h"

#include "base/KeptTexts.h"
#include "net/Ipv4.h"
#include "net/NameService.h"

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
    const std::vector<std::string> addresses = localAddresses();
    if (addresses.empty()) return std::nullopt;
    LocalIdentity identity;
    if (!splitDottedText(QString::fromStdString(addresses.front()), identity.octets)) return std::nullopt;
    identity.hostName = QString::fromLocal8Bit(localHostName());
    return identity;
}
