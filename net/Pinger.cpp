// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/Pinger.h"

#include "net/Ipv4.h"
#include "net/NameService.h"

Pinger::Pinger() = default;

Pinger::Pinger(EchoSocketKind kind) : echoSocket(kind) {}

std::optional<EchoResult> Pinger::ping(const std::string& address)
{
    if (!resolved || address != resolvedText) {
        resolved = false;
        uint32_t found = parseDottedAddress(address);
        if (found == AllOnesAddress) {
            const std::optional<HostEntry> entry = lookUpHostName(address);
            // A failed look-up is tried again at the next ping of the text.
            if (!entry) return std::nullopt;
            found = entry->addresses.front();
        }
        resolvedText = address;
        resolvedAddress = found;
        resolved = true;
    }
    if (resolvedAddress == AllOnesAddress) return std::nullopt;
    if (onRequest) onRequest();
    const EchoResult result = echoSocket.echo(resolvedAddress, timeToLive, timeoutMs);
    if (onReturned) onReturned();
    return result;
}
