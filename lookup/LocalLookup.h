// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "Get local IP" and "Solve IP": the local computer's address and name, and a
// typed host name's address, as the four octet texts the window shows.
#pragma once

#include <QString>

#include <array>
#include <optional>

using OctetTexts = std::array<QString, 4>;

// The texts before the first, second and third dot and all that follows the
// third; a part whose dot is missing stays empty. True only when all four are
// non-empty. Nothing is trimmed or checked for being a number.
bool splitDottedText(const QString& text, OctetTexts& parts);

struct LocalIdentity {
    OctetTexts octets;  // of the first local address
    QString hostName;
};
// nullopt when the local host has no address or it does not split. Throws
// LookupError "Winsock.GetHostName failed" when the name cannot be read.
std::optional<LocalIdentity> localIdentity();

struct SolvedName {
    QString dotted;
    OctetTexts octets;
};
// The address of a typed host name or dotted address (see resolveHost);
// nullopt when it cannot be resolved or does not split.
std::optional<SolvedName> solveHostName(const QString& hostText);
