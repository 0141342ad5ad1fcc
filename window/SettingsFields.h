// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Which field each of the seven numbers of "Scanvet.cfg" belongs to: the
// four octets, the lowest and highest last octet of the range, and the
// repeat period, in that order.
#pragma once

#include <QString>

#include <array>

class ConfigSheet;
class FieldSpinner;
class QLineEdit;
class Settings;
class TopBar;

class SettingsFields {
public:
    SettingsFields(TopBar& topBar, ConfigSheet& configSheet);

    // The stored numbers into the fields' spinners, up to the first bad
    // line; that line's message, empty when all seven are in.
    [[nodiscard]] QString read(const Settings& settings) const;
    // Writes the fields as they show them; an octet field as it shows once
    // its check is done, never a text the check is refusing. False, with the
    // reason in why, when the file cannot be written.
    [[nodiscard]] bool write(const Settings& settings, QString* why) const;

private:
    struct Field {
        QLineEdit* edit;
        FieldSpinner* spinner;
        bool checked;  // an octet field, whose text the spinner stands behind
    };
    std::array<Field, 7> m_fields;
};
