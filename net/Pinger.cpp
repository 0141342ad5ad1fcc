// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/Pinger.h"

#include "net/Ipv4.h"
#include "net/NameService.h"

Pinger::Pinger() = default;

Pinger::Pinger(EchoSocketKind kind) : m_echoSocket(kind) {}

std::optional<EchoResult> Pinger::ping(const std::string& address)
{
    if (!m_resolved || address != m_resolvedText) {
        m_resolved = false;
        uint32_t found = parseLenientAddress(address);
        if (found == AllOnesAddress) {
            const std::optional<HostEntry> entry = lookUpHostName(address);
            // A failed look-up is tried again at the next ping of the text.
            if (!entry) return std::nullopt;
            found = entry->addresses.front();
        }
        m_resolvedText = address;
        m_resolvedAddress = found;
        m_resolved = true;
    }
    if (m_resolvedAddress == AllOnesAddress) return std::nullopt;
    if (onRequest) onRequest();
    const EchoResult result = m_echoSocket.echo(m_resolvedAddress, m_timeToLive, m_timeoutMs);
    if (onReturned) onReturned();
    return result;
}
