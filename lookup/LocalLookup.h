// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Local look-ups: the local computer's name and addresses, and "Get local
// IP", its address as the four octet texts the window shows.
#pragma once

#include "lookup/ForwardLookup.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

// Throws LookupError "Winsock.GetHostName failed" when the name cannot be read.
[[nodiscard]] std::string localHostName();
// The local host's IPv4 addresses as dotted text, in the name service's order;
// empty when its name has none. Throws as localHostName().
[[nodiscard]] std::vector<std::string> localAddresses();

struct LocalIdentity {
    OctetTexts octets;  // of the first local address; where the host name has
                        // only loopback ones, of the preferred interface's
    QString hostName;
};
// nullopt when the local host has no address or it does not split. Throws
// LookupError "Winsock.GetHostName failed" when the name cannot be read.
// Blocks for the name service.
[[nodiscard]] std::optional<LocalIdentity> localIdentity();
