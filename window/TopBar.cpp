// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/TopBar.h"

#include "base/KeptTexts.h"
#include "base/Text.h"
#include "lookup/LocalLookup.h"
#include "window/BackgroundLookup.h"
#include "window/Controls.h"
#include "window/Dialogs.h"
#include "window/FieldSpinner.h"
#include "window/OctetEntry.h"

#include <QLineEdit>
#include <QPushButton>

using namespace Controls;

TopBar::TopBar(Dialogs& dialogs, QWidget* parent) : QWidget(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("topBar"));
    const QFont bold = sansSerif(13, true);
    QPalette blackOnWhite;
    blackOnWhite.setColor(QPalette::Base, Qt::white);
    blackOnWhite.setColor(QPalette::Text, Qt::black);
    struct Octet {
        const char* name;
        const char* accessibleName;
        int x, min, max, position;
    };
    const Octet octets[] = {
        {"firstOctetEdit", "First octet", 6, 0, 255, 127},
        {"secondOctetEdit", "Second octet", 62, 0, 255, 0},
        {"thirdOctetEdit", "Third octet", 118, 0, 255, 0},
        {"fourthOctetEdit", "Fourth octet", 174, 1, 254, 1},
    };
    for (size_t i = 0; i < m_octetEdits.size(); ++i) {
        const Octet& o = octets[i];
        QLineEdit* edit = lineEdit(this, o.name, QRect(o.x, 4, 37, 24), QLatin1String(o.accessibleName));
        edit->setFont(bold);
        edit->setPalette(blackOnWhite);
        edit->setToolTip(QLatin1String(KeptTexts::OctetTip));
        m_octetEdits[i] = edit;
        m_octetSpinners[i] = spinner(edit, o.min, o.max, o.position, QRect(o.x + 37, 4, 15, 24), this);
        connect(edit, &QLineEdit::textChanged, this, [this, edit, i](const QString& text) {
            // A nested change has already checked the field's text of now.
            if (text == edit->text()) checkOctetField(i);
        });
        connect(m_octetSpinners[i], &FieldSpinner::aboutToStep, this, &TopBar::octetsChanged);
    }
    m_hostName = lineEdit(this, "hostNameEdit", QRect(230, 4, 186, 24), QStringLiteral("Host name"));
    m_hostName->setFont(bold);
    m_hostName->setPalette(blackOnWhite);
    m_solve = button(this, "solveButton", QStringLiteral("Solve &IP"), QRect(420, 4, 67, 25));
    m_localAddress = button(this, "localAddressButton", QStringLiteral("&Get local IP"), QRect(602, 4, 67, 25));
    m_ping = button(this, "pingButton", QStringLiteral("&Ping"), QRect(671, 4, 67, 25));
    m_runStop = button(this, "runStopButton", QStringLiteral("&Run test"), QRect(740, 4, 57, 25));
    m_lookup = new BackgroundLookup({m_solve, m_localAddress, m_hostName},
                                    [this](const BackgroundLookup::Step& step) { runShowingErrors(m_dialogs, window(), step); },
                                    this);
}

void TopBar::followState(ScanState state)
{
    const bool testing = state == ScanState::Running || state == ScanState::Stopping;
    // An echo under way runs out before a stop is done: the button says it was heard.
    m_runStop->setText(state == ScanState::Stopping ? QStringLiteral("Stopping\u2026")
                       : testing                    ? QStringLiteral("&Stop Test")
                                                    : QStringLiteral("&Run test"));
    m_runStop->setEnabled(state != ScanState::PingingOnce);
    m_ping->setEnabled(!testing && state != ScanState::PingingOnce);
}

QList<QWidget*> TopBar::tabOrder() const
{
    return {m_octetEdits[0], m_octetEdits[1], m_octetEdits[2], m_octetEdits[3], m_hostName, m_solve, m_localAddress, m_ping, m_runStop};
}

uint32_t TopBar::network() const
{
    uint32_t network = 0;
    for (size_t i = 0; i < 3; ++i) network = network << 8 | (static_cast<uint32_t>(m_octetSpinners[i]->position()) & 0xFF);
    return network << 8;
}

QString TopBar::dottedAddress() const
{
    QStringList octets;
    for (const QLineEdit* edit : m_octetEdits)
        octets << QString::fromLocal8Bit(trimmed(edit->text().toLocal8Bit().toStdString()));
    return octets.join(QLatin1Char('.'));
}

void TopBar::setOctetTexts(const OctetTexts& texts)
{
    m_settingOctets = true;
    for (size_t i = 0; i < m_octetEdits.size(); ++i) m_octetEdits[i]->setText(texts[i]);
    m_settingOctets = false;
    Q_EMIT octetsChanged();
}

void TopBar::checkOctetField(size_t index)
{
    FieldSpinner* fieldSpinner = m_octetSpinners[index];
    const bool fourth = index == 3;
    const OctetEntry entry = checkOctetEntry(m_octetEdits[index]->text(), fieldSpinner->position(),
                                             fieldSpinner->minimum(), fieldSpinner->maximum(), fourth ? 1 : 0);
    if (entry.refused)
        m_dialogs.showMessage(this, QStringLiteral("Correct range is ") +
                                      (fourth ? QStringLiteral("1..254") : QStringLiteral("0..255")));
    // A refused entry goes back to the last accepted value, an accepted one shows in its plain form.
    fieldSpinner->setPosition(entry.value);
    if (!m_settingOctets) Q_EMIT octetsChanged();
}

void TopBar::fillInLocalAddress()
{
    // The thread only carries this pointer over; the step runs here, while this bar stands.
    m_lookup->start([this] {
        const std::optional<LocalIdentity> local = localIdentity();
        return BackgroundLookup::Step([this, local] {
            if (!local) return;
            setOctetTexts(local->octets);
            m_hostName->setText(local->hostName);
        });
    });
}

void TopBar::solveHostName(const std::function<void(const QString&)>& showStatus)
{
    const QString hostText = m_hostName->text();
    if (trimmed(hostText.toLocal8Bit().toStdString()).empty()) {
        m_dialogs.showMessage(this, QLatin1String(KeptTexts::BlankHostName));
        return;
    }
    m_lookup->start([this, hostText, showStatus] {
        const std::optional<SolvedName> solved = ::solveHostName(hostText);
        return BackgroundLookup::Step([this, hostText, showStatus, solved] {
            struct ClearStatus {
                const std::function<void(const QString&)>& show;
                ~ClearStatus() { show(QString()); }
            } clearStatus{showStatus};
            if (!solved) {
                m_dialogs.showMessage(this, QStringLiteral("Unable to find computer with hostname ") + hostText);
                return;
            }
            const QString question = QStringLiteral("IP address of ") + hostText + QStringLiteral(" is : ") +
                                     solved->dotted + QStringLiteral("\n\r\n\r") + QLatin1String(KeptTexts::UseSolvedAddress);
            if (m_dialogs.confirm(this, question)) setOctetTexts(solved->octets);
        });
    });
    // The look-up's result comes through the event loop, after this.
    showStatus(QLatin1String(KeptTexts::SolvingWait));
}
