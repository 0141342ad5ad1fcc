// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Which field each of the seven lines of "Scanvet.cfg" belongs to: the four
// octets, the lowest and highest last octet of the range, and the repeat
// period, in that order.
#pragma once

#include <QString>

#include <array>

class ConfigSheet;
class FieldSpinner;
class QLineEdit;
class TopBar;

class SettingsFields {
public:
    SettingsFields(TopBar& topBar, ConfigSheet& configSheet);

    // Reads the file into the fields' spinners. Throws at the first line that
    // is missing or no whole number; the lines before it are in by then.
    // A file that cannot be read gives the file's defaults.
    void read(const QString& fileName) const;
    // Writes the fields as they show them; an octet field as it shows once
    // its check is done, never a text the check is refusing. False when the
    // file cannot be written.
    bool write(const QString& fileName) const;

private:
    struct Field {
        QLineEdit* edit;
        FieldSpinner* spinner;
        bool checked;  // an octet field, whose text the spinner stands behind
    };
    std::array<Field, 7> m_fields;
};
