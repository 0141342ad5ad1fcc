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
    : QObject(bar), about(std::make_unique<AboutDialog>()), notifier(new DesktopNotifier(this))
{
    exit = bar->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("&Exit"));
    notify = bar->addMenu(QStringLiteral("&Options"))->addAction(QStringLiteral("Notify of &changes"));
    notify->setObjectName(QStringLiteral("notifyAction"));
    notify->setCheckable(true);
    notify->setChecked(userSettings().value(NotifyKey, true).toBool());
    connect(notify, &QAction::toggled, this, [](bool on) { userSettings().setValue(NotifyKey, on); });
    QAction* showAbout = bar->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));
    connect(showAbout, &QAction::triggered, this, [this] {
        about->show();
        about->raise();
        about->activateWindow();
    });
}

WindowMenus::~WindowMenus() = default;

void WindowMenus::notifyChange(const QStringList& answeringNow, const QStringList& stoppedAnswering)
{
    if (notify->isChecked()) notifier->notifyChange(answeringNow, stoppedAnswering);
}
