// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Options, Knock on TCP ports: whether each test knocks on TCP ports for the
// computers that ignore ping, and on which. It keeps the choice in the
// settings when accepted; a list that is not 1 to 16 ports from 1 to 65535
// is refused with the reason, and the box stays open.
#pragma once

#include <QDialog>

#include <cstdint>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class Settings;

class KnockDialog : public QDialog {
    Q_OBJECT
public:
    KnockDialog(Settings& settings, QWidget* parent = nullptr);

    // The ports a test knocks on as the settings say: none when the knock is
    // off, the default list where the kept one does not read.
    [[nodiscard]] static std::vector<uint16_t> portsOf(const Settings& settings);

    // Shows the kept choice, without blocking the window.
    void openWithKeptChoice();
    void accept() override;

Q_SIGNALS:
    // The choice could not be kept for the next run; why names the file and the reason.
    void notKept(const QString& why);

private:
    Settings& m_settings;
    QCheckBox* m_knock;
    QLineEdit* m_ports;
    QLabel* m_problem;
};
