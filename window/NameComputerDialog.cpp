// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/NameComputerDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

NameComputerDialog::NameComputerDialog(const QString& computer, const QString& name, QWidget* parent)
    : QDialog(parent), m_name(new QLineEdit(name, this)), m_note(new QLineEdit(this))
{
    setObjectName(QStringLiteral("nameComputerDialog"));
    setWindowTitle(QStringLiteral("Name this computer"));
    m_name->setObjectName(QStringLiteral("computerNameEdit"));
    m_note->setObjectName(QStringLiteral("computerNoteEdit"));
    m_name->setMaxLength(200);
    m_note->setMaxLength(1000);
    auto* layout = new QFormLayout(this);
    auto* about = new QLabel(computer, this);
    about->setObjectName(QStringLiteral("namedComputerLabel"));
    layout->addRow(about);
    layout->addRow(QStringLiteral("&Name:"), m_name);
    layout->addRow(QStringLiteral("N&ote:"), m_note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // An empty name would forget it: that is the menu's other choice.
    const auto allow = [this, buttons] { buttons->button(QDialogButtonBox::Ok)->setEnabled(!m_name->text().trimmed().isEmpty()); };
    connect(m_name, &QLineEdit::textChanged, this, allow);
    allow();
}

QString NameComputerDialog::name() const
{
    return m_name->text().trimmed();
}

QString NameComputerDialog::note() const
{
    return m_note->text().trimmed();
}
