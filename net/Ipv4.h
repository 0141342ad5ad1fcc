// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// IPv4 addresses as 32-bit values and their one dotted text. Sockets hold
// them in network byte order; plans, ranges and the history in host byte
// order, so that they can be counted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What the lenient parser gives for a text that is no address; an echo
// engine takes it for "no usable address" (so "255.255.255.255" is not pinged).
inline constexpr uint32_t AllOnesAddress = 0xFFFFFFFFu;

// "A.B.C.D", four decimal octets 0..255 without sign, blank or leading
// zeros beyond three digits; host byte order. None for anything else.
[[nodiscard]] std::optional<uint32_t> parseAddress(std::string_view text) noexcept;
// The lenient forms that the address fields have always taken (inet_aton:
// octal, hexadecimal, fewer parts, so "10.1" is 10.0.0.1); a NUL ends the
// text. Network byte order; AllOnesAddress when it is no address.
[[nodiscard]] uint32_t parseLenientAddress(const std::string& text) noexcept;
// "A.B.C.D" of an address in host byte order.
[[nodiscard]] std::string addressText(uint32_t hostOrder);
// The same text of an address in network byte order.
[[nodiscard]] std::string dottedText(uint32_t networkOrder);
