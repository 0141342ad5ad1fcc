// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Shows the changes of a control at most once per screen frame. A scan
// changes some controls at every echo, a thousand times a second, which no
// screen shows and no one reads; painting each would keep the GUI thread busy
// when the next echo needs it. A change after a quiet frame shows as soon as
// the event loop is back.
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class FramePacer : public QObject {
    Q_OBJECT
public:
    FramePacer(std::function<void()> show, QObject* parent);
    void changed();
    // Shows the last change now, frame or not.
    void showNow();
    bool pending() const { return m_timer.isActive(); }

private:
    void show();

    std::function<void()> m_showChange;
    QTimer m_timer;
    std::chrono::steady_clock::time_point m_shown{};
};
