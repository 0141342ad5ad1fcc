// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QEvent>
#include <QObject>

#include <map>
#include <string>

// Counts paint events per widget during the scan (--paints, a diagnostic).
class PaintCounter : public QObject {
public:
    using QObject::QObject;
    std::map<std::string, int> counts;
    bool active = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (active && event->type() == QEvent::Paint)
            ++counts[std::string(watched->metaObject()->className()) + " " + watched->objectName().toStdString()];
        return false;
    }
};
