// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "Name this computer…": a name of the user's own and a note for a computer,
// kept by its MAC address, or by its address where it has none.
#pragma once

#include <QDialog>

class QLineEdit;

class NameComputerDialog : public QDialog {
    Q_OBJECT
public:
    // computer: how the dialog names it ("198.51.100.40, 00:1c:42:5c:a1:40").
    NameComputerDialog(const QString& computer, const QString& name, QWidget* parent);

    QString name() const;
    QString note() const;

private:
    QLineEdit* m_name;
    QLineEdit* m_note;
};
