// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Test Sheet: the list of found computers, with Clear List and Save List
// under it. During a test the list takes no input and neither button works;
// during a single ping only the buttons rest.
#pragma once

#include "scan/ScanController.h"

#include <QWidget>

class FoundComputers;
class FoundComputersView;
class QPushButton;

class TestSheet : public QWidget {
    Q_OBJECT
public:
    TestSheet(FoundComputers& found, QWidget* parent = nullptr);

    FoundComputersView* view() const { return m_foundView; }
    QPushButton* clearButton() const { return m_clear; }
    QPushButton* saveButton() const { return m_save; }
    QList<QWidget*> tabOrder() const;
    void followState(ScanState state);

private:
    FoundComputersView* m_foundView = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_save = nullptr;
};
