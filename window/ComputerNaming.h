// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The context menu of a list entry and of a History row: "Name this
// computer…" and "Forget this name", by mouse or by the keyboard's menu key.
// The name goes into the history off the GUI thread; both choices are off
// while the history is.
#pragma once

#include <QObject>

#include <functional>

class ComputerHistoryModel;
class FoundComputers;
class QAbstractItemView;
class ScanController;

class ClientArea;

class ComputerNaming : public QObject {
    Q_OBJECT
public:
    ComputerNaming(ScanController& scan, QObject* parent);

    struct Computer {
        QString key;    // its MAC, or its address
        QString shown;  // how the dialog names it
        QString label;  // its name, empty where none
    };
    // computerAt: the computer of a row of the view's model.
    void attach(QAbstractItemView* view, std::function<Computer(int row)> computerAt);
    // The list of found computers, and the History page's table.
    void attachToList(QAbstractItemView* view, const FoundComputers& found);
    void attachToHistory(QAbstractItemView* view, const ComputerHistoryModel& history);
    // Both, on the Test Sheet's list and the History page, which reads again after each naming.
    void attachToSheets(ClientArea& client);

Q_SIGNALS:
    // A name was kept or forgotten.
    void named();

private:
    void showMenu(QAbstractItemView* view, const Computer& computer, const QPoint& at);

    ScanController& m_scan;
};
