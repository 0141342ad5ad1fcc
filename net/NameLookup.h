// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The look-ups the window's commands and the found computers need, with the
// rules and messages users see.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

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
uint32_t resolveHost(const std::string& hostText);
// The name of a dotted address; empty when it has none. The text is not
// checked: one that is no dotted address asks for the all-ones address.
std::string hostNameOf(const std::string& dottedAddress);
// Throws LookupError "Winsock.GetHostName failed" when the name cannot be read.
std::string localHostName();
// The local host's IPv4 addresses as dotted text, in the name service's order;
// empty when its name has none. Throws as localHostName().
std::vector<std::string> localAddresses();
