// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Text helpers shared by every layer: the whole-number reading of the
// settings file and the octet fields, trimming, and making outside text safe
// to show.
#pragma once

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// Leading blanks, then an optional sign and decimal digits, or "$" and
// hexadecimal digits (a 32-bit pattern), and nothing after; within 32 bits.
std::optional<int32_t> parseWholeNumber(std::string_view text) noexcept;
// The same; throws std::runtime_error "'TEXT' is not a valid integer value".
int32_t wholeNumber(const std::string& text);

// Without the characters at either end whose code is a blank or lower.
std::string trimmed(std::string_view text);

// pattern with %1, %2 ... replaced by the values in order.
std::string filled(std::string_view pattern, std::initializer_list<std::string_view> values);

// The text with every character that could make it read as something else
// replaced by "?": control characters (C0, DEL, C1), which a terminal takes
// for commands; format characters, the bidirectional marks and embeddings
// among them (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069),
// which reorder what is shown around them; line and paragraph separators;
// and lone surrogates. Text from the network (host names) and from files goes
// through it before any output: the window, the reports, the notices, the
// history and the error boxes.
QString printable(const QString& text);
