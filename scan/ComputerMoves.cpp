// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/ComputerMoves.h"

std::vector<AddressMove> findMoves(const QHash<uint32_t, QString>& lastMacs, const QSet<uint32_t>& lastPresent,
                                   const QSet<uint32_t>& presentNow, const std::vector<TestOutcome::Sighting>& onLink)
{
    // A MAC that answers for several addresses (a host with many) moves only where one of them is left.
    QHash<QString, uint32_t> leftFrom;
    QSet<QString> stayed;
    for (auto it = lastMacs.begin(); it != lastMacs.end(); ++it) {
        if (it.value().isEmpty()) continue;
        if (presentNow.contains(it.key())) stayed.insert(it.value());
        else if (lastPresent.contains(it.key())) leftFrom.insert(it.value(), it.key());
    }
    std::vector<AddressMove> moves;
    for (const TestOutcome::Sighting& sighting : onLink) {
        if (lastPresent.contains(sighting.address) || stayed.contains(sighting.mac)) continue;
        const auto from = leftFrom.find(sighting.mac);
        if (from == leftFrom.end()) continue;
        moves.push_back({from.value(), sighting.address, sighting.mac});
        leftFrom.erase(from);
    }
    return moves;
}
