// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/KnownComputerWatch.h"

#include "scan/EntryDescription.h"

namespace {

// Makers of this many MACs are kept at most: a /16 of them is plenty.
constexpr qsizetype MostMakers = 65536;

} // namespace

void KnownComputerWatch::tested(const TestOutcome& outcome)
{
    if (m_makers.size() > MostMakers) m_makers.clear();
    for (const TestOutcome::Sighting& sighting : outcome.onLink) m_makers.insert(sighting.mac, sighting.maker);
}

QStringList KnownComputerWatch::toTell(const KnownSightings& learned) const
{
    QStringList items;
    if (!m_notifyOfNew) return items;
    for (const NewComputer& computer : learned.newComputers) {
        const bool random = isPrivateMac(computer.mac);
        if (random && !m_notifyOfPrivate) continue;
        const QString maker = random ? QStringLiteral("private (random) address") : m_makers.value(computer.mac);
        items << computer.address + QStringLiteral(", ") + computer.mac +
                     (maker.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(maker));
    }
    return items;
}
