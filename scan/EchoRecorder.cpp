// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/EchoRecorder.h"

#include "scan/FoundComputers.h"
#include "scan/Log.h"

#include <cstring>

EchoRecorder::EchoRecorder(FoundComputers& list, NameLookupStarter startNameLookup, QObject* parent)
    : QObject(parent), m_list(list), m_startNameLookup(std::move(startNameLookup))
{
}

QString EchoRecorder::statusLine(const QString& address, const EchoResult& result)
{
    QString line = QStringLiteral("Sending ping to ") + address;
    if (result.answered())
        line += QStringLiteral(" Reply O.K. - in ") + QString::number(result.roundTripMs) + QStringLiteral(" msecs");
    else if (result.status == EchoStatus::SendFailed)
        // This host refused to send it: that says nothing of the address.
        line += QStringLiteral(" Send failed: ") +
                (result.sendError != 0 ? QString::fromLocal8Bit(std::strerror(result.sendError))
                                       : QStringLiteral("refused by this host"));
    else
        line += QStringLiteral(" Timeout or not found");
    return line;
}

void EchoRecorder::record(const QString& address, const EchoResult& result)
{
    const bool answered = result.answered();
    const int row = m_list.rowOf(address);
    if (row >= 0) {
        if (result.status != EchoStatus::SendFailed) m_list.setAnswered(row, answered);
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
