// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lookup/LocalLookup.h"

#include "net/Ipv4.h"
#include "net/NameLookup.h"

#include <algorithm>
#include <string>
#include <vector>

bool splitDottedText(const QString& text, OctetTexts& parts)
{
    parts = {};
    if (text.isEmpty()) return false;
    QStringView rest = text;
    for (size_t i = 0; i < 3; ++i) {
        const qsizetype dot = rest.indexOf(u'.');
        if (dot < 0) continue;
        parts[i] = rest.left(dot).toString();
        rest = rest.mid(dot + 1);
    }
    parts[3] = rest.toString();
    return std::none_of(parts.begin(), parts.end(), [](const QString& part) { return part.isEmpty(); });
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

std::optional<SolvedName> solveHostName(const QString& hostText)
{
    SolvedName solved;
    try {
        solved.dotted = QString::fromStdString(dottedText(resolveHost(hostText.toLocal8Bit().toStdString())));
    } catch (const LookupError&) {
        return std::nullopt;
    }
    if (!splitDottedText(solved.dotted, solved.octets)) return std::nullopt;
    return solved;
}
