// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/WindowMenus.h"

#include "files/Settings.h"
#include "history/HistoryService.h"
#include "notify/DesktopNotifier.h"
#include "scan/ScanController.h"
#include "window/AboutDialog.h"
#include "window/Dialogs.h"
#include "window/HistoryStoreDialog.h"
#include "window/KnockDialog.h"

#include <QAction>
#include <QActionGroup>
#include <QMenuBar>
#include <QWidget>

#include <utility>
#include <vector>

namespace {

QAction* checkable(QMenu* menu, const QString& text, const char* name, bool checked)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

// A submenu of radio choices, each action named prefix + its value; the
// checked one is current.
QActionGroup* choices(QMenu* menu, const QString& title, const char* name, const QString& prefix,
                      const std::vector<std::pair<int, QString>>& items, int current)
{
    QMenu* submenu = menu->addMenu(title);
    submenu->setObjectName(QLatin1String(name));
    auto* group = new QActionGroup(submenu);
    for (const auto& [value, text] : items) {
        QAction* action = checkable(submenu, text, "", value == current);
        action->setObjectName(prefix + QString::number(value) + QStringLiteral("Action"));
        action->setData(value);
        group->addAction(action);
    }
    return group;
}

} // namespace

WindowMenus::WindowMenus(QMenuBar* bar, Settings& settings, ScanController& scan, Dialogs& dialogs)
    : QObject(bar), m_settings(settings), m_scan(scan), m_dialogs(dialogs), m_about(std::make_unique<AboutDialog>()), m_notifier(new DesktopNotifier(this))
{
    scan.setNotifyAfter(settings.notifyAfter());
    applyHistory(settings.historyDays());
    m_exit = bar->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("&Exit"));
    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    m_notify = checkable(options, QStringLiteral("Notify of &changes"), "notifyAction", settings.notifyOfChanges());
    connect(m_notify, &QAction::toggled, this, [this](bool on) { keep(m_settings.setNotifyOfChanges(on)); });
    // Address conflicts are faults, not news: no option turns their notice off.
    connect(&scan, &ScanController::addressConflicts, this, &WindowMenus::notifyConflicts);
    KnownComputerWatch& known = scan.knownComputers();
    known.setNotifyOfNew(settings.notifyOfNewComputers());
    known.setNotifyOfPrivate(settings.notifyOfPrivateMacs());
    const QAction* notifyNew = checkable(options, QStringLiteral("Notify of &new computers"), "notifyNewAction",
                                         known.notifyOfNew());
    connect(notifyNew, &QAction::toggled, this, [this](bool on) {
        keep(m_settings.setNotifyOfNewComputers(on));
        m_scan.knownComputers().setNotifyOfNew(on);
    });
    const QAction* notifyPrivate = checkable(options, QStringLiteral("Notify of new &private (random) addresses too"),
                                             "notifyPrivateAction", known.notifyOfPrivate());
    connect(notifyPrivate, &QAction::toggled, this, [this](bool on) {
        keep(m_settings.setNotifyOfPrivateMacs(on));
        m_scan.knownComputers().setNotifyOfPrivate(on);
    });
    m_oneAtATime = checkable(options, QStringLiteral("Ping one address at a &time"), "oneAtATimeAction",
                             settings.oneAtATime());
    connect(m_oneAtATime, &QAction::toggled, this, [this](bool on) { keep(m_settings.setOneAtATime(on)); });
    m_knock = new KnockDialog(settings, bar->window());
    connect(m_knock, &KnockDialog::notKept, this, &WindowMenus::keep);
    QAction* knock = options->addAction(QStringLiteral("Knock on TCP &ports…"));
    knock->setObjectName(QStringLiteral("tcpPortsAction"));
    connect(knock, &QAction::triggered, m_knock, &KnockDialog::openWithKeptChoice);
    QAction* openPorts = checkable(options, QStringLiteral("Report &open TCP ports"), "openPortsAction", settings.openPorts());
    connect(openPorts, &QAction::toggled, this, [this](bool on) { keep(m_settings.setOpenPorts(on)); });
    // The digits are the accelerators: the menu's own letters stay free.
    m_keepHistory =
        choices(options, QStringLiteral("&Keep history"), "keepHistoryMenu", QStringLiteral("keepHistory"),
                {{7, QStringLiteral("&7 days")}, {30, QStringLiteral("&30 days")}, {90, QStringLiteral("&90 days")},
                 {365, QStringLiteral("36&5 days")}, {0, QStringLiteral("&Off")}},
                settings.historyDays());
    connect(m_keepHistory, &QActionGroup::triggered, this, [this](const QAction* chosen) { keepHistory(chosen->data().toInt()); });
    m_historyStore = options->addAction(QStringLiteral("History &store\u2026"));
    m_historyStore->setObjectName(QStringLiteral("historyStoreAction"));
    connect(m_historyStore, &QAction::triggered, this, &WindowMenus::chooseHistoryStore);
    const QActionGroup* misses =
        choices(options, QStringLiteral("Notify &after"), "notifyAfterMenu", QStringLiteral("notifyAfter"),
                {{1, QStringLiteral("&1 missed test")}, {2, QStringLiteral("&2 missed tests in a row")},
                 {3, QStringLiteral("&3 missed tests in a row")}},
                settings.notifyAfter());
    connect(misses, &QActionGroup::triggered, this, [this](const QAction* chosen) {
        const int tests = chosen->data().toInt();
        keep(m_settings.setNotifyAfter(tests));
        m_scan.setNotifyAfter(tests);
    });
    QAction* showAbout = bar->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));
    connect(showAbout, &QAction::triggered, this, [this] {
        m_about->show();
        m_about->raise();
        m_about->activateWindow();
    });
}

