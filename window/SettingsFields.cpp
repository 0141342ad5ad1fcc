// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/SettingsFields.h"

#include "files/Settings.h"
#include "window/ConfigSheet.h"
#include "window/FieldSpinner.h"
#include "window/TopBar.h"

#include <QLineEdit>

SettingsFields::SettingsFields(TopBar& topBar, ConfigSheet& configSheet)
    : m_fields{{{topBar.octetEdit(0), topBar.octetSpinner(0), true},
                {topBar.octetEdit(1), topBar.octetSpinner(1), true},
                {topBar.octetEdit(2), topBar.octetSpinner(2), true},
                {topBar.octetEdit(3), topBar.octetSpinner(3), true},
                {configSheet.rangeMinEdit(), configSheet.rangeMinSpinner(), false},
                {configSheet.rangeMaxEdit(), configSheet.rangeMaxSpinner(), false},
                {configSheet.repeatEdit(), configSheet.repeatSpinner(), false}}}
{
}

QString SettingsFields::read(const Settings& settings) const
{
    const Settings::StoredFields stored = settings.readFields();
    for (size_t i = 0; i < stored.values.size(); ++i) m_fields[i].spinner->setPosition(stored.values[i]);
    return stored.error;
}

bool SettingsFields::write(const Settings& settings, QString* why) const
{
    std::array<std::string, Settings::FieldCount> texts;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const Field& field = m_fields[i];
        // A close can come while the check of a typed octet still shows its
        // message: the field then holds a text that is about to be undone.
        const QString text = field.checked ? QString::number(field.spinner->position()) : field.edit->text();
        texts[i] = text.toLocal8Bit().toStdString();
    }
    return settings.writeFields(texts, why);
}
