// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Where the main window shows and what has the focus: at its first show it
// is centred on its screen, and where it is larger than the screen it takes
// the available area, its frame included, while its client area scrolls,
// so that every control stays within reach. Each time it becomes active,
// the first octet takes the focus.
#pragma once

#include <QObject>

class ClientArea;
class QMainWindow;

class WindowPlacement : public QObject {
public:
    WindowPlacement(QMainWindow& window, ClientArea& client);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QMainWindow& m_window;
    ClientArea& m_client;
    bool m_placed = false;
};
