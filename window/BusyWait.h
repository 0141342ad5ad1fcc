// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// While the GUI thread waits (a single ping blocks it for its echo), the
// user's input is swallowed and the wait shows as a busy cursor. Input that
// arrived meanwhile is dropped when the wait ends, not replayed: it waits in
// the window system's queue, and the filter stays until the event loop has
// come round a few times in a row with no input left to drop. Nothing here
// runs the event loop itself.
#pragma once

#include <QObject>

class BusyWait : public QObject {
public:
    explicit BusyWait(QObject* parent);
    // Takes the filter and the cursor away at once.
    ~BusyWait() override;
    BusyWait(const BusyWait&) = delete;
    BusyWait& operator=(const BusyWait&) = delete;

    // The wait is over: this object deletes itself once the input that
    // queued up meanwhile has come and gone.
    void end();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void comeRound();

    bool m_ending = false;
    bool m_dropped = false;  // since the last round
    int m_quietRounds = 0;
};