WindowMenus::~WindowMenus() = default;

void WindowMenus::keep(const QString& failure)
{
    if (!failure.isEmpty()) Q_EMIT preferenceNotKept(failure);
}

void WindowMenus::keepHistory(int days)
{
    const int kept = m_settings.historyDays();
    HistoryService* history = m_scan.history();
    m_daysAsked = 0;
    if (days == 0 || kept == 0 || days >= kept || history == nullptr) return setKeepHistory(days);
    // A shorter choice deletes tests at the next one: asked first, with how
    // many, counted on the history's thread.
    m_daysAsked = days;
    if (m_countedBy != history) {
        m_countedBy = history;
        connect(history, &HistoryService::testsOlderCounted, this, &WindowMenus::confirmShorterHistory);
    }
    history->countTestsOlderThan(days);
}

void WindowMenus::confirmShorterHistory(int days, qint64 tests)
{
    if (days != std::exchange(m_daysAsked, 0)) return;  // another choice came since
    if (tests == 0) return setKeepHistory(days);
    const QString which = tests < 0    ? QStringLiteral("the tests")
                          : tests == 1 ? QStringLiteral("the one test")
                                       : QStringLiteral("the %1 tests").arg(tests);
    const QString question = QStringLiteral("Keeping the history for %1 days deletes %2 older than that at the next "
                                            "test. Keep it for %1 days?").arg(days).arg(which);
    if (m_dialogs.confirm(qobject_cast<QWidget*>(parent()), question)) return setKeepHistory(days);
    // No: the kept choice stays, and shows.
    for (QAction* action : m_keepHistory->actions())
        if (action->data().toInt() == m_settings.historyDays()) action->setChecked(true);
}

void WindowMenus::setKeepHistory(int days)
{
    keep(m_settings.setHistoryDays(days));
    applyHistory(days);
    Q_EMIT historyChanged();
}

void WindowMenus::applyHistory(int days)
{
    const QString server = m_settings.historyServer();
    m_scan.setHistory(server.isEmpty() ? Settings::historyFile() : server, days,
                      {m_settings.scannerName(), Settings::historySpoolFile()});
}

void WindowMenus::chooseHistoryStore()
{
    // Modal but not blocking: the scan and the history's thread go on behind it.
    auto* dialog = new HistoryStoreDialog(m_settings.historyServer(), m_settings.scannerName(),
                                          qobject_cast<QWidget*>(parent()));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        keep(m_settings.setHistoryServer(dialog->serverUri()));
        keep(m_settings.setScannerName(dialog->scannerName()));
        applyHistory(m_settings.historyDays());
        Q_EMIT historyChanged();
    });
    dialog->open();
}

void WindowMenus::notifyChange(const QString& range, const QStringList& answeringNow,
                               const QStringList& stoppedAnswering)
{
    if (m_notify->isChecked()) m_notifier->notifyChange(range, answeringNow, stoppedAnswering);
}

void WindowMenus::notifyNewComputers(const QStringList& computers)
{
    m_notifier->notifyNewComputers(computers);
}

void WindowMenus::notifyMoves(const QString& range, const QStringList& moves)
{
    if (m_notify->isChecked()) m_notifier->notifyMoves(range, moves);
}

void WindowMenus::notifyConflicts(const QStringList& conflicts)
{
    m_notifier->notifyConflicts(conflicts);
}
