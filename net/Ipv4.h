// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// IPv4 addresses as 32-bit values in network byte order, and their dotted text.
#pragma once

#include <cstdint>
#include <string>

// What parsing gives for a text that is no dotted address; an echo engine
// takes it for "no usable address" (so "255.255.255.255" is not pinged).
inline constexpr uint32_t AllOnesAddress = 0xFFFFFFFFu;

// The classic forms (inet_aton: octal, hexadecimal, fewer parts); a NUL
// ends the text. AllOnesAddress when it is no dotted address.
uint32_t parseDottedAddress(const std::string& text) noexcept;
std::string dottedText(uint32_t address);
