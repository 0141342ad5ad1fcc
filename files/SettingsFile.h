// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The seven numbers kept from one run to the next, one a line, in
// "Scanvet.cfg" of the working directory: the four octets, the lowest and
// highest last octet of the range, and the repeat period in minutes.
#pragma once

#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace SettingsFile {

inline constexpr int LineCount = 7;
inline const QString FileName = QStringLiteral("Scanvet.cfg");

// The file's lines (CR, LF or CR LF end a line; a NUL ends the text). Only
// the start of the file is read, a few kilobytes, enough for seven lines;
// what lies beyond is taken as the end of the text, and so is anything that
// is no regular file or folder. nullopt when the file cannot be read or is a
// folder.
std::optional<std::vector<std::string>> readLines(const QString& fileName = FileName);
// What a start uses when the file cannot be read: 1 1 1 1 1 254 1.
std::vector<std::string> defaultLines();

// Exactly seven lines, each followed by CR LF: each text trimmed, and any
// line break (or NUL, which would end the text when read) inside it turned
// into a blank. False when it cannot be written.
bool write(const std::array<std::string, LineCount>& texts, const QString& fileName = FileName);

struct Range {
    int min;
    int max;
};
// For each range in order: reads line i as a whole number, brings it into the
// range and hands it to apply(i, value). Throws std::runtime_error at the
// first line that is missing ("List index out of bounds (I)", I from 0) or is
// no whole number ("'LINE' is not a valid integer value"); the lines before
// it have been applied by then.
void applyLines(const std::vector<std::string>& lines, std::span<const Range> ranges,
                const std::function<void(size_t line, int value)>& apply);

} // namespace SettingsFile
