// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/BusyWait.h"

#include "window/UserInput.h"

#include <QApplication>

namespace {
// X input reaches the widgets in two rounds of the event loop (read, then
// delivered); one more makes sure.
constexpr int QuietRoundsToEnd = 3;
} // namespace

BusyWait::BusyWait(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
    // The window system gets the cursor at once, before the GUI thread blocks.
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyWait::~BusyWait()
{
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(this);
}

void BusyWait::end()
{
    if (std::exchange(m_ending, true)) return;
    QMetaObject::invokeMethod(this, &BusyWait::comeRound, Qt::QueuedConnection);
}

void BusyWait::comeRound()
{
    m_quietRounds = std::exchange(m_dropped, false) ? 0 : m_quietRounds + 1;
    if (m_quietRounds < QuietRoundsToEnd)
        QMetaObject::invokeMethod(this, &BusyWait::comeRound, Qt::QueuedConnection);
    else
        deleteLater();
}

bool BusyWait::eventFilter(QObject*, QEvent* event)
{
    if (!isUserInput(event->type())) return false;
    m_dropped = true;
    return true;
}
