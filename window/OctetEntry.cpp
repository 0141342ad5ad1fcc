// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/OctetEntry.h"

#include "base/Text.h"

OctetEntry checkOctetEntry(const QString& text, int previous, int min, int max, int emptyValue)
{
    const std::string typed = text.toStdString();
    if (trimmed(typed).empty()) return {emptyValue, false};
    const std::optional<int32_t> number = parseWholeNumber(typed);
    if (number && *number >= min && *number <= max) return {*number, false};
    return {previous, true};
}
