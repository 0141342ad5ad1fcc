// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The window's client area: the top bar, the four sheets and the gauge in
// their fixed places, with the keyboard's order through them. It scrolls
// where the screen is smaller than the window, so that every control stays
// within reach.
#pragma once

#include "files/Report.h"
#include "scan/TestPlan.h"

#include <QScrollArea>

class ConfigSheet;
class Settings;
class Dialogs;
class FoundComputers;
class HistorySheet;
class ProgressFrame;
class QTabWidget;
class ResultSheet;
class TestSheet;
class TopBar;

class ClientArea : public QScrollArea {
    Q_OBJECT
public:
    ClientArea(Dialogs& dialogs, FoundComputers& found, QWidget* parent = nullptr);

    TopBar* topBar() const { return m_topBar; }
    QTabWidget* sheets() const { return m_sheets; }
    TestSheet* testSheet() const { return m_testSheet; }
    ResultSheet* resultSheet() const { return m_resultSheet; }
    ConfigSheet* configSheet() const { return m_configSheet; }
    HistorySheet* historySheet() const { return m_historySheet; }
    ProgressFrame* progress() const { return m_progress; }

    // Every control in the order the Tab key takes, from the top bar on.
    QList<QWidget*> tabOrder() const;
    // Takes the room left to it where the window is too large for the screen.
    void fitTo(const QSize& room, Qt::Orientations tooLarge);
    // During a test or a single ping the Config Sheet is out of reach by
    // every route: a hidden tab still took the mouse wheel and the
    // accessibility bus's Press, so its tab goes away. The History page
    // after it stays.
    void setConfigSheetReachable(bool reachable);
    // The top bar's buttons come first in the window: where a button on a
    // sheet has the same accelerator, the top bar's keeps it.
    void resolveMnemonicClashes();
    // Before a test or a ping: overwrite starts the sheet afresh, append
    // separates the rounds with an empty line.
    void prepareResultSheet();
    // A test of the fields' range and preset, with the choices of settings.
    TestPlan testPlan(const Settings& settings) const;
    // The head of the found computers' report: the fields as they read.
    ReportHeader reportHeader() const;

private:
    TopBar* m_topBar = nullptr;
    QTabWidget* m_sheets = nullptr;
    TestSheet* m_testSheet = nullptr;
    ResultSheet* m_resultSheet = nullptr;
    ConfigSheet* m_configSheet = nullptr;
    HistorySheet* m_historySheet = nullptr;
    ProgressFrame* m_progress = nullptr;
};
