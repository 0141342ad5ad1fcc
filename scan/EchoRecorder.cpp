// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/EchoRecorder.h"

#include "scan/FoundComputers.h"
#include "scan/Log.h"

EchoRecorder::EchoRecorder(FoundComputers& list, NameLookupStarter startNameLookup, QObject* parent)
    : QObject(parent), m_list(list), m_startNameLookup(std::move(startNameLookup))
{
}

QString EchoRecorder::statusLine(const QString& address, const EchoResult& result)
{
    QString line = QStringLiteral("Sending ping to ") + address;
    if (result.answered())
        line += QStringLiteral(" Reply O.K. - in ") + QString::number(result.roundTripMs) + QStringLiteral(" msecs");
    else
        line += QStringLiteral(" Timeout or not found");
    return line;
}

void EchoRecorder::record(const QString& address, const EchoResult& result)
{
    const bool answered = result.answered();
    const int row = m_list.rowOf(address);
    if (row >= 0) {
        m_list.setAnswered(row, answered);
    } else if (answered) {
        const int added = m_list.add(address);
        // Without its look-up the entry just keeps showing the address.
        try {
            if (m_startNameLookup) m_startNameLookup(added, address);
        } catch (const std::exception& e) {
            qCWarning(lcScan) << "no name look-up for" << address << ":" << e.what();
        }
    }
    const QString line = statusLine(address, result);
    if (answered || !m_onlyCorrectReplies) Q_EMIT resultLineAdded(line);
    Q_EMIT statusChanged(line);
}
