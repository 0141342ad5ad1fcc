// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The scanner's own addresses never answer its ARP requests, yet their
// interfaces' MACs are known, and the scanner is on its link for the whole
// test: the link's answer comes before the echoes are taken, so it cannot
// wait for the own echo.
#pragma once

#include "link/LinkSightings.h"
#include "net/LocalNetworks.h"
#include "scan/TestOutcome.h"

#include <vector>

class OwnSightings {
public:
    // Adds, in address order, each own address of the test's plan with its
    // interface's MAC, unless the link already saw it.
    static void addTo(std::vector<LinkSighting>& sightings, const TestOutcome& outcome,
                      const std::vector<LocalInterface>& interfaces);
};
