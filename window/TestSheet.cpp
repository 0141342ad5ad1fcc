// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/TestSheet.h"

#include "window/Controls.h"
#include "window/FoundComputersView.h"

#include <QPushButton>
#include <QVBoxLayout>

using namespace Controls;

TestSheet::TestSheet(FoundComputers& found, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("testSheet"));
    QFrame* frame = panel(this, QFrame::Panel, QFrame::Sunken);
    m_foundView = new FoundComputersView(frame);
    m_foundView->setObjectName(QStringLiteral("foundView"));
    m_foundView->setAccessibleName(QStringLiteral("Found computers"));
    m_foundView->setModel(&found);
    auto* inFrame = new QVBoxLayout(frame);
    inFrame->setContentsMargins(1, 1, 1, 1);
    inFrame->addWidget(m_foundView);
    m_clear = button(this, "clearFoundButton", QStringLiteral("&Clear List"));
    m_save = button(this, "saveFoundButton", QStringLiteral("&Save List"));
    buttonBar(this, frame, m_clear, m_save);
}

QList<QWidget*> TestSheet::tabOrder() const
{
    return {m_foundView, m_clear, m_save};
}

void TestSheet::followState(ScanState state)
{
    const bool testing = state == ScanState::Running || state == ScanState::Stopping;
    const bool resting = testing || state == ScanState::PingingOnce;
    m_save->setEnabled(!resting);
    m_clear->setEnabled(!resting);
    m_foundView->setLocked(testing);
}
