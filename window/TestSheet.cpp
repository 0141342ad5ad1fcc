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
    foundView = new FoundComputersView(frame);
    foundView->setObjectName(QStringLiteral("foundView"));
    foundView->setAccessibleName(QStringLiteral("Found computers"));
    foundView->setModel(&found);
    auto* inFrame = new QVBoxLayout(frame);
    inFrame->setContentsMargins(1, 1, 1, 1);
    inFrame->addWidget(foundView);
    clear = button(this, "clearFoundButton", QStringLiteral("&Clear List"));
    save = button(this, "saveFoundButton", QStringLiteral("&Save List"));
    buttonBar(this, frame, clear, save);
}

QList<QWidget*> TestSheet::tabOrder() const
{
    return {foundView, clear, save};
}

void TestSheet::followState(ScanState state)
{
    const bool testing = state == ScanState::Running || state == ScanState::Stopping;
    const bool resting = testing || state == ScanState::PingingOnce;
    save->setEnabled(!resting);
    clear->setEnabled(!resting);
    foundView->setLocked(testing);
}
