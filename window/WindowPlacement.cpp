// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/WindowPlacement.h"

#include "window/ClientArea.h"
#include "window/TopBar.h"

#include <QEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QScreen>

WindowPlacement::WindowPlacement(QMainWindow& window, ClientArea& client)
    : QObject(&window), m_window(window), m_client(client)
{
    window.installEventFilter(this);
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_window) return false;
    if (event->type() == QEvent::Show && !std::exchange(m_placed, true)) place();
    if (event->type() == QEvent::ActivationChange) {
        // isVisible and isEnabled are false when a parent is hidden or disabled.
        QLineEdit* first = m_client.topBar()->octetEdit(0);
        if (m_window.isActiveWindow() && first->isVisible() && first->isEnabled()) first->setFocus();
    }
    return false;
}

void WindowPlacement::place()
{
    const QScreen* screen = m_window.screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QSize room = area.size() - (m_window.frameGeometry().size() - m_client.size());
    Qt::Orientations tooLarge;
    if (m_window.width() > area.width()) tooLarge |= Qt::Horizontal;
    if (m_window.height() > area.height()) tooLarge |= Qt::Vertical;
    m_client.fitTo(room, tooLarge);
    m_window.layout()->activate();
    // A window larger than the screen keeps its title bar and menu on it,
    // where it can still be moved and used.
    const QSize frame = m_window.frameGeometry().size();
    const QPoint centred = area.center() - QPoint(frame.width() / 2, frame.height() / 2);
    m_window.move(std::max(area.left(), centred.x()), std::max(area.top(), centred.y()));
}
