// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/MainWindow.h"

#include "base/KeptTexts.h"
#include "files/Report.h"
#include "window/BusyWait.h"
#include "window/ClientArea.h"
#include "window/ConfigSheet.h"
#include "window/Controls.h"
#include "window/Dialogs.h"
#include "window/ComputerNaming.h"
#include "window/FoundComputersView.h"
#include "window/HistorySheet.h"
#include "window/Pictures.h"
#include "window/ProgressFrame.h"
#include "window/ResultLog.h"
#include "window/ResultSheet.h"
#include "window/SettingsFields.h"
#include "window/StatusLine.h"
#include "window/TestSheet.h"
#include "window/TopBar.h"
#include "window/WindowMenus.h"
#include "window/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

#include <cstdio>

namespace {

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
    m_menus = new WindowMenus(menuBar(), m_settings, *m_scan, m_dialogs);

    m_client = new ClientArea(m_dialogs, m_scan->foundComputers(), this);
    setCentralWidget(m_client);
    m_status = new StatusLine(statusBar());
    statusBar()->setFixedHeight(StatusBarHeight);
    m_settingsFields = std::make_unique<SettingsFields>(*m_client->topBar(), *m_client->configSheet());

    new WindowPlacement(*this, *m_client);
    setTabOrder();
    m_client->resolveMnemonicClashes();
    // The client area is fixed; the window takes its size from it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connectControls();
    m_client->topBar()->hostNameEdit()->clear();
    m_client->configSheet()->onlyRepliesCheck()->setChecked(true);
    m_scan->foundComputers().clear();
    m_client->resultSheet()->log()->clearLines();
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
    const QList<QWidget*> order = m_client->tabOrder() + QList<QWidget*>{m_status->cancelRepeatButton()};
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainWindow::connectControls()
{
    connect(m_client->topBar(), &TopBar::octetsChanged, this, [this] { m_scan->setNetwork(m_client->topBar()->network()); });
    m_client->historySheet()->followRange(*m_client->topBar(), *m_client->configSheet());
    m_client->historySheet()->setHistory(m_scan->history());
    connect(m_menus, &WindowMenus::historyChanged, this, [this] { m_client->historySheet()->setHistory(m_scan->history()); });
    connect(m_scan, &ScanController::testSettled, m_client->historySheet(), &HistorySheet::refresh);
    (new ComputerNaming(*m_scan, this))->attachToSheets(*m_client);
    connect(m_client->configSheet(), &ConfigSheet::repeatChanged, this, [this] { m_scan->setRepeatMinutes(m_client->configSheet()->repeatMinutes()); });
    // Once each: the same reason would come with every choice, and every test.
    connect(m_menus, &WindowMenus::preferenceNotKept, this, [this](const QString& why) {
        sayOnce(m_preferenceFailureShown, QStringLiteral("Cannot keep the choice for the next start: "), why);
    });
    connect(m_scan, &ScanController::historyFailed, m_client->historySheet(), &HistorySheet::setUnusable);
    connect(m_scan, &ScanController::historyFailed, this, [this](const QString& why) {
        sayOnce(m_historyFailureShown, QStringLiteral("The history is not kept: "), why);
    });
    connect(m_scan, &ScanController::historyServerChanged, this, [this](const QString& message, bool) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        m_status->showNow(message);
    });
    connect(m_client->configSheet(), &ConfigSheet::onlyCorrectRepliesChanged, this,
            [this](bool only) { m_scan->recorder().setShowOnlyCorrectReplies(only); });
    const std::pair<QPushButton*, std::function<void()>> clicks[] = {
        {m_client->topBar()->solveButton(), [this] { m_client->topBar()->solveHostName([this](const QString& s) { m_status->showNow(s); }); }},
        {m_client->topBar()->localAddressButton(), [this] { m_client->topBar()->fillInLocalAddress(); }},
        {m_client->topBar()->pingButton(), [this] { pingAddress(); }},
        {m_client->topBar()->runStopButton(), [this] { runOrStopTest(); }},
        {m_client->testSheet()->clearButton(), [this] { m_scan->foundComputers().clear(); }},
        {m_client->testSheet()->saveButton(), [this] { saveFoundComputers(); }},
        {m_client->resultSheet()->saveButton(), [this] { saveResultSheet(); }},
        {m_client->resultSheet()->clearButton(), [this] { m_client->resultSheet()->log()->clearLines(); }},
        {m_status->cancelRepeatButton(), [this] { m_scan->setRepeatArmed(false); }},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, [this, handler = handler] { guarded(handler); });
    connect(m_menus->exitAction(), &QAction::triggered, this, [this] { close(); });

