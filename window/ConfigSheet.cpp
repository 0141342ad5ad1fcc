// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/ConfigSheet.h"

#include "base/KeptTexts.h"
#include "window/Controls.h"
#include "window/FieldSpinner.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

using namespace Controls;

ConfigSheet::ConfigSheet(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("configSheet"));

    QFrame* rangeFrame = panel(this, QFrame::Box, QFrame::Raised);
    rangeFrame->setGeometry(8, 7, 206, 123);
    // The labels end where their fields begin.
    QLabel* repeatLabel = label(rangeFrame, QStringLiteral("Repeat every [min.]"), {19, 19}, 120 - 19);
    QLabel* minLabel = label(rangeFrame, QStringLiteral("IP Range :   min"), {19, 52}, 120 - 19);
    QLabel* lowByteLabel = label(rangeFrame, QStringLiteral("[low byte]"), {19, 69}, 120 - 19);
    QLabel* maxLabel = label(rangeFrame, QStringLiteral("max"), {79, 87}, 120 - 79);
    m_repeat = lineEdit(rangeFrame, "repeatEdit", QRect(120, 15, 50, 21), QStringLiteral("Repeat every [min.]"));
    m_repeatSteps = spinner(m_repeat, 0, 60, 5, QRect(170, 15, 15, 21), rangeFrame);
    m_rangeMin = lineEdit(rangeFrame, "rangeMinEdit", QRect(120, 50, 50, 21), QStringLiteral("Range minimum"));
    m_rangeMinSteps = spinner(m_rangeMin, 1, 254, 1, QRect(170, 50, 15, 21), rangeFrame);
    m_rangeMax = lineEdit(rangeFrame, "rangeMaxEdit", QRect(120, 84, 50, 21), QStringLiteral("Range maximum"));
    m_rangeMaxSteps = spinner(m_rangeMax, 1, 254, 254, QRect(170, 84, 15, 21), rangeFrame);
    repeatLabel->setBuddy(m_repeat);
    minLabel->setBuddy(m_rangeMin);
    lowByteLabel->setBuddy(m_rangeMin);
    maxLabel->setBuddy(m_rangeMax);

    QFrame* sheetFrame = panel(this, QFrame::Box, QFrame::Raised);
    sheetFrame->setGeometry(225, 7, 559, 123);
    m_onlyReplies = new QCheckBox(QStringLiteral("Show only correct replies"), sheetFrame);
    m_onlyReplies->setObjectName(QStringLiteral("onlyRepliesCheck"));
    m_onlyReplies->setGeometry(18, 17, 169, 17);
    auto* sheetModeBox = new QGroupBox(sheetFrame);
    sheetModeBox->setObjectName(QStringLiteral("sheetModeBox"));
    sheetModeBox->setAccessibleName(QStringLiteral("Result sheet on every round"));
    sheetModeBox->setGeometry(10, 39, 219, 67);
    m_sheetModes = radioGroup(sheetModeBox, {QStringLiteral("Overwrite result sheet on every round"),
                                           QStringLiteral("Append lines - don't overwrite results")});

    auto* speedBox = new QGroupBox(QStringLiteral("  Speed && Timeout setting  "), this);
    speedBox->setObjectName(QStringLiteral("speedBox"));
    speedBox->setGeometry(9, 137, 775, 105);
    m_speeds = radioGroup(speedBox, {QStringLiteral("Designed for LAN (low TTL and low Timeout)"),
                                   QStringLiteral("Designed for fast Internet (high TTL and middle Timeout)"),
                                   QLatin1String(KeptTexts::SlowPreset)});
    connect(m_onlyReplies, &QCheckBox::toggled, this, &ConfigSheet::onlyCorrectRepliesChanged);
    connect(m_repeat, &QLineEdit::textChanged, this, &ConfigSheet::repeatChanged);
}

int ConfigSheet::rangeFirst() const
{
    return m_rangeMinSteps->position();
}

int ConfigSheet::rangeLast() const
{
    return m_rangeMaxSteps->position();
}

int ConfigSheet::repeatMinutes() const
{
    return m_repeatSteps->position();
}

SheetMode ConfigSheet::sheetMode() const
{
    const int mode = m_sheetModes->checkedId();
    return mode == 0 ? SheetMode::Overwrite : mode == 1 ? SheetMode::Append : SheetMode::None;
}

int ConfigSheet::speedPreset() const
{
    return m_speeds->checkedId();
}

QList<QWidget*> ConfigSheet::tabOrder() const
{
    return {m_repeat, m_rangeMin, m_rangeMax, m_onlyReplies, m_sheetModes->button(0), m_sheetModes->button(1),
            m_speeds->button(0), m_speeds->button(1), m_speeds->button(2)};
}
