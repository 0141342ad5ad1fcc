// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/KnownComputerWatch.h"

#include "scan/EntryDescription.h"

#include "net/Ipv4.h"

#include <QSet>

#include <utility>

namespace {

// Makers of this many MACs are kept at most: a /16 of them is plenty.
constexpr qsizetype MostMakers = 65536;

QString makerShown(const QString& mac, const QString& maker)
{
    return isPrivateMac(mac) ? QStringLiteral("private (random) address") : maker;
}

} // namespace

QStringList KnownComputerWatch::tested(const TestOutcome& outcome)
{
    if (m_makers.size() > MostMakers) m_makers.clear();
    if (m_conflicts.size() > MostMakers) m_conflicts.clear();
    QStringList told;
    QSet<uint32_t> seen;
    for (const TestOutcome::Sighting& sighting : outcome.onLink) {
        m_makers.insert(sighting.mac, sighting.maker);
        if (sighting.conflict.isEmpty()) continue;
        m_makers.insert(sighting.conflict, sighting.conflictMaker);
        seen.insert(sighting.address);
        // The pair in one order, whichever answered first this time.
        auto [first, second] = std::minmax(sighting.mac, sighting.conflict);
        const QString pair = first + QLatin1Char(' ') + second;
        if (std::exchange(m_conflicts[sighting.address], pair) == pair) continue;
        const QString address = QString::fromStdString(addressText(sighting.address));
        told << QStringLiteral("Address conflict at %1: %2 and %3 both answer for it")
                    .arg(address, described(first), described(second));
    }
    // Only a whole test that saw its link proves a conflict over; a stopped one did not ask everywhere.
    if (outcome.whole && outcome.comparable)
        m_conflicts.removeIf([&](QHash<uint32_t, QString>::iterator conflict) {
            return outcome.plan.contains(conflict.key()) && !seen.contains(conflict.key());
        });
    return told;
}

QStringList KnownComputerWatch::toTell(const KnownSightings& learned) const
{
    QStringList items;
    if (!m_notifyOfNew) return items;
    for (const NewComputer& computer : learned.newComputers) {
        if (isPrivateMac(computer.mac) && !m_notifyOfPrivate) continue;
        const QString maker = makerShown(computer.mac, m_makers.value(computer.mac));
        items << computer.address + QStringLiteral(", ") + computer.mac +
                     (maker.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(maker));
    }
    return items;
}

QString KnownComputerWatch::described(const QString& mac) const
{
    QStringList about;
    if (const QString maker = makerShown(mac, m_makers.value(mac)); !maker.isEmpty()) about << maker;
    // Only a MAC's own name: the address's belongs to both.
    if (const QString label = m_names.byMac.value(mac); !label.isEmpty()) about << label;
    return about.isEmpty() ? mac : mac + QStringLiteral(" (") + about.join(QStringLiteral(", ")) + QLatin1Char(')');
}
