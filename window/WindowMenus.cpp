// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/WindowMenus.h"

#include "notify/DesktopNotifier.h"
#include "window/AboutDialog.h"

#include <QAction>
#include <QMenuBar>
#include <QSettings>

namespace {

// The user's configuration folder: "Scanvet.cfg" keeps its seven lines.
QSettings userSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("scanvet"),
                     QStringLiteral("scanvet-address"));
}

const QString NotifyKey = QStringLiteral("notifyOfChanges");

} // namespace

WindowMenus::WindowMenus(QMenuBar* bar)
    : QObject(bar), m_about(std::make_unique<AboutDialog>()), m_notifier(new DesktopNotifier(this))
{
    m_exit = bar->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("&Exit"));
    m_notify = bar->addMenu(QStringLiteral("&Options"))->addAction(QStringLiteral("Notify of &changes"));
    m_notify->setObjectName(QStringLiteral("notifyAction"));
    m_notify->setCheckable(true);
    m_notify->setChecked(userSettings().value(NotifyKey, true).toBool());
    connect(m_notify, &QAction::toggled, this, [](bool on) { userSettings().setValue(NotifyKey, on); });
    QAction* showAbout = bar->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));
    connect(showAbout, &QAction::triggered, this, [this] {
        m_about->show();
        m_about->raise();
        m_about->activateWindow();
    });
}

WindowMenus::~WindowMenus() = default;

void WindowMenus::notifyChange(const QStringList& answeringNow, const QStringList& stoppedAnswering)
{
    if (m_notify->isChecked()) m_notifier->notifyChange(answeringNow, stoppedAnswering);
}
