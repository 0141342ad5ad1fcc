// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/KnownComputerWatch.h"

#include "scan/EntryDescription.h"

#include "net/Ipv4.h"

namespace {

// Makers of this many MACs are kept at most: a /16 of them is plenty.
constexpr qsizetype MostMakers = 65536;

} // namespace

void KnownComputerWatch::tested(const TestOutcome& outcome)
{
    if (m_makers.size() > MostMakers) m_makers.clear();
    if (m_conflicts.size() > MostMakers) m_conflicts.clear();
    for (const TestOutcome::Sighting& sighting : outcome.onLink) {
        m_makers.insert(sighting.mac, sighting.maker);
        if (sighting.conflict.isEmpty()) continue;
        m_makers.insert(sighting.conflict, sighting.conflictMaker);
        const QString address = QString::fromStdString(addressText(sighting.address));
        m_conflicts.insert(sighting.mac, {address, sighting.conflict});
        m_conflicts.insert(sighting.conflict, {address, sighting.mac});
    }
}

QStringList KnownComputerWatch::toTell(const KnownSightings& learned) const
{
    QStringList items;
    if (!m_notifyOfNew) return items;
    for (const NewComputer& computer : learned.newComputers) {
        const auto conflict = m_conflicts.constFind(computer.mac);
        const bool inConflict = conflict != m_conflicts.cend();
        const bool random = isPrivateMac(computer.mac);
        if (random && !m_notifyOfPrivate && !inConflict) continue;
        const QString maker = random ? QStringLiteral("private (random) address") : m_makers.value(computer.mac);
        items << (inConflict ? conflict->address : computer.address) + QStringLiteral(", ") + computer.mac +
                     (maker.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(maker)) +
                     (inConflict ? QStringLiteral(", address conflict: MAC address %1 answers for it too").arg(conflict->otherMac)
                                 : QString());
    }
    return items;
}
