// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/MainWindow.h"

#include "base/KeptTexts.h"
#include "files/Report.h"
#include "files/SettingsFile.h"
#include "window/BusyWait.h"
#include "window/ConfigSheet.h"
#include "window/Controls.h"
#include "window/Dialogs.h"
#include "window/FieldSpinner.h"
#include "window/FoundComputersView.h"
#include "window/Pictures.h"
#include "window/ProgressFrame.h"
#include "window/ResultPage.h"
#include "window/ResultSheet.h"
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

MainWindow::MainWindow(Dialogs& boxes, std::unique_ptr<Pinger> pinger, QWidget* parent)
    : QMainWindow(parent), dialogs(boxes), scan(new ScanController(std::move(pinger), this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(applicationTitle());
    setWindowIcon(Pictures::programIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(Controls::sansSerif(11));
    menus = new WindowMenus(menuBar());

    auto* client = new QWidget(this);
    client->setFixedSize(ClientWidth, TopBarHeight + SheetsHeight + ProgressFrameHeight);
    setCentralWidget(client);
    topBar = new TopBar(dialogs, client);
    topBar->setGeometry(0, 0, ClientWidth, TopBarHeight);
    sheets = new QTabWidget(client);
    sheets->setObjectName(QStringLiteral("sheets"));
    sheets->setTabPosition(QTabWidget::South);
    sheets->setGeometry(0, TopBarHeight, ClientWidth, SheetsHeight);
    testSheet = new TestSheet(scan->foundComputers());
    resultPage = new ResultPage;
    configSheet = new ConfigSheet;
    sheets->addTab(testSheet, QStringLiteral("Test Sheet"));
    sheets->addTab(resultPage, QStringLiteral("Result Sheet"));
    setConfigSheetReachable(true);
    sheets->setCurrentWidget(testSheet);
    progress = new ProgressFrame(client);
    progress->setGeometry(0, TopBarHeight + SheetsHeight, ClientWidth, ProgressFrameHeight);
    status = new StatusLine(statusBar());
    statusBar()->setFixedHeight(StatusBarHeight);
    settingsFields = std::make_unique<SettingsFields>(*topBar, *configSheet);

    setTabOrder();
    resolveMnemonicClashes();
    // The client area is fixed; the window takes its size from it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connectControls();
    topBar->hostNameEdit()->clear();
    configSheet->onlyRepliesCheck()->setChecked(true);
    scan->foundComputers().clear();
    resultPage->sheet()->clearLines();
}

MainWindow::~MainWindow()
{
    // The scan thread and the name look-ups must be off the widgets first.
    scan->halt();
}

void MainWindow::readSettings()
{
    guarded([this] { settingsFields->read(SettingsFile::FileName); });
}

void MainWindow::setTabOrder()
{
    const QList<QWidget*> order = topBar->tabOrder() + QList<QWidget*>{sheets} + testSheet->tabOrder() +
                                  resultPage->tabOrder() + configSheet->tabOrder();
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainWindow::connectControls()
{
    connect(topBar, &TopBar::octetsChanged, this, [this] { guarded([this] { copyFieldsToParameters(); }); });
    for (FieldSpinner* spinner : {configSheet->repeatSpinner(), configSheet->rangeMinSpinner(),
                                  configSheet->rangeMaxSpinner()})
        connect(spinner, &FieldSpinner::aboutToStep, this, [this] { guarded([this] { copyFieldsToParameters(); }); });
    connect(configSheet, &ConfigSheet::speedPresetChosen, this, [this] { guarded([this] { applySpeedPreset(); }); });
    connect(configSheet, &ConfigSheet::onlyCorrectRepliesChanged, this,
            [this](bool only) { scan->recorder().setShowOnlyCorrectReplies(only); });
    const std::pair<QPushButton*, std::function<void()>> clicks[] = {
        {topBar->solveButton(), [this] { topBar->solveHostName([this](const QString& s) { status->showNow(s); }); }},
        {topBar->localAddressButton(), [this] { topBar->fillInLocalAddress(); }},
        {topBar->pingButton(), [this] { pingAddress(); }},
        {topBar->runStopButton(), [this] { runOrStopTest(); }},
        {testSheet->clearButton(), [this] { scan->foundComputers().clear(); }},
        {testSheet->saveButton(), [this] { saveFoundComputers(); }},
        {resultPage->saveButton(), [this] { saveResultSheet(); }},
        {resultPage->clearButton(), [this] { resultPage->sheet()->clearLines(); }},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, [this, handler = handler] { guarded(handler); });
    connect(menus->exitAction(), &QAction::triggered, this, [this] { close(); });

    EchoRecorder& recorder = scan->recorder();
    connect(&recorder, &EchoRecorder::resultLineAdded, resultPage->sheet(), &ResultSheet::addLine);
    connect(&recorder, &EchoRecorder::statusChanged, status, &StatusLine::show);
    connect(scan, &ScanController::progressed, progress, &ProgressFrame::setValue);
    connect(scan, &ScanController::stateChanged, this, &MainWindow::followState);
    connect(scan, &ScanController::nextTestChanged, status, &StatusLine::showNextTest);
    connect(scan, &ScanController::finished, this, [this] { guarded([this] { onTestFinished(); }); });
    connect(scan, &ScanController::repeatDue, this, [this] { guarded([this] { runOrStopTest(); }); });
    connect(scan, &ScanController::computersChanged, menus, &WindowMenus::notifyChange);
    connect(scan, &ScanController::failed, this, [this](const QString& message) {
        guarded([&] { throw std::runtime_error(message.toStdString()); });
    });
}

void MainWindow::guarded(const std::function<void()>& handler)
{
    runShowingErrors(dialogs, this, handler);
}

void MainWindow::terminate()
{
    terminating = true;
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
    if (!closed) {
        closed = true;
        guarded([this] {
            scan->setRepeatArmed(false);
            if (!settingsFields->write(SettingsFile::FileName)) {
                // What the user set must not be lost without a word.
                const QString name = QDir::current().absoluteFilePath(SettingsFile::FileName);
                std::fprintf(stderr, "Cannot save file %s\n", qPrintable(name));
                if (!terminating) dialogs.showMessage(this, QStringLiteral("Cannot save file ") + name);
            }
            scan->halt();
        });
    }
    event->accept();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || topBar == nullptr) return;
    // Each time the window becomes active, the first octet takes the focus
    // (isVisible and isEnabled are false when a parent is hidden or disabled).
    QLineEdit* first = topBar->octetEdit(0);
    if (isActiveWindow() && first->isVisible() && first->isEnabled()) first->setFocus();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (std::exchange(placed, true)) return;
    const QScreen* s = screen();
    if (s == nullptr) return;
    // Centred; a window larger than the screen keeps its title bar and menu
    // on it, where it can still be moved and used.
    const QRect area = s->availableGeometry();
    const QSize frame = frameGeometry().size();
    const QPoint centred = area.center() - QPoint(frame.width() / 2, frame.height() / 2);
    move(std::max(area.left(), centred.x()), std::max(area.top(), centred.y()));
}

void MainWindow::copyFieldsToParameters()
{
    const TestSettings settings = configSheet->settings();
    scan->setParameters(topBar->networkOctets(), settings.rangeMin, settings.rangeMax, settings.repeatMinutes);
}

void MainWindow::applySpeedPreset()
{
    scan->applySpeedPreset(configSheet->settings().speedPreset);
}

void MainWindow::prepareResultSheet()
{
    // Overwrite: the sheet starts afresh; append: an empty line separates the rounds.
    switch (configSheet->settings().sheetMode) {
    case SheetMode::Overwrite: resultPage->sheet()->clearLines(); break;
    case SheetMode::Append: resultPage->sheet()->addLine(QString()); break;
    case SheetMode::None: break;
    }
}

void MainWindow::runOrStopTest()
{
    if (scan->isRunning())
        scan->requestStop();
    else
        startTest();
}

void MainWindow::startTest()
{
    sheets->setCurrentWidget(testSheet);
    copyFieldsToParameters();
    applySpeedPreset();
    prepareResultSheet();
    const TestSettings settings = configSheet->settings();
    progress->setRange(settings.rangeMin, settings.rangeMax);
    scan->start();
}

void MainWindow::onTestFinished()
{
    progress->reset();
    status->show(QString());
}

void MainWindow::pingAddress()
{
    focusBeforePing = QApplication::focusWidget();
    copyFieldsToParameters();
    applySpeedPreset();
    prepareResultSheet();
    scan->pingOnce(topBar->dottedAddress());
}

void MainWindow::followState(ScanState state)
{
    const bool pinging = state == ScanState::PingingOnce;
    if (!pinging) busy.reset();
    topBar->followState(state);
    testSheet->followState(state);
    setConfigSheetReachable(state == ScanState::Idle || state == ScanState::WaitingToRepeat);
    if (pinging && !busy) busy = std::make_unique<BusyWait>();
    // Locking the focused Ping button moved the focus on; it goes back.
    if (QWidget* before = focusBeforePing.data(); !pinging && before != nullptr) {
        if (before->isEnabled() && before->isVisible()) before->setFocus();
        focusBeforePing = nullptr;
    }
    resolveMnemonicClashes();
}

// During a test or a single ping the Config Sheet is out of reach by every
// route: a hidden tab still took the mouse wheel and the accessibility
// bus's Press, so its tab goes away.
void MainWindow::setConfigSheetReachable(bool reachable)
{
    const int index = sheets->indexOf(configSheet);
    if (reachable && index < 0) sheets->addTab(configSheet, QStringLiteral("Config Sheet"));
    if (!reachable && index >= 0) sheets->removeTab(index);
}

// The top bar's buttons come first in the window: where a button on a sheet
// has the same accelerator, the top bar's keeps it.
void MainWindow::resolveMnemonicClashes()
{
    QList<QKeySequence> taken;
    for (const QPushButton* top : {topBar->solveButton(), topBar->localAddressButton(), topBar->pingButton(),
                                   topBar->runStopButton()})
        taken << QKeySequence::mnemonic(top->text());
    for (QPushButton* onSheet : {testSheet->clearButton(), testSheet->saveButton(), resultPage->clearButton(),
                                 resultPage->saveButton()}) {
        const QKeySequence own = QKeySequence::mnemonic(onSheet->text());
        onSheet->setShortcut(taken.contains(own) ? QKeySequence() : own);
    }
}

void MainWindow::saveFoundComputers()
{
    const FoundComputers& found = scan->foundComputers();
    if (found.count() == 0) {
        dialogs.showMessage(this, QLatin1String(KeptTexts::NothingToSave));
        return;
    }
    saveFound.run(this, dialogs, [&] {
        const ReportParameters parameters{topBar->octetEdit(0)->text(), topBar->octetEdit(1)->text(),
                                          topBar->octetEdit(2)->text(), configSheet->rangeMinEdit()->text(),
                                          configSheet->rangeMaxEdit()->text()};
        return textFileBytes(foundComputersReport(parameters, reportTimeOfDay(), found.reportEntries()));
    });
}

void MainWindow::saveResultSheet()
{
    saveResults.run(this, dialogs, [this] { return textFileBytes(resultPage->sheet()->lines()); });
}

AboutDialog& MainWindow::aboutDialog() const
{
    return menus->aboutDialog();
}
