// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/StatusLine.h"

#include "window/Controls.h"
#include "window/FramePacer.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>

StatusLine::StatusLine(QStatusBar* statusBar)
    : QObject(statusBar), m_bar(statusBar), m_nextTest(new QLabel(statusBar))
{
    m_bar->setObjectName(QStringLiteral("statusBar"));
    m_bar->setFont(Controls::sansSerif(13, true));
    m_bar->setSizeGripEnabled(false);
    m_bar->setAutoFillBackground(true);
    m_nextTest->setObjectName(QStringLiteral("nextTestLabel"));
    m_nextTest->setTextFormat(Qt::PlainText);
    m_nextTest->hide();
    m_bar->addPermanentWidget(m_nextTest);
    m_pacer = new FramePacer([this] { m_bar->showMessage(m_text); }, this);
}

void StatusLine::show(const QString& line)
{
    m_text = line;
    m_pacer->changed();
}

void StatusLine::showNow(const QString& line)
{
    m_text = line;
    m_pacer->showNow();
}

void StatusLine::showNextTest(const QDateTime& at)
{
    if (!at.isValid()) {
        m_nextTest->hide();
        m_nextTest->clear();
        return;
    }
    m_nextTest->setText(QStringLiteral("Next test at ") + QLocale().toString(at.time(), QLocale::ShortFormat));
    m_nextTest->show();
}
