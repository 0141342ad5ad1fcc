// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/MainWindow.h"

#include "base/KeptTexts.h"
#include "files/Report.h"
#include "window/BusyWait.h"
#include "window/ConfigSheet.h"
#include "window/Controls.h"
#include "window/Dialogs.h"
#include "window/FieldSpinner.h"
#include "window/FoundComputersView.h"
#include "window/HistorySheet.h"
#include "window/KnockDialog.h"
#include "window/Pictures.h"
#include "window/ProgressFrame.h"
#include "window/ResultLog.h"
#include "window/ResultSheet.h"
#include "window/Log.h"
#include "window/SettingsFields.h"
#include "window/StatusLine.h"
#include "window/TestSheet.h"
#include "window/TopBar.h"
#include "window/WindowMenus.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>

#include <cstdio>

namespace {

constexpr int ClientWidth = 800;
constexpr int TopBarHeight = 34;
constexpr int SheetsHeight = 400;
constexpr int ProgressFrameHeight = 37;
constexpr int StatusBarHeight = 19;

} // namespace

MainWindow::MainWindow(Dialogs& dialogs, std::unique_ptr<Pinger> pinger, ArpProber* prober, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_scan(new ScanController(std::move(pinger), prober, this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(applicationTitle());
    setWindowIcon(Pictures::programIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(Controls::sansSerif(11));
    m_menus = new WindowMenus(menuBar(), m_settings, *m_scan);

    // The client area has fixed places; it scrolls where the screen is smaller than the window.
    auto* client = new QWidget;
    client->setFixedSize(ClientWidth, TopBarHeight + SheetsHeight + ProgressFrameHeight);
    m_clientArea = new QScrollArea(this);
    m_clientArea->setObjectName(QStringLiteral("clientArea"));
    m_clientArea->setFrameShape(QFrame::NoFrame);
    m_clientArea->setFocusPolicy(Qt::NoFocus);
    m_clientArea->setWidget(client);
    m_clientArea->setFixedSize(client->size());
    setCentralWidget(m_clientArea);
    m_topBar = new TopBar(m_dialogs, client);
    m_topBar->setGeometry(0, 0, ClientWidth, TopBarHeight);
    m_sheets = new QTabWidget(client);
    m_sheets->setObjectName(QStringLiteral("sheets"));
    m_sheets->setTabPosition(QTabWidget::South);
    m_sheets->setGeometry(0, TopBarHeight, ClientWidth, SheetsHeight);
    m_testSheet = new TestSheet(m_scan->foundComputers());
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
    m_status = new StatusLine(statusBar());
    statusBar()->setFixedHeight(StatusBarHeight);
    m_settingsFields = std::make_unique<SettingsFields>(*m_topBar, *m_configSheet);

    setTabOrder();
    resolveMnemonicClashes();
    // The client area is fixed; the window takes its size from it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connectControls();
    m_topBar->hostNameEdit()->clear();
    m_configSheet->onlyRepliesCheck()->setChecked(true);
    m_scan->foundComputers().clear();
    m_resultSheet->log()->clearLines();
}

MainWindow::~MainWindow()
{
    // The scan thread and the name look-ups must be off the widgets first.
    m_scan->halt();
}

void MainWindow::readSettings()
{
    guarded([this] {
        const QString error = m_settingsFields->read(m_settings);
        if (error.isEmpty()) return;
        std::fprintf(stderr, "%s: %s\n", qPrintable(m_settings.fieldsFile()), qPrintable(error));
        m_dialogs.showError(this, withFullStop(error), m_settings.fieldsFile());
    });
}

void MainWindow::setTabOrder()
{
    const QList<QWidget*> order = m_topBar->tabOrder() + QList<QWidget*>{m_sheets} + m_testSheet->tabOrder() +
                                  m_resultSheet->tabOrder() + m_configSheet->tabOrder() +
                                  m_historySheet->tabOrder() + QList<QWidget*>{m_status->cancelRepeatButton()};
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainWindow::connectControls()
{
    connect(m_topBar, &TopBar::octetsChanged, this, [this] { m_scan->setNetwork(m_topBar->network()); });
    m_historySheet->followRange(*m_topBar, *m_configSheet);
    m_historySheet->setHistory(m_scan->history());
    connect(m_menus, &WindowMenus::historyChanged, this, [this] { m_historySheet->setHistory(m_scan->history()); });
    connect(m_scan, &ScanController::testSettled, m_historySheet, &HistorySheet::refresh);
    connect(m_configSheet, &ConfigSheet::repeatChanged, this, [this] { m_scan->setRepeatMinutes(m_configSheet->repeatMinutes()); });
    // Once each: the same reason would come with every choice, and every test.
    connect(m_menus, &WindowMenus::preferenceNotKept, this, [this](const QString& why) {
        sayOnce(m_preferenceFailureShown, QStringLiteral("Cannot keep the choice for the next start: "), why);
    });
    connect(m_scan, &ScanController::historyFailed, this, [this](const QString& why) {
        sayOnce(m_historyFailureShown, QStringLiteral("The history is not kept: "), why);
    });
    connect(m_configSheet, &ConfigSheet::onlyCorrectRepliesChanged, this,
            [this](bool only) { m_scan->recorder().setShowOnlyCorrectReplies(only); });
    const std::pair<QPushButton*, std::function<void()>> clicks[] = {
        {m_topBar->solveButton(), [this] { m_topBar->solveHostName([this](const QString& s) { m_status->showNow(s); }); }},
        {m_topBar->localAddressButton(), [this] { m_topBar->fillInLocalAddress(); }},
        {m_topBar->pingButton(), [this] { pingAddress(); }},
        {m_topBar->runStopButton(), [this] { runOrStopTest(); }},
        {m_testSheet->clearButton(), [this] { m_scan->foundComputers().clear(); }},
        {m_testSheet->saveButton(), [this] { saveFoundComputers(); }},
        {m_resultSheet->saveButton(), [this] { saveResultSheet(); }},
        {m_resultSheet->clearButton(), [this] { m_resultSheet->log()->clearLines(); }},
        {m_status->cancelRepeatButton(), [this] { m_scan->setRepeatArmed(false); }},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, [this, handler = handler] { guarded(handler); });
    connect(m_menus->exitAction(), &QAction::triggered, this, [this] { close(); });

    EchoRecorder& recorder = m_scan->recorder();
    connect(&recorder, &EchoRecorder::resultLineAdded, m_resultSheet->log(), &ResultLog::addLine);
    connect(&recorder, &EchoRecorder::statusChanged, m_status, &StatusLine::show);
    connect(m_scan, &ScanController::progressed, m_progress,
            [this](qint64, qint64, quint32 address) { m_progress->setValue(static_cast<int>(address & 0xFF)); });
    connect(m_scan, &ScanController::stateChanged, this, &MainWindow::followState);
    connect(m_scan, &ScanController::nextTestChanged, m_status, &StatusLine::showNextTest);
    connect(m_scan, &ScanController::finished, this, [this] { guarded([this] { onTestFinished(); }); });
    connect(m_scan, &ScanController::repeatDue, this, [this] { guarded([this] { runOrStopTest(); }); });
    connect(m_scan, &ScanController::computersChanged, m_menus, &WindowMenus::notifyChange);
    connect(m_scan, &ScanController::failed, this, [this](const QString& message) {
        guarded([&] { throw std::runtime_error(message.toStdString()); });
    });
}

void MainWindow::guarded(const std::function<void()>& handler)
{
    runShowingErrors(m_dialogs, this, handler);
}

void MainWindow::terminate()
{
    m_terminating = true;
    // An open box would hold the program until someone pressed OK.
    QList<QWidget*> seen;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (seen.contains(modal)) break;
        seen << modal;
        modal->close();
    }
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        guarded([this] {
            // First: a test must not end, repeat or start anew under a box
            // about the settings.
            m_scan->halt();
            QString why;
            if (!m_settingsFields->write(m_settings, &why)) {
                // What the user set must not be lost without a word.
                const QString text = QStringLiteral("Cannot save file ") + m_settings.fieldsFile();
                std::fprintf(stderr, "%s: %s\n", qPrintable(text), qPrintable(why));
                if (!m_terminating) m_dialogs.showMessage(this, text, why);
            }
        });
    }
    event->accept();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || m_topBar == nullptr) return;
    // Each time the window becomes active, the first octet takes the focus
    // (isVisible and isEnabled are false when a parent is hidden or disabled).
    QLineEdit* first = m_topBar->octetEdit(0);
    if (isActiveWindow() && first->isVisible() && first->isEnabled()) first->setFocus();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (std::exchange(m_placed, true)) return;
    const QScreen* s = screen();
    if (s == nullptr) return;
    // Centred; a window larger than the screen keeps its title bar and menu
    // on it, where it can still be moved and used.
    const QRect area = s->availableGeometry();
    fitToScreen(area);
    const QSize frame = frameGeometry().size();
    const QPoint centred = area.center() - QPoint(frame.width() / 2, frame.height() / 2);
    move(std::max(area.left(), centred.x()), std::max(area.top(), centred.y()));
}

// On a screen smaller than the window (a large scale factor), the window
// takes the available area, its frame included, and the client area
// scrolls, so that every control stays within reach.
void MainWindow::fitToScreen(const QRect& available)
{
    const QSize room = available.size() - (frameGeometry().size() - m_clientArea->size());
    QSize area = m_clientArea->widget()->size();
    if (width() > available.width()) area.setWidth(room.width());
    if (height() > available.height()) area.setHeight(room.height());
    m_clientArea->setFixedSize(area);
    layout()->activate();
}

void MainWindow::sayOnce(bool& said, const QString& what, const QString& why)
{
    if (std::exchange(said, true)) return;
    std::fprintf(stderr, "%s%s\n", qPrintable(what), qPrintable(why));
    m_status->showNow(what + why);
}

void MainWindow::prepareResultSheet()
{
    // Overwrite: the sheet starts afresh; append: an empty line separates the rounds.
    switch (m_configSheet->sheetMode()) {
    case SheetMode::Overwrite: m_resultSheet->log()->clearLines(); break;
    case SheetMode::Append: m_resultSheet->log()->addLine(QString()); break;
    case SheetMode::None: break;
    }
}

void MainWindow::runOrStopTest()
{
    if (m_scan->isRunning())
        m_scan->requestStop();
    else
        startTest();
}

void MainWindow::startTest()
{
    const int first = m_configSheet->rangeFirst(), last = m_configSheet->rangeLast();
    m_scan->setRepeatMinutes(m_configSheet->repeatMinutes());
    if (first > last) {
        m_status->showNow(QStringLiteral("No test: the range's min (%1) is above its max (%2)").arg(first).arg(last));
        return;
    }
    m_sheets->setCurrentWidget(m_testSheet);
    prepareResultSheet();
    m_progress->setRange(first, last);
    TestPlan plan;
    plan.ranges = {lastOctetRange(m_topBar->network(), first, last)};
    plan.preset = m_configSheet->speedPreset();
    plan.oneAtATime = m_settings.oneAtATime();
    plan.tcpPorts = KnockDialog::portsOf(m_settings);
    plan.openPorts = m_settings.openPorts() && !plan.tcpPorts.empty();
    QString why;
    if (!m_scan->start(plan, &why)) {
        m_progress->reset();
        throw std::runtime_error("Cannot start the test: " + why.toStdString());
    }
}

void MainWindow::onTestFinished()
{
    m_progress->reset();
    m_status->show(QString());
}

void MainWindow::pingAddress()
{
    m_focusBeforePing = QApplication::focusWidget();
    const bool repeatPending = m_scan->nextTestAt().isValid();
    prepareResultSheet();
    m_scan->pingOnce(m_topBar->dottedAddress(), m_configSheet->speedPreset());
    if (repeatPending) m_status->showNow(QStringLiteral("The pending repeat is cancelled by the ping"));
}

void MainWindow::followState(ScanState state)
{
    const bool pinging = state == ScanState::PingingOnce;
    // Not here and now: the input that queued up meanwhile has yet to arrive.
    if (!pinging && m_busy) std::exchange(m_busy, nullptr)->end();
    m_topBar->followState(state);
    m_testSheet->followState(state);
    setConfigSheetReachable(state == ScanState::Idle || state == ScanState::WaitingToRepeat);
    if (pinging && !m_busy) m_busy = new BusyWait(this);
    // Locking the focused Ping button moved the focus on; it goes back.
    if (QWidget* before = m_focusBeforePing.data(); !pinging && before != nullptr) {
        if (before->isEnabled() && before->isVisible()) before->setFocus();
        m_focusBeforePing = nullptr;
    }
    resolveMnemonicClashes();
}

// During a test or a single ping the Config Sheet is out of reach by every
// route: a hidden tab still took the mouse wheel and the accessibility
// bus's Press, so its tab goes away. The History page after it stays.
void MainWindow::setConfigSheetReachable(bool reachable)
{
    const int index = m_sheets->indexOf(m_configSheet);
    if (reachable && index < 0) m_sheets->insertTab(2, m_configSheet, QStringLiteral("Config Sheet"));
    if (!reachable && index >= 0) m_sheets->removeTab(index);
}

// The top bar's buttons come first in the window: where a button on a sheet
// has the same accelerator, the top bar's keeps it.
void MainWindow::resolveMnemonicClashes()
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

void MainWindow::saveFoundComputers()
{
    const FoundComputers& found = m_scan->foundComputers();
    if (found.count() == 0) {
        m_dialogs.showMessage(this, QLatin1String(KeptTexts::NothingToSave));
        return;
    }
    m_saveFound.run(this, m_dialogs, m_saveFolder, [&] {
        const ReportHeader header{m_topBar->octetEdit(0)->text(), m_topBar->octetEdit(1)->text(),
                                  m_topBar->octetEdit(2)->text(), m_configSheet->rangeMinEdit()->text(),
                                  m_configSheet->rangeMaxEdit()->text()};
        return reportBytes(ReportFormat::Text, {header, {}, QDateTime::currentDateTime(), found.reportEntries()});
    });
}

void MainWindow::saveResultSheet()
{
    m_saveResults.run(this, m_dialogs, m_saveFolder, [this] { return textFileBytes(m_resultSheet->log()->lines()); });
}

AboutDialog& MainWindow::aboutDialog() const
{
    return m_menus->aboutDialog();
}
