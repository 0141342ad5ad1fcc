// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/ProgressFrame.h"

#include "window/FramePacer.h"

#include <QProgressBar>

ProgressFrame::ProgressFrame(QWidget* parent) : QFrame(parent), bar(new QProgressBar(this))
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    bar->setObjectName(QStringLiteral("progressBar"));
    bar->setAccessibleName(QStringLiteral("Progress"));
    bar->setFormat(QStringLiteral("%p%"));
    bar->setAlignment(Qt::AlignCenter);
    QPalette gaugeColours = bar->palette();
    gaugeColours.setColor(QPalette::Base, Qt::white);
    gaugeColours.setColor(QPalette::Window, Qt::white);
    gaugeColours.setColor(QPalette::Highlight, Qt::blue);
    bar->setPalette(gaugeColours);
    // Opaque, so that its paced repaints do not repaint the window beneath it.
    bar->setAutoFillBackground(true);
    bar->setRange(range.first, range.second);
    bar->setValue(0);
    pacer = new FramePacer([this] {
        bar->setRange(range.first, range.second);
        bar->setValue(value);
    }, this);
}

void ProgressFrame::setRange(int low, int high)
{
    // A bar cannot hold a minimum above its maximum, and it shows a range of
    // one address as done: both show 0 % throughout as the range it starts at.
    range = {low, std::max(low, high) > low ? high : low + 1};
    setValue(low);
}

void ProgressFrame::setValue(int to)
{
    value = to;
    pacer->changed();
}

void ProgressFrame::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    bar->setGeometry(9, 9, width() - 18, 19);
}
