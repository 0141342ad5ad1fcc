// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The frame under the sheets with the gauge. A scan moves it at every
// address; it is painted at most once per frame.
#pragma once

#include <QFrame>

class FramePacer;
class QProgressBar;

class ProgressFrame : public QFrame {
    Q_OBJECT
public:
    explicit ProgressFrame(QWidget* parent);

    // The gauge's range for a test of low..high, empty at low.
    void setRange(int low, int high);
    void setValue(int value);
    // Empty again: back at the start of the range set last.
    void reset() { setValue(m_range.first); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QProgressBar* m_bar;
    FramePacer* m_pacer;
    std::pair<int, int> m_range{0, 254};
    int m_value = 0;
};
