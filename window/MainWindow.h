// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window: assembles the top bar, the four sheets, the gauge and
// the status bar, and wires the user's commands to the scan controller, the
// look-ups and the files. What a test's state means on screen follows the
// controller's state.
#pragma once

#include "files/Settings.h"
#include "scan/ScanController.h"
#include "window/SaveCommand.h"

#include <QDir>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class AboutDialog;
class ClientArea;
class ConfigSheet;
class HistorySheet;
class Dialogs;
class Pinger;
class ProgressFrame;
class QTabWidget;
class ResultSheet;
class SettingsFields;
class StatusLine;
class TestSheet;
class TopBar;
class WindowMenus;
class BusyWait;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // prober: see ScanController.
    MainWindow(Dialogs& dialogs, std::unique_ptr<Pinger> pinger, ArpProber* prober = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The last step of the start: "Scanvet.cfg" into the fields; an error
    // shows in the error box and the start goes on.
    void readSettings();
    // A termination signal: whatever box is open closes, then the window
    // closes as File, Exit closes it.
    void terminate();
    bool terminated() const { return m_closed; }

    ScanController& scanController() { return *m_scan; }
    // Help, About shows it; it is made hidden with the window.
    AboutDialog& aboutDialog() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectControls();
    void setTabOrder();
    // Runs a handler so that no error escapes: one that gets out shows the
    // error box, and the program carries on.
    void guarded(const std::function<void()>& handler);

    // A failure that would come again: on the status bar and standard error, the first time only.
    void sayOnce(bool& said, const QString& what, const QString& why);
    void runOrStopTest();
    void startTest();
    void onTestFinished();
    void pingAddress();
    void followState(ScanState state);
    void saveFoundComputers();
    void saveResultSheet();

    Dialogs& m_dialogs;
    // Read before anything else, in the folder the program started in.
    Settings m_settings{QDir::currentPath()};
    ScanController* m_scan;
    ClientArea* m_client = nullptr;
    StatusLine* m_status = nullptr;
    std::unique_ptr<SettingsFields> m_settingsFields;
    QPointer<BusyWait> m_busy;
    QPointer<QWidget> m_focusBeforePing;
    WindowMenus* m_menus = nullptr;

    QString m_saveFolder = QDir::currentPath();  // where the last save went
    SaveCommand m_saveFound{QStringLiteral("Save List Of Computers"), QStringLiteral("ComputerList")};
    SaveCommand m_saveResults{QStringLiteral("Save Scanvet Results"), QStringLiteral("ScanvetStatus")};
    bool m_closed = false;
    bool m_terminating = false;
    bool m_preferenceFailureShown = false;
    bool m_historyFailureShown = false;
};
