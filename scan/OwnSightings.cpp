// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/OwnSightings.h"

#include <arpa/inet.h>

#include <algorithm>

void OwnSightings::addTo(std::vector<LinkSighting>& sightings, const TestOutcome& outcome,
                         const std::vector<LocalInterface>& interfaces)
{
    const auto byAddress = [](const LinkSighting& a, const LinkSighting& b) { return ntohl(a.address) < ntohl(b.address); };
    for (const LocalInterface& interface : interfaces) {
        if (interface.loopback || !interface.mac) continue;
        const bool seen = std::any_of(sightings.begin(), sightings.end(),
                                      [&](const LinkSighting& sighting) { return sighting.address == interface.address; });
        if (!outcome.plan.contains(ntohl(interface.address)) || seen) continue;
        const LinkSighting own{interface.address, *interface.mac};
        sightings.insert(std::upper_bound(sightings.begin(), sightings.end(), own, byAddress), own);
    }
}
