// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The menu bar: File (Exit), Options (the program's own preferences: the
// notices, one at a time, the TCP knock and its open ports, how long the history is kept and how many missed
// tests make a notice; kept in the settings and applied to the scan at once)
// and Help (About). The about box and the desktop notices belong to it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class AboutDialog;
class Dialogs;
class HistoryService;
class QActionGroup;
class KnockDialog;
class DesktopNotifier;
class QAction;
class QMenuBar;
class ScanController;
class Settings;

class WindowMenus : public QObject {
    Q_OBJECT
public:
    // Applies the kept preferences to scan first.
    WindowMenus(QMenuBar* bar, Settings& settings, ScanController& scan, Dialogs& dialogs);
    ~WindowMenus() override;

    QAction* exitAction() const { return m_exit; }
    QAction* historyStoreAction() const { return m_historyStore; }
    AboutDialog& aboutDialog() const { return *m_about; }
    // A notice of the computers that started or stopped answering, unless
    // the user has turned the notices off.
    void notifyChange(const QString& range, const QStringList& answeringNow, const QStringList& stoppedAnswering);
    // The notices of computers never seen before (unless turned off) and of known ones that moved.
    void notifyNewComputers(const QStringList& computers);
    void notifyMoves(const QString& range, const QStringList& moves);
    // Sent for every conflict, whatever the Options menu says.
    void notifyConflicts(const QStringList& conflicts);

Q_SIGNALS:
    // A choice could not be kept for the next run; why names the file and the reason.
    void preferenceNotKept(const QString& why);
    // Options, Keep history has replaced the scan's history (null when off).
    void historyChanged();

private:
    void keep(const QString& failure);
    void keepHistory(int days);
    void confirmShorterHistory(int days, qint64 tests);
    void setKeepHistory(int days);
    void applyHistory(int days);
    void chooseHistoryStore();

    Settings& m_settings;
    ScanController& m_scan;
    Dialogs& m_dialogs;
    QActionGroup* m_keepHistory;
    QPointer<HistoryService> m_countedBy;  // the history whose counts of old tests reach confirmShorterHistory
    int m_daysAsked = 0;
    QAction* m_exit;
    QAction* m_notify;
    QAction* m_oneAtATime;
    QAction* m_historyStore;
    KnockDialog* m_knock;
    std::unique_ptr<AboutDialog> m_about;
    DesktopNotifier* m_notifier;
};
