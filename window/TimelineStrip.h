// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One computer's last 24 hours as the History page shows them: a strip of
// answering and silent spans, and the same in words for a screen reader.
#pragma once

#include "history/ComputerHistory.h"

#include <QColor>
#include <QDateTime>
#include <QString>

#include <vector>

class QPainter;
class QRect;

class TimelineStrip {
public:
    static inline const QColor AnsweringColour{46, 160, 67};
    static inline const QColor SilentColour{200, 60, 50};

    // The day that ends at now.
    TimelineStrip(const ComputerHistory& computer, const QDateTime& now);

    // The day from left to right; what no test saw stays the background.
    void paint(QPainter& painter, const QRect& area) const;
    // Newest first: "answering since 14:05, silent 13:40 to 14:05, ...".
    QString description() const;

private:
    struct Span {
        qint64 from, to;  // seconds since the epoch
        bool answering;
    };
    std::vector<Span> m_spans;  // oldest first; the last may be empty, a state that began at the last test
    qint64 m_dayStart;
    qint64 m_now;
};
