// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/ResultSheet.h"

#include "window/Controls.h"
#include "window/ResultLog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

using namespace Controls;

ResultSheet::ResultSheet(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("resultSheet"));
    m_log = new ResultLog(this);
    m_log->setObjectName(QStringLiteral("resultLog"));
    m_log->setAccessibleName(QStringLiteral("Result sheet"));
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_save = button(this, "saveResultsButton", QStringLiteral("&Save List"));
    m_clear = button(this, "clearResultsButton", QStringLiteral("&Clear List"));
    QFrame* bar = buttonBar(this, m_log, m_clear, m_save);
    m_droppedNote = new QLabel(QStringLiteral("Earlier lines were removed: the sheet keeps the last %1 lines.")
                                 .arg(QLocale().toString(ResultLog::MaxLines)),
                             bar);
    m_droppedNote->setObjectName(QStringLiteral("droppedLinesNote"));
    m_droppedNote->setTextFormat(Qt::PlainText);
    m_droppedNote->setIndent(6);
    m_droppedNote->hide();
    static_cast<QHBoxLayout*>(bar->layout())->insertWidget(0, m_droppedNote);
    connect(m_log, &ResultLog::linesDroppedChanged, m_droppedNote, &QLabel::setVisible);
}

QList<QWidget*> ResultSheet::tabOrder() const
{
    return {m_log, m_save, m_clear};
}
