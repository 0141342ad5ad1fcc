// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/ClientArea.h"

#include "window/ConfigSheet.h"
#include "files/Settings.h"
#include "window/HistorySheet.h"
#include "window/KnockDialog.h"
#include "window/ProgressFrame.h"
#include "window/ResultLog.h"
#include "window/ResultSheet.h"
#include "window/TestSheet.h"
#include "window/TopBar.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr int ClientWidth = 800;
constexpr int TopBarHeight = 34;
constexpr int SheetsHeight = 400;
constexpr int ProgressFrameHeight = 37;

} // namespace

ClientArea::ClientArea(Dialogs& dialogs, FoundComputers& found, QWidget* parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("clientArea"));
    auto* client = new QWidget;
    client->setFixedSize(ClientWidth, TopBarHeight + SheetsHeight + ProgressFrameHeight);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setWidget(client);
    setFixedSize(client->size());
    m_topBar = new TopBar(dialogs, client);
    m_topBar->setGeometry(0, 0, ClientWidth, TopBarHeight);
    m_sheets = new QTabWidget(client);
    m_sheets->setObjectName(QStringLiteral("sheets"));
    m_sheets->setTabPosition(QTabWidget::South);
    m_sheets->setGeometry(0, TopBarHeight, ClientWidth, SheetsHeight);
    m_testSheet = new TestSheet(found);
    m_resultSheet = new ResultSheet;
    m_configSheet = new ConfigSheet;
    m_historySheet = new HistorySheet;
    m_sheets->addTab(m_testSheet, QStringLiteral("Test Sheet"));
    m_sheets->addTab(m_resultSheet, QStringLiteral("Result Sheet"));
    m_sheets->addTab(m_historySheet, QStringLiteral("History"));
    setConfigSheetReachable(true);
    m_sheets->setCurrentWidget(m_testSheet);
    m_progress = new ProgressFrame(client);
    m_progress->setGeometry(0, TopBarHeight + SheetsHeight, ClientWidth, ProgressFrameHeight);
}

QList<QWidget*> ClientArea::tabOrder() const
{
    return m_topBar->tabOrder() + QList<QWidget*>{m_sheets} + m_testSheet->tabOrder() + m_resultSheet->tabOrder() +
           m_configSheet->tabOrder() + m_historySheet->tabOrder();
}

void ClientArea::fitTo(const QSize& room, Qt::Orientations tooLarge)
{
    QSize area = widget()->size();
    if (tooLarge & Qt::Horizontal) area.setWidth(room.width());
    if (tooLarge & Qt::Vertical) area.setHeight(room.height());
    setFixedSize(area);
}

void ClientArea::setConfigSheetReachable(bool reachable)
{
    const int index = m_sheets->indexOf(m_configSheet);
    if (reachable && index < 0) m_sheets->insertTab(2, m_configSheet, QStringLiteral("Config Sheet"));
    if (!reachable && index >= 0) m_sheets->removeTab(index);
}

void ClientArea::resolveMnemonicClashes()
{
    QList<QKeySequence> taken;
    for (const QPushButton* top : {m_topBar->solveButton(), m_topBar->localAddressButton(), m_topBar->pingButton(),
                                   m_topBar->runStopButton()})
        taken << QKeySequence::mnemonic(top->text());
    for (QPushButton* onSheet : {m_testSheet->clearButton(), m_testSheet->saveButton(), m_resultSheet->clearButton(),
                                 m_resultSheet->saveButton()}) {
        const QKeySequence own = QKeySequence::mnemonic(onSheet->text());
        onSheet->setShortcut(taken.contains(own) ? QKeySequence() : own);
    }
}

ReportHeader ClientArea::reportHeader() const
{
    return {m_topBar->octetEdit(0)->text(), m_topBar->octetEdit(1)->text(), m_topBar->octetEdit(2)->text(),
            m_configSheet->rangeMinEdit()->text(), m_configSheet->rangeMaxEdit()->text()};
}

void ClientArea::prepareResultSheet()
{
    switch (m_configSheet->sheetMode()) {
    case SheetMode::Overwrite: m_resultSheet->log()->clearLines(); break;
    case SheetMode::Append: m_resultSheet->log()->addLine(QString()); break;
    case SheetMode::None: break;
    }
}

TestPlan ClientArea::testPlan(const Settings& settings) const
{
    TestPlan plan;
    plan.ranges = {lastOctetRange(m_topBar->network(), m_configSheet->rangeFirst(), m_configSheet->rangeLast())};
    plan.preset = m_configSheet->speedPreset();
    plan.oneAtATime = settings.oneAtATime();
    plan.tcpPorts = KnockDialog::portsOf(settings);
    plan.openPorts = settings.openPorts() && !plan.tcpPorts.empty();
    return plan;
}
