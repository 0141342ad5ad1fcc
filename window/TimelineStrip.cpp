// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/TimelineStrip.h"

#include "base/Durations.h"

#include <QPainter>
#include <QStringList>

#include <algorithm>

namespace {

QString clock(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("HH:mm"));
}

} // namespace

TimelineStrip::TimelineStrip(const ComputerHistory& computer, const QDateTime& now)
    : m_dayStart(now.toSecsSinceEpoch() - SecondsPerDay), m_now(now.toSecsSinceEpoch())
{
    for (const TimelineSpan& span : computer.timeline)
        m_spans.push_back({span.from.toSecsSinceEpoch(), span.to.toSecsSinceEpoch(), span.present});
    // A computer seen by one test only has no span yet: it starts there.
    if (m_spans.empty() && computer.lastSeen.toSecsSinceEpoch() >= m_dayStart)
        m_spans.push_back({computer.lastSeen.toSecsSinceEpoch(), computer.lastSeen.toSecsSinceEpoch(), computer.present});
    // The history's spans end at the last test; a change that test made
    // starts there, and shows as the newest state.
    if (!m_spans.empty() && m_spans.back().answering != computer.present)
        m_spans.push_back({m_spans.back().to, m_spans.back().to, computer.present});
}

void TimelineStrip::paint(QPainter& painter, const QRect& area) const
{
    if (area.width() < 2) return;
    const double perSecond = double(area.width()) / double(SecondsPerDay);
    const auto x = [&](qint64 time) { return area.left() + int((std::clamp(time, m_dayStart, m_now) - m_dayStart) * perSecond); };
    for (const Span& span : m_spans) {
        // A span shorter than a pixel still shows: tests minutes apart are all there is.
        const int left = std::min(x(span.from), area.right() - 1);
        painter.fillRect(left, area.top(), std::max(2, x(span.to) - left), area.height(),
                         span.answering ? AnsweringColour : SilentColour);
    }
}

QString TimelineStrip::description() const
{
    if (m_spans.empty()) return QStringLiteral("no test in the last 24 hours");
    QStringList parts;
    for (auto span = m_spans.rbegin(); span != m_spans.rend(); ++span) {
        const QString state = span->answering ? QStringLiteral("answering") : QStringLiteral("silent");
        parts << (span == m_spans.rbegin() ? state + QStringLiteral(" since ") + clock(span->from)
                                           : state + QLatin1Char(' ') + clock(span->from) + QStringLiteral(" to ") +
                                                 clock(span->to));
    }
    return parts.join(QStringLiteral(", "));
}
