// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Forward look-ups: a typed host name or dotted address to its IPv4 address,
// with the rules and messages users see, and the four octet texts the window
// shows of an address.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

class LookupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A host name or dotted address to its IPv4 address (network byte order).
// The text is trimmed and cut to 255 characters; one that starts with a digit
// is taken as a dotted address and never looked up by name. Throws
// LookupError, quoting the text as given:
//   empty or over 256 characters      "WSocketResolveHost: 'TEXT' Invalid Hostname."
//   a digit first, no dotted address  "WSocketResolveHost: 'TEXT' Invalid IP address."
//     ("255.255.255.255" itself gives AllOnesAddress)
//   a name nobody knows, or blanks    "WSocketResolveHost: Cannot convert host address 'TEXT'"
[[nodiscard]] uint32_t resolveHost(const std::string& hostText);

using OctetTexts = std::array<QString, 4>;

// The texts before the first, second and third dot and all that follows the
// third; a part whose dot is missing stays empty. True only when all four are
// non-empty. Nothing is trimmed or checked for being a number.
[[nodiscard]] bool splitDottedText(const QString& text, OctetTexts& parts);

struct SolvedName {
    QString dotted;
    OctetTexts octets;
};
// "Solve IP": the address of a typed host name or dotted address (see
// resolveHost); nullopt, with the reason in why, when it cannot be resolved
// or does not split. Blocks for the name service.
[[nodiscard]] std::optional<SolvedName> solveHostName(const QString& hostText, QString* why = nullptr);
