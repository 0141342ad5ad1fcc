// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Options, History store: where the history is kept, "This computer (SQLite
// file)" or "A PostgreSQL server" (its libpq URI), and the name this
// scanner's tests carry on a server. The password is not asked: libpq reads
// ~/.pgpass or PGPASSFILE. OK stays off while the URI cannot be used.
#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class HistoryStoreDialog : public QDialog {
    Q_OBJECT
public:
    // uri empty: the file of this computer.
    HistoryStoreDialog(const QString& uri, const QString& scannerName, QWidget* parent = nullptr);

    // Empty for the file of this computer.
    QString serverUri() const;
    QString scannerName() const;

    QRadioButton* fileChoice() const { return m_file; }
    QRadioButton* serverChoice() const { return m_server; }
    QLineEdit* uriEdit() const { return m_uri; }
    QLineEdit* scannerEdit() const { return m_scanner; }

private:
    void check();

    QRadioButton* m_file;
    QRadioButton* m_server;
    QLineEdit* m_uri;
    QLineEdit* m_scanner;
    QLabel* m_problem;
    QDialogButtonBox* m_buttons;
};
