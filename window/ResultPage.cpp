// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/ResultPage.h"

#include "window/Controls.h"
#include "window/ResultSheet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

using namespace Controls;

ResultPage::ResultPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("resultPage"));
    m_resultSheet = new ResultSheet(this);
    m_resultSheet->setObjectName(QStringLiteral("resultSheet"));
    m_resultSheet->setAccessibleName(QStringLiteral("Result sheet"));
    m_resultSheet->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_save = button(this, "saveResultsButton", QStringLiteral("&Save List"));
    m_clear = button(this, "clearResultsButton", QStringLiteral("&Clear List"));
    QFrame* bar = buttonBar(this, m_resultSheet, m_clear, m_save);
    m_droppedNote = new QLabel(QStringLiteral("Earlier lines were removed: the sheet keeps the last %1 lines.")
                                 .arg(QLocale().toString(ResultSheet::MaxLines)),
                             bar);
    m_droppedNote->setObjectName(QStringLiteral("droppedLinesNote"));
    m_droppedNote->setTextFormat(Qt::PlainText);
    m_droppedNote->setIndent(6);
    m_droppedNote->hide();
    static_cast<QHBoxLayout*>(bar->layout())->insertWidget(0, m_droppedNote);
    connect(m_resultSheet, &ResultSheet::linesDroppedChanged, m_droppedNote, &QLabel::setVisible);
}

QList<QWidget*> ResultPage::tabOrder() const
{
    return {m_resultSheet, m_save, m_clear};
}
