// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/HistoryStoreDialog.h"

#include "history/ServerLocation.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

HistoryStoreDialog::HistoryStoreDialog(const QString& uri, const QString& scannerName, QWidget* parent)
    : QDialog(parent), m_file(new QRadioButton(QStringLiteral("&This computer (SQLite file)"))),
      m_server(new QRadioButton(QStringLiteral("A &PostgreSQL server"))), m_uri(new QLineEdit(uri)),
      m_scanner(new QLineEdit(scannerName)), m_problem(new QLabel),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setObjectName(QStringLiteral("historyStoreDialog"));
    setWindowTitle(QStringLiteral("History store"));
    m_file->setObjectName(QStringLiteral("fileChoice"));
    m_server->setObjectName(QStringLiteral("serverChoice"));
    (uri.isEmpty() ? m_file : m_server)->setChecked(true);
    m_uri->setObjectName(QStringLiteral("uriEdit"));
    m_uri->setAccessibleName(QStringLiteral("Server URI"));
    m_uri->setPlaceholderText(QStringLiteral("postgresql://user@host:5432/database?sslmode=require"));
    m_scanner->setObjectName(QStringLiteral("scannerEdit"));
    m_scanner->setAccessibleName(QStringLiteral("Scanner name"));
    m_problem->setObjectName(QStringLiteral("storeProblem"));
    m_problem->setWordWrap(true);
    auto* passwords = new QLabel(QStringLiteral("The password is never asked or kept here: as psql, the program reads "
                                                "it from ~/.pgpass or the file that PGPASSFILE names. While the "
                                                "server is away, tests wait on this computer and are sent later."));
    passwords->setWordWrap(true);
    auto* form = new QFormLayout;
    auto* uriLabel = new QLabel(QStringLiteral("Server &URI:"));
    uriLabel->setBuddy(m_uri);
    auto* scannerLabel = new QLabel(QStringLiteral("&Scanner name:"));
    scannerLabel->setBuddy(m_scanner);
    form->addRow(uriLabel, m_uri);
    form->addRow(scannerLabel, m_scanner);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_file);
    column->addWidget(m_server);
    column->addLayout(form);
    column->addWidget(passwords);
    column->addWidget(m_problem);
    column->addWidget(m_buttons);
    setMinimumWidth(480);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QRadioButton* choice : {m_file, m_server}) connect(choice, &QRadioButton::toggled, this, &HistoryStoreDialog::check);
    for (QLineEdit* field : {m_uri, m_scanner}) connect(field, &QLineEdit::textChanged, this, &HistoryStoreDialog::check);
    check();
}

QString HistoryStoreDialog::serverUri() const
{
    return m_server->isChecked() ? m_uri->text().trimmed() : QString();
}

QString HistoryStoreDialog::scannerName() const
{
    return m_scanner->text().trimmed();
}

void HistoryStoreDialog::check()
{
    m_uri->setEnabled(m_server->isChecked());
    QString problem;
    if (m_server->isChecked()) {
        const ServerLocation location(m_uri->text().trimmed());
        if (!location.isValid()) problem = QStringLiteral("The URI cannot be used: %1.").arg(location.error());
    }
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    m_uri->setAccessibleDescription(problem);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(problem.isEmpty());
}
