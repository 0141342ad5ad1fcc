// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/StatusLine.h"

#include "window/Controls.h"
#include "window/FramePacer.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>

namespace {

// The locale's short time format, its seconds taken out ("HH:mm:ss" gives "HH:mm").
QString hoursAndMinutesFormat(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QRegularExpression(QStringLiteral("[:.]?s+")));
    return format.trimmed();
}

} // namespace

StatusLine::StatusLine(QStatusBar* statusBar)
    : QObject(statusBar),
      m_bar(statusBar),
      m_nextTest(new QLabel(statusBar)),
      m_cancelRepeat(Controls::button(statusBar, "cancelRepeatButton", QStringLiteral("Ca&ncel repeat")))
{
    m_bar->setObjectName(QStringLiteral("statusBar"));
    m_bar->setFont(Controls::sansSerif(13, true));
    m_bar->setSizeGripEnabled(false);
    m_bar->setAutoFillBackground(true);
    m_nextTest->setObjectName(QStringLiteral("nextTestLabel"));
    m_nextTest->setTextFormat(Qt::PlainText);
    m_nextTest->hide();
    m_bar->addPermanentWidget(m_nextTest);
    m_cancelRepeat->setFont(Controls::sansSerif(11));
    m_cancelRepeat->hide();
    m_bar->addPermanentWidget(m_cancelRepeat);
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

void StatusLine::showLinkNotSeen(const QString& why)
{
    show(QStringLiteral("The link is not seen, so nobody counts as gone: ") + why);
}

void StatusLine::showNextTest(const QDateTime& at)
{
    m_cancelRepeat->setVisible(at.isValid());
    if (!at.isValid()) {
        m_nextTest->hide();
        m_nextTest->clear();
        return;
    }
    const QLocale locale;
    m_nextTest->setText(QStringLiteral("Next test at ") + locale.toString(at.time(), hoursAndMinutesFormat(locale)));
    m_nextTest->show();
}
