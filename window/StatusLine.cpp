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
    : QObject(statusBar), bar(statusBar), nextTest(new QLabel(statusBar))
{
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setFont(Controls::sansSerif(13, true));
    bar->setSizeGripEnabled(false);
    bar->setAutoFillBackground(true);
    nextTest->setObjectName(QStringLiteral("nextTestLabel"));
    nextTest->setTextFormat(Qt::PlainText);
    nextTest->hide();
    bar->addPermanentWidget(nextTest);
    pacer = new FramePacer([this] { bar->showMessage(text); }, this);
}

void StatusLine::show(const QString& line)
{
    text = line;
    pacer->changed();
}

void StatusLine::showNow(const QString& line)
{
    text = line;
    pacer->showNow();
    bar->repaint();
    QGuiApplication::sync();
}

void StatusLine::showNextTest(const QDateTime& at)
{
    if (!at.isValid()) {
        nextTest->hide();
        nextTest->clear();
        return;
    }
    nextTest->setText(QStringLiteral("Next test at ") + QLocale().toString(at.time(), QLocale::ShortFormat));
    nextTest->show();
}
