// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "files/SettingsFile.h"

#include "base/KeptTexts.h"
#include "base/Text.h"
#include "files/TextFile.h"

#include <QFileInfo>

#include <algorithm>
#include <stdexcept>

namespace SettingsFile {

namespace {

// Seven short numbers take a few dozen bytes; the rest of a larger file is
// never read.
constexpr qsizetype ReadLimit = 4096;

std::vector<std::string> splitLines(const QByteArray& bytes)
{
    std::vector<std::string> lines;
    const qsizetype nul = bytes.indexOf('\0');
    const qsizetype size = nul < 0 ? bytes.size() : nul;
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(bytes.constData() + start, static_cast<size_t>(i - start));
        if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < size) lines.emplace_back(bytes.constData() + start, static_cast<size_t>(size - start));
    return lines;
}

// A line break (or a NUL, which ends the text when read) inside a field
// would shift every later line.
std::string oneLine(const std::string& text)
{
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        line += c == '\r' || c == '\n' || c == '\0' ? ' ' : c;
    }
    return line;
}

} // namespace

std::optional<std::vector<std::string>> readLines(const QString& fileName)
{
    // A folder cannot be read as a file: the defaults, as for any file that cannot be read.
    if (QFileInfo(fileName).isDir()) return std::nullopt;
    const std::optional<QByteArray> bytes = readTextFileStart(fileName, ReadLimit);
    if (!bytes) return std::nullopt;
    return splitLines(*bytes);
}

std::vector<std::string> defaultLines()
{
    return {"1", "1", "1", "1", "1", "254", "1"};
}

bool write(const std::array<std::string, LineCount>& texts, const QString& fileName)
{
    std::string bytes;
    for (const std::string& text : texts) bytes += trimmed(oneLine(text)) + "\r\n";
    return writeTextFile(fileName, QByteArray::fromStdString(bytes));
}

void applyLines(const std::vector<std::string>& lines, std::span<const Range> ranges,
                const std::function<void(size_t line, int value)>& apply)
{
    for (size_t line = 0; line < ranges.size(); ++line) {
        if (line >= lines.size()) throw std::runtime_error(filled(KeptTexts::MissingLine, {std::to_string(line)}));
        const int value = wholeNumber(lines[line]);
        apply(line, std::clamp(value, ranges[line].min, ranges[line].max));
    }
}

} // namespace SettingsFile
