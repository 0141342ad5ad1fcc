// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/EntryDescription.h"

#include <QStringList>

namespace {

const QString PrivateAddress = QStringLiteral("a private (random) address");

} // namespace

bool isPrivateMac(const QString& mac)
{
    bool ok = false;
    const uint first = mac.left(2).toUInt(&ok, 16);
    return ok && (first & 0x02) != 0;
}

namespace {

QString knockText(uint16_t port)
{
    return QStringLiteral("answers on TCP port %1, not on ping").arg(port);
}

QString openPortsText(const QList<int>& ports)
{
    QStringList numbers;
    for (const int port : ports) numbers << QString::number(port);
    return QStringLiteral("open TCP ports ") + numbers.join(QStringLiteral(", "));
}

} // namespace

QString entryDescription(const EntryFacts& entry)
{
    QString description = entry.answered     ? QStringLiteral("answering")
                          : entry.seenOnLink ? QStringLiteral("on the link, does not answer ping")
                          : entry.knockPort != 0 ? knockText(entry.knockPort)
                                             : QStringLiteral("not answering");
    if (!entry.label.isEmpty()) description += QStringLiteral(", named ") + entry.label;
    if (!entry.label.isEmpty() && !entry.name.isEmpty()) description += QStringLiteral(", host name ") + entry.name;
    if (!entry.mac.isEmpty()) description += QStringLiteral(", MAC address ") + entry.mac;
    if (!entry.mac.isEmpty() && isPrivateMac(entry.mac)) description += QStringLiteral(", ") + PrivateAddress;
    else if (!entry.maker.isEmpty()) description += QStringLiteral(", made by ") + entry.maker;
    if (!entry.conflict.isEmpty())
        description += QStringLiteral(", address conflict: MAC address %1 answers for it too").arg(entry.conflict);
    if (!entry.openPorts.isEmpty()) description += QStringLiteral(", ") + openPortsText(entry.openPorts);
    return description;
}

QVariant entryToolTip(const EntryFacts& entry, int width)
{
    // The list elides an entry wider than its cell: the tip shows it whole.
    QStringList lines;
    if (entry.text.size() > width) lines << entry.text;
    if (!entry.answered && !entry.seenOnLink && entry.knockPort != 0) lines << knockText(entry.knockPort);
    if (!entry.label.isEmpty()) {
        lines << QStringLiteral("Name: ") + entry.label;
        if (!entry.name.isEmpty()) lines << QStringLiteral("Host name: ") + entry.name;
    }
    if (!entry.mac.isEmpty()) lines << QStringLiteral("MAC address ") + entry.mac;
    if (!entry.mac.isEmpty() && isPrivateMac(entry.mac)) lines << QStringLiteral("Private (random) address");
    else if (!entry.mac.isEmpty() && !entry.maker.isEmpty()) lines << entry.maker;
    if (!entry.conflict.isEmpty()) lines << QStringLiteral("Address conflict: MAC address %1 answers for it too").arg(entry.conflict);
    if (!entry.openPorts.isEmpty()) lines << openPortsText(entry.openPorts);
    return lines.isEmpty() ? QVariant() : QVariant(lines.join(QLatin1Char('\n')));
}
