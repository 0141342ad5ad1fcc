// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/KnockDialog.h"

#include "files/Settings.h"
#include "net/TcpPortList.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

KnockDialog::KnockDialog(Settings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("knockDialog"));
    setWindowTitle(QStringLiteral("Knock on TCP ports"));
    m_knock = new QCheckBox(QStringLiteral("&Knock on TCP ports for the computers that ignore ping"), this);
    m_knock->setObjectName(QStringLiteral("knockCheck"));
    m_ports = new QLineEdit(this);
    m_ports->setObjectName(QStringLiteral("portsEdit"));
    m_ports->setAccessibleName(QStringLiteral("TCP ports"));
    m_ports->setAccessibleDescription(QStringLiteral("1 to 16 ports from 1 to 65535, joined by commas"));
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("problemLabel"));
    m_problem->setWordWrap(true);
    auto* note = new QLabel(QStringLiteral("A connection is opened and closed at once on each port of every address "
                                           "tested off this computer's own link (on it too when open ports are "
                                           "asked for): a firewall or an intrusion-detection system may log it as a port "
                                           "scan."),
                            this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &KnockDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &KnockDialog::reject);
    connect(m_knock, &QCheckBox::toggled, m_ports, &QWidget::setEnabled);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Ports:"), m_ports);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_knock);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

std::vector<uint16_t> KnockDialog::portsOf(const Settings& settings)
{
    if (!settings.tcpKnock()) return {};
    std::string why;
    if (const auto ports = parseTcpPortList(settings.tcpPorts().toStdString(), why); ports) return *ports;
    return *parseTcpPortList(DefaultTcpPorts, why);
}

void KnockDialog::openWithKeptChoice()
{
    m_knock->setChecked(m_settings.tcpKnock());
    m_ports->setEnabled(m_settings.tcpKnock());
    std::string why;
    const auto kept = parseTcpPortList(m_settings.tcpPorts().toStdString(), why);
    m_ports->setText(kept && !kept->empty()
                         ? QString::fromStdString(tcpPortListText(*kept))
                         : QString::fromLatin1(DefaultTcpPorts.data(), static_cast<qsizetype>(DefaultTcpPorts.size())));
    m_problem->clear();
    open();
}

void KnockDialog::accept()
{
    std::string why;
    const auto ports = parseTcpPortList(m_ports->text().toStdString(), why);
    if (m_knock->isChecked() && (!ports || ports->empty())) {
        m_problem->setText(ports ? QStringLiteral("No port to knock on: turn the knock off instead")
                                 : QStringLiteral("Not a list of ports: ") + QString::fromStdString(why));
        m_ports->setAccessibleDescription(m_problem->text());
        m_ports->setFocus();
        return;
    }
    m_ports->setAccessibleDescription(QStringLiteral("1 to 16 ports from 1 to 65535, joined by commas"));
    for (const QString& failure : {m_settings.setTcpKnock(m_knock->isChecked()),
                                   ports ? m_settings.setTcpPorts(QString::fromStdString(tcpPortListText(*ports))) : QString()})
        if (!failure.isEmpty()) Q_EMIT notKept(failure);
    QDialog::accept();
}
