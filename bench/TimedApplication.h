// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "BenchTools.h"

#include <QApplication>

#include <cstdio>
#include <string>

// Times every event the GUI thread delivers and, with --slow-events US,
// reports on stderr those that took longer (a diagnostic).
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    int64_t slowNs = 0;  // 0: off

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (slowNs == 0 || m_depth > 0) return QApplication::notify(receiver, event);
        const int64_t start = nowNs();
        ++m_depth;
        const QEvent::Type type = event->type();
        const bool handled = QApplication::notify(receiver, event);
        --m_depth;
        if (const int64_t took = nowNs() - start; took > slowNs) {
            // The receiver with its owners: a timer says little by itself.
            std::string to;
            for (const QObject* o = receiver; o != nullptr; o = o->parent())
                to += std::string(" ") + o->metaObject()->className() + (o->objectName().isEmpty() ? "" : ":") +
                      o->objectName().toStdString();
            std::fprintf(stderr, "slow event %.1f us at %.1f ms: type %d to%s\n", us(took),
                         static_cast<double>(start - zeroNs) / 1e6, static_cast<int>(type), to.c_str());
        }
        return handled;
    }
    int64_t zeroNs = 0;

private:
    int m_depth = 0;
};