    EchoRecorder& recorder = m_scan->recorder();
    connect(&recorder, &EchoRecorder::resultLineAdded, m_client->resultSheet()->log(), &ResultLog::addLine);
    connect(&recorder, &EchoRecorder::statusChanged, m_status, &StatusLine::show);
    connect(m_scan, &ScanController::progressed, m_client->progress(),
            [this](qint64, qint64, quint32 address) { m_client->progress()->setValue(static_cast<int>(address & 0xFF)); });
    connect(m_scan, &ScanController::stateChanged, this, &MainWindow::followState);
    connect(m_scan, &ScanController::nextTestChanged, m_status, &StatusLine::showNextTest);
    connect(m_scan, &ScanController::linkNotSeen, m_status, &StatusLine::showLinkNotSeen);
    connect(m_scan, &ScanController::finished, this, [this] { guarded([this] { onTestFinished(); }); });
    connect(m_scan, &ScanController::repeatDue, this, [this] { guarded([this] { runOrStopTest(); }); });
    connect(m_scan, &ScanController::computersChanged, m_menus, &WindowMenus::notifyChange);
    connect(m_scan, &ScanController::newComputersSeen, m_menus, &WindowMenus::notifyNewComputers);
    connect(m_scan, &ScanController::computersMoved, m_menus, &WindowMenus::notifyMoves);
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

void MainWindow::sayOnce(bool& said, const QString& what, const QString& why)
{
    if (std::exchange(said, true)) return;
    std::fprintf(stderr, "%s%s\n", qPrintable(what), qPrintable(why));
    m_status->showNow(what + why);
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
    const int first = m_client->configSheet()->rangeFirst(), last = m_client->configSheet()->rangeLast();
    m_scan->setRepeatMinutes(m_client->configSheet()->repeatMinutes());
    if (first > last) {
        m_status->showNow(QStringLiteral("No test: the range's min (%1) is above its max (%2)").arg(first).arg(last));
        return;
    }
    m_client->sheets()->setCurrentWidget(m_client->testSheet());
    m_client->prepareResultSheet();
    m_client->progress()->setRange(first, last);
    QString why;
    if (!m_scan->start(m_client->testPlan(m_settings), &why)) {
        m_client->progress()->reset();
        throw std::runtime_error("Cannot start the test: " + why.toStdString());
    }
}

void MainWindow::onTestFinished()
{
    m_client->progress()->reset();
    m_status->show(QString());
}

void MainWindow::pingAddress()
{
    m_focusBeforePing = QApplication::focusWidget();
    const bool repeatPending = m_scan->nextTestAt().isValid();
    m_client->prepareResultSheet();
    m_scan->pingOnce(m_client->topBar()->dottedAddress(), m_client->configSheet()->speedPreset());
    if (repeatPending) m_status->showNow(QStringLiteral("The pending repeat is cancelled by the ping"));
}

void MainWindow::followState(ScanState state)
{
    const bool pinging = state == ScanState::PingingOnce;
    // Not here and now: the input that queued up meanwhile has yet to arrive.
    if (!pinging && m_busy) std::exchange(m_busy, nullptr)->end();
    m_client->topBar()->followState(state);
    m_client->testSheet()->followState(state);
    m_client->setConfigSheetReachable(state == ScanState::Idle || state == ScanState::WaitingToRepeat);
    if (pinging && !m_busy) m_busy = new BusyWait(this);
    // Locking the focused Ping button moved the focus on; it goes back.
    if (QWidget* before = m_focusBeforePing.data(); !pinging && before != nullptr) {
        if (before->isEnabled() && before->isVisible()) before->setFocus();
        m_focusBeforePing = nullptr;
    }
    m_client->resolveMnemonicClashes();
}

void MainWindow::saveFoundComputers()
{
    const FoundComputers& found = m_scan->foundComputers();
    if (found.count() == 0) {
        m_dialogs.showMessage(this, QLatin1String(KeptTexts::NothingToSave));
        return;
    }
    m_saveFound.run(this, m_dialogs, m_saveFolder, [&] {
        return reportBytes(ReportFormat::Text,
                           {m_client->reportHeader(), {}, QDateTime::currentDateTime(), found.reportEntries()});
    });
}

void MainWindow::saveResultSheet()
{
    m_saveResults.run(this, m_dialogs, m_saveFolder, [this] { return textFileBytes(m_client->resultSheet()->log()->lines()); });
}

AboutDialog& MainWindow::aboutDialog() const
{
    return m_menus->aboutDialog();
}
