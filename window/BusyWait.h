// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// While the GUI thread waits (a single ping blocks it for its echo), the
// user's input is swallowed and the wait shows as a busy cursor; input that
// arrived meanwhile is dropped when the wait ends, not replayed.
#pragma once

#include <QObject>

class BusyWait : public QObject {
public:
    BusyWait();
    ~BusyWait() override;
    BusyWait(const BusyWait&) = delete;
    BusyWait& operator=(const BusyWait&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
