// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/ProgressFrame.h"

#include "window/FramePacer.h"

#include <QProgressBar>

ProgressFrame::ProgressFrame(QWidget* parent) : QFrame(parent), m_bar(new QProgressBar(this))
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setAccessibleName(QStringLiteral("Progress"));
    m_bar->setFormat(QStringLiteral("%p%"));
    m_bar->setAlignment(Qt::AlignCenter);
    QPalette gaugeColours = m_bar->palette();
    gaugeColours.setColor(QPalette::Base, Qt::white);
    gaugeColours.setColor(QPalette::Window, Qt::white);
    gaugeColours.setColor(QPalette::Highlight, Qt::blue);
    m_bar->setPalette(gaugeColours);
    // Opaque, so that its paced repaints do not repaint the window beneath it.
    m_bar->setAutoFillBackground(true);
    m_bar->setRange(m_range.first, m_range.second);
    m_bar->setValue(0);
    m_pacer = new FramePacer([this] {
        m_bar->setRange(m_range.first, m_range.second);
        m_bar->setValue(m_value);
    }, this);
}

void ProgressFrame::setRange(int low, int high)
{
    // A bar cannot hold a minimum above its maximum, and it shows a range of
    // one address as done: both show 0 % throughout as the range it starts at.
    m_range = {low, std::max(low, high) > low ? high : low + 1};
    setValue(low);
}

void ProgressFrame::setValue(int to)
{
    m_value = to;
    m_pacer->changed();
}

void ProgressFrame::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    m_bar->setGeometry(9, 9, width() - 18, 19);
}
