// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "startup/ProgramSockets.h"

#include "startup/Log.h"
#include "base/KeptTexts.h"

#include <QCoreApplication>
#include <QFileInfo>

ProgramSockets ProgramSockets::open()
{
    ProgramSockets sockets;
    try {
        sockets.pinger = std::make_unique<Pinger>();
    } catch (const PingSocketError& e) {
        sockets.socketError = e;
        qCWarning(lcStartup, "no echo socket: %s", e.reason().c_str());
    }
    sockets.prober = ArpProber::open(sockets.proberWhy);
    if (!sockets.prober) qCInfo(lcStartup, "the neighbour table tells who is on the link: %s", sockets.proberWhy.c_str());
    return sockets;
}

QString noPingSocketText(const PingSocketError& error)
{
    const auto code = reinterpret_cast<quintptr>(&noPingSocketText);
    const QString message = QString::fromLocal8Bit(error.what());
    return QString::fromLatin1(KeptTexts::ApplicationError)
               .arg(QLatin1String(KeptTexts::PingSocketClass),
                    QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
                    QStringLiteral("%1").arg(code, int(sizeof(void*) * 2), 16, QLatin1Char('0')).toUpper()) +
           QLatin1Char('\n') + message + (message.endsWith(QLatin1Char('.')) ? QString() : QStringLiteral("."));
}
