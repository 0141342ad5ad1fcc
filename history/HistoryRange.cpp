// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistoryRange.h"

#include "net/ScanRange.h"

HistoryRange::HistoryRange(quint32 network, int first, int last)
    : m_network(network & 0xFFFFFFu), m_first(first), m_last(last)
{
}

std::optional<HistoryRange> HistoryRange::parse(const QString& text)
{
    const std::optional<ScanRange> range = parseRangeText(text.toStdString());
    if (!range || !range->isInOneNetwork() || text.contains(u'/')) return std::nullopt;
    return HistoryRange(range->first >> 8, int(range->first & 0xFF), int(range->last & 0xFF));
}

QString HistoryRange::text() const
{
    return QString::fromStdString(scanRangeText({lowest(), highest()}));
}

HistoryRange HistoryRange::withNetworkEnds() const
{
    return HistoryRange(m_network, m_first == 1 ? 0 : m_first, m_last == 254 ? 255 : m_last);
}
