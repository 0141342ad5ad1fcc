// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/ChangeWatch.h"

void ChangeWatch::testStarted(const QString& network, int rangeMin, int rangeMax)
{
    m_running = Test{network, network + QStringLiteral(".%1-%2").arg(rangeMin).arg(rangeMax), {}, true};
}

void ChangeWatch::echoed(const QString& address, bool answered)
{
    if (!m_running) return;
    if (!address.startsWith(m_running->network + QLatin1Char('.')) ||
        address.count(QLatin1Char('.')) != m_running->network.count(QLatin1Char('.')) + 1)
        m_running->comparable = false;
    else if (answered)
        m_running->answering << address;
}

std::optional<RangeChange> ChangeWatch::testEnded(bool stopped)
{
    std::optional<Test> test = std::exchange(m_running, std::nullopt);
    if (!test || stopped || !test->comparable) return std::nullopt;
    const auto last = m_lastWhole.constFind(test->range);
    const bool first = last == m_lastWhole.constEnd();
    std::optional<RangeChange> change;
    if (!first) {
        const QSet<QString> before(last->begin(), last->end()), now(test->answering.begin(), test->answering.end());
        RangeChange found;
        for (const QString& address : test->answering)
            if (!before.contains(address)) found.answeringNow << address;
        for (const QString& address : *last)
            if (!now.contains(address)) found.stoppedAnswering << address;
        if (!found.answeringNow.isEmpty() || !found.stoppedAnswering.isEmpty()) change = found;
    }
    m_lastWhole.insert(test->range, test->answering);
    return change;
}
