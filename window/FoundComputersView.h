// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The list of found computers as small entries that run left to right and
// wrap into rows, each with its picture: lit when the computer answered at
// its last echo, grey with a network plug when it did not but was seen on the
// link in its last test, dark otherwise. Its tooltip and description (the
// model's) name the MAC address and maker.
#pragma once

#include <QListView>

class FramePacer;

class FoundComputersView : public QListView {
    Q_OBJECT
public:
    explicit FoundComputersView(QWidget* parent);
    void setModel(QAbstractItemModel* model) override;

    // Takes no input while locked, yet keeps its colours: during a test the
    // pictures must stay readable exactly while they change.
    void setLocked(bool locked);
    bool isLocked() const { return m_locked; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Changes that come within a frame of the last shown one are gathered
    // into one picture: a scan adds and renames entries in bursts.
    void changing();
    void describeAgain(int firstRow, int lastRow);

    FramePacer* m_pacer;
    bool m_locked = false;
};
