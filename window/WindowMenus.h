// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The menu bar: File (Exit), Options (Notify of changes) and Help (About).
// The about box and the desktop notices belong to it.
#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class AboutDialog;
class DesktopNotifier;
class QAction;
class QMenuBar;

class WindowMenus : public QObject {
    Q_OBJECT
public:
    explicit WindowMenus(QMenuBar* bar);
    ~WindowMenus() override;

    QAction* exitAction() const { return m_exit; }
    AboutDialog& aboutDialog() const { return *m_about; }
    // A notice of the computers that started or stopped answering, unless
    // the user has turned the notices off.
    void notifyChange(const QStringList& answeringNow, const QStringList& stoppedAnswering);

private:
    QAction* m_exit;
    QAction* m_notify;
    std::unique_ptr<AboutDialog> m_about;
    DesktopNotifier* m_notifier;
};
