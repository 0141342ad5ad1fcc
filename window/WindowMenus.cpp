// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/WindowMenus.h"

#include "files/Settings.h"
#include "notify/DesktopNotifier.h"
#include "window/AboutDialog.h"

#include <QAction>
#include <QMenuBar>

namespace {

QAction* checkable(QMenu* menu, const QString& text, const char* name, bool checked)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

} // namespace

WindowMenus::WindowMenus(QMenuBar* bar, Settings& settings)
    : QObject(bar), m_settings(settings), m_about(std::make_unique<AboutDialog>()), m_notifier(new DesktopNotifier(this))
{
    m_exit = bar->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("&Exit"));
    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    m_notify = checkable(options, QStringLiteral("Notify of &changes"), "notifyAction", settings.notifyOfChanges());
    connect(m_notify, &QAction::toggled, this, [this](bool on) { keep(m_settings.setNotifyOfChanges(on)); });
    m_oneAtATime = checkable(options, QStringLiteral("Ping one address at a &time"), "oneAtATimeAction",
                             settings.oneAtATime());
    connect(m_oneAtATime, &QAction::toggled, this, [this](bool on) { keep(m_settings.setOneAtATime(on)); });
    QAction* showAbout = bar->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));
    connect(showAbout, &QAction::triggered, this, [this] {
        m_about->show();
        m_about->raise();
        m_about->activateWindow();
    });
}

WindowMenus::~WindowMenus() = default;

void WindowMenus::keep(const QString& failure)
{
    if (!failure.isEmpty()) Q_EMIT preferenceNotKept(failure);
}

void WindowMenus::notifyChange(const QString& range, const QStringList& answeringNow,
                               const QStringList& stoppedAnswering)
{
    if (m_notify->isChecked()) m_notifier->notifyChange(range, answeringNow, stoppedAnswering);
}
