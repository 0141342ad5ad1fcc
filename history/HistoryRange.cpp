// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistoryRange.h"

#include <QStringList>

namespace {

// Decimal digits only (no sign, no blank), at most three, 0..255.
std::optional<int> octet(QStringView text)
{
    if (text.isEmpty() || text.size() > 3) return std::nullopt;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value <= 255 ? std::optional<int>(value) : std::nullopt;
}

} // namespace

HistoryRange::HistoryRange(quint32 network, int first, int last)
    : m_network(network & 0xFFFFFFu), m_first(first), m_last(last)
{
}

std::optional<HistoryRange> HistoryRange::parse(const QString& text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4) return std::nullopt;
    const QStringList bounds = parts[3].split(u'-');
    if (bounds.size() != 2) return std::nullopt;
    quint32 network = 0;
    for (int i = 0; i < 3; ++i) {
        const std::optional<int> value = octet(parts[i]);
        if (!value) return std::nullopt;
        network = network << 8 | quint32(*value);
    }
    const std::optional<int> first = octet(bounds[0]), last = octet(bounds[1]);
    if (!first || !last || *first > *last) return std::nullopt;
    return HistoryRange(network, *first, *last);
}

std::optional<quint32> HistoryRange::parseAddress(const QString& text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4) return std::nullopt;
    quint32 address = 0;
    for (const QString& part : parts) {
        const std::optional<int> value = octet(part);
        if (!value) return std::nullopt;
        address = address << 8 | quint32(*value);
    }
    return address;
}

QString HistoryRange::addressText(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4").arg(address >> 24).arg(address >> 16 & 0xFF).arg(address >> 8 & 0xFF).arg(address & 0xFF);
}

QString HistoryRange::text() const
{
    return addressText(m_network << 8).chopped(2) + QStringLiteral(".%1-%2").arg(m_first).arg(m_last);
}

HistoryRange HistoryRange::withNetworkEnds() const
{
    return HistoryRange(m_network, m_first == 1 ? 0 : m_first, m_last == 254 ? 255 : m_last);
}
