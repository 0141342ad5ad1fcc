// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The bar across the top of the window: the four octet fields with their
// spinners, the host-name field, and Solve IP, Get local IP, Ping and Run
// test. It keeps each octet field a valid octet, and fills the fields from
// the local computer or a solved host name.
#pragma once

#include "lookup/ForwardLookup.h"
#include "scan/ScanController.h"

#include <QWidget>

#include <array>
#include <functional>

class BackgroundLookup;
class Dialogs;
class FieldSpinner;
class QLineEdit;
class QPushButton;

class TopBar : public QWidget {
    Q_OBJECT
public:
    TopBar(Dialogs& dialogs, QWidget* parent);

    QLineEdit* octetEdit(size_t i) const { return m_octetEdits[i]; }
    FieldSpinner* octetSpinner(size_t i) const { return m_octetSpinners[i]; }
    QLineEdit* hostNameEdit() const { return m_hostName; }
    QPushButton* solveButton() const { return m_solve; }
    QPushButton* localAddressButton() const { return m_localAddress; }
    QPushButton* pingButton() const { return m_ping; }
    QPushButton* runStopButton() const { return m_runStop; }
    QList<QWidget*> tabOrder() const;
    // Run test reads "&Stop Test" during a test; Ping waits for its end.
    void followState(ScanState state);

    // The first three octets as their spinners hold them, as one address
    // (host byte order) whose last octet is 0.
    uint32_t network() const;
    // The four fields' texts, trimmed and joined by dots.
    QString dottedAddress() const;
    // All four fields, then one octetsChanged(): the fields never stand for
    // an address half old and half new.
    void setOctetTexts(const OctetTexts& texts);

    // Get local IP: the local computer's address and name into the fields.
    // The look-up runs in the background, and locks Solve IP, Get local IP
    // and the host name meanwhile.
    void fillInLocalAddress();
    // Solve IP: the typed host name's address into the octet fields, when
    // the user confirms it; looked up in the background as above.
    // showStatus(text) shows the wait, and clears it after the boxes.
    void solveHostName(const std::function<void(const QString&)>& showStatus);

Q_SIGNALS:
    // An octet field's check is done, or a spinner is about to step.
    void octetsChanged();

private:
    void checkOctetField(size_t index);

    Dialogs& m_dialogs;
    bool m_settingOctets = false;  // setOctetTexts() under way
    std::array<QLineEdit*, 4> m_octetEdits{};
    std::array<FieldSpinner*, 4> m_octetSpinners{};
    QLineEdit* m_hostName = nullptr;
    QPushButton* m_solve = nullptr;
    QPushButton* m_localAddress = nullptr;
    QPushButton* m_ping = nullptr;
    QPushButton* m_runStop = nullptr;
    BackgroundLookup* m_lookup = nullptr;
};
