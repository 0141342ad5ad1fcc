// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/BusyWait.h"

#include "window/UserInput.h"

#include <QApplication>

BusyWait::BusyWait()
{
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QGuiApplication::sync();
}

BusyWait::~BusyWait()
{
    // What queued up while the GUI thread was blocked arrives now, and goes.
    QCoreApplication::processEvents();
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(this);
}

bool BusyWait::eventFilter(QObject*, QEvent* event)
{
    return isUserInput(event->type());
}
