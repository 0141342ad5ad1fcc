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

    FoundComputersView* view() const { return foundView; }
    QPushButton* clearButton() const { return clear; }
    QPushButton* saveButton() const { return save; }
    QList<QWidget*> tabOrder() const;
    void followState(ScanState state);

private:
    FoundComputersView* foundView = nullptr;
    QPushButton* clear = nullptr;
    QPushButton* save = nullptr;
};
