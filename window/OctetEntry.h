// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The check of an octet field, run at every change of its text, so that the
// field always holds a valid octet.
#pragma once

#include <QString>

struct OctetEntry {
    int value;     // what the field holds from now on, shown in its plain form
    bool refused;  // the text was no whole number within the range: the range message is due
};

// An empty (or blank) text takes emptyValue without a message; a whole number
// within [min, max] is taken ("007", "$1F", " 12"); anything else is refused
// and the field keeps previous.
OctetEntry checkOctetEntry(const QString& text, int previous, int min, int max, int emptyValue);
