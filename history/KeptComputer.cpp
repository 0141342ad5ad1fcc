// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/KeptComputer.h"

#include "base/Durations.h"
#include "base/Text.h"
#include "net/Ipv4.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

KeptComputer::KeptComputer(quint32 address, const QSqlQuery& query, int first)
    : m_octet(int(address & 0xFF))
{
    const auto value = [&](int i) { return query.value(first + i); };
    m_firstSeen = value(0).toLongLong();
    m_lastSeen = value(1).toLongLong();
    m_state = value(5).toLongLong() != 0;
    m_history.address = QString::fromStdString(addressText(address));
    m_history.name = printable(value(2).toString());
    m_history.mac = printable(value(3).toString());
    m_history.firstSeen = QDateTime::fromSecsSinceEpoch(m_firstSeen);
    m_history.lastSeen = QDateTime::fromSecsSinceEpoch(m_lastSeen);
    m_history.present = value(4).isNull() ? m_state : value(4).toLongLong() != 0;
    const QString seenBy = value(6).toString();
    m_history.seenBy = seenBy == QLatin1String("echo") ? ComputerHistory::SeenBy::Echo
                       : seenBy == QLatin1String("link") ? ComputerHistory::SeenBy::Link
                       : seenBy == QLatin1String("tcp")  ? ComputerHistory::SeenBy::Tcp
                                                        : ComputerHistory::SeenBy::Unknown;
}

ComputerHistory KeptComputer::finish(const std::vector<WholeTest>& tests, const QDateTime& now)
{
    const qint64 at = now.toSecsSinceEpoch(), dayStart = at - SecondsPerDay, weekStart = at - 7 * SecondsPerDay;
    std::vector<qint64> covering;
    for (const WholeTest& test : tests)
        if (test.firstOctet <= m_octet && m_octet <= test.lastOctet) covering.push_back(test.ended);
    // The kept changes alternate: before the first of them the state was the other one.
    const bool initial = m_changes.empty() ? m_state : !m_changes.front().present;
    const StateTimeline timeline(initial, std::move(m_changes));
    m_history.uptime24h = timeline.uptime(covering, std::max(dayStart + 1, m_firstSeen), at);
    m_history.uptime7d = timeline.uptime(covering, std::max(weekStart + 1, m_firstSeen), at);
    const qint64 lastObserved = std::min(at, std::max(covering.empty() ? 0 : covering.back(), m_lastSeen));
    for (const StateSpan& span : timeline.spans(std::max(dayStart, m_firstSeen), lastObserved))
        m_history.timeline.push_back({QDateTime::fromSecsSinceEpoch(span.from), QDateTime::fromSecsSinceEpoch(span.to),
                                      span.present});
    return std::move(m_history);
}
