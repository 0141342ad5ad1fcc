// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Linux binds the resolver directly, so there is no library to load and no
// socket service to start; texts reach it as they reached a 257-byte buffer.
#include "lookup/ForwardLookup.h"

#include "base/KeptTexts.h"
#include "base/Text.h"
#include "lookup/Log.h"
#include "net/Ipv4.h"
#include "net/NameService.h"

#include <algorithm>

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
        const uint32_t address = parseLenientAddress(text);
        if (address != AllOnesAddress || text == "255.255.255.255") return address;
        throw LookupError(filled(KeptTexts::InvalidIpAddress, {hostText}));
    }
    const std::optional<HostEntry> entry = lookUpHostName(text);
    if (!entry) throw LookupError(filled(KeptTexts::UnknownHost, {hostText}));
    return entry->addresses.front();
}

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

std::optional<SolvedName> solveHostName(const QString& hostText, QString* why)
{
    SolvedName solved;
    try {
        solved.dotted = QString::fromStdString(dottedText(resolveHost(hostText.toLocal8Bit().toStdString())));
    } catch (const LookupError& e) {
        qCInfo(lcLookup) << "Solve IP:" << e.what();
        if (why != nullptr) *why = QString::fromLocal8Bit(e.what());
        return std::nullopt;
    }
    if (!splitDottedText(solved.dotted, solved.octets)) return std::nullopt;
    return solved;
}
