// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "base/Text.h"

#include "base/KeptTexts.h"

#include <limits>
#include <stdexcept>

namespace {

int hexDigit(char c) noexcept
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isBlankOrControl(char c) noexcept { return static_cast<unsigned char>(c) <= ' '; }

} // namespace

std::optional<int32_t> parseWholeNumber(std::string_view text) noexcept
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == text.size()) return std::nullopt;

    if (text[i] == '$') {
        if (++i == text.size()) return std::nullopt;
        uint64_t pattern = 0;
        for (; i < text.size(); ++i) {
            const int digit = hexDigit(text[i]);
            if (digit < 0) return std::nullopt;
            pattern = pattern * 16 + static_cast<uint64_t>(digit);
            if (pattern > std::numeric_limits<uint32_t>::max()) return std::nullopt;
        }
        return static_cast<int32_t>(static_cast<uint32_t>(pattern));
    }

    const bool negative = text[i] == '-';
    if (text[i] == '+' || text[i] == '-') ++i;
    if (i == text.size()) return std::nullopt;
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) return std::nullopt;
    }
    if (!negative && magnitude == limit) return std::nullopt;
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

int32_t wholeNumber(const std::string& text)
{
    const std::optional<int32_t> value = parseWholeNumber(text);
    if (!value) throw std::runtime_error(filled(KeptTexts::NotAWholeNumber, {text}));
    return *value;
}

std::string trimmed(std::string_view text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isBlankOrControl(text[first])) ++first;
    while (last > first && isBlankOrControl(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

std::string filled(std::string_view pattern, std::initializer_list<std::string_view> values)
{
    std::string text;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const size_t number = i + 1 < pattern.size() ? static_cast<size_t>(pattern[i + 1] - '1') : values.size();
        if (pattern[i] == '%' && number < values.size()) {
            text += values.begin()[number];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

QString printable(const QString& text)
{
    QString safe;
    safe.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            if (QChar::category(QChar::surrogateToUcs4(c, text[i + 1])) == QChar::Other_Format) {
                safe += u'?';
            } else {
                safe += c;
                safe += text[i + 1];
            }
            ++i;
            continue;
        }
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph: safe += u'?'; break;
        default: safe += c;
        }
    }
    return safe;
}
