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
    resultSheet = new ResultSheet(this);
    resultSheet->setObjectName(QStringLiteral("resultSheet"));
    resultSheet->setAccessibleName(QStringLiteral("Result sheet"));
    resultSheet->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    save = button(this, "saveResultsButton", QStringLiteral("&Save List"));
    clear = button(this, "clearResultsButton", QStringLiteral("&Clear List"));
    QFrame* bar = buttonBar(this, resultSheet, clear, save);
    droppedNote = new QLabel(QStringLiteral("Earlier lines were removed: the sheet keeps the last %1 lines.")
                                 .arg(QLocale().toString(ResultSheet::MaxLines)),
                             bar);
    droppedNote->setObjectName(QStringLiteral("droppedLinesNote"));
    droppedNote->setTextFormat(Qt::PlainText);
    droppedNote->setIndent(6);
    droppedNote->hide();
    static_cast<QHBoxLayout*>(bar->layout())->insertWidget(0, droppedNote);
    connect(resultSheet, &ResultSheet::linesDroppedChanged, droppedNote, &QLabel::setVisible);
}

QList<QWidget*> ResultPage::tabOrder() const
{
    return {resultSheet, save, clear};
}
