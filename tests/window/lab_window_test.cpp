// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: an accelerator that misses its command or hits another one, on any
// sheet, idle or during a test (Alt+S on the Result Sheet must stop it, and the button say it stops); the list
// drawn disabled; a History page that misses the typed range or the Options of the history and the notices, or forgets them;
// during a test; the Config Sheet within reach during a test; the window not idle again after it; a gauge
// that stands still during a test; an entry left answering on the screen after it fell silent; the
// look-ups filling in wrong fields, or holding the GUI thread (or their cursor) while a name server is silent.
#include "tests/Lab.h"
#include "tests/window/SilentNameServer.h"
#include "tests/window/WindowFixture.h"

#include "window/ComputerHistoryModel.h"
#include "window/FoundComputersView.h"
#include "window/HistorySheet.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>

class LabWindow : public WindowFixture {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        WindowFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        fill({"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit", "fourthOctetEdit", "rangeMinEdit", "rangeMaxEdit"},
             "198 51 100 20 10 20");
        choose("speedBox", 2);  // 3000 ms for the silent .20
    }
};

TEST_F(LabWindow, shouldRunEveryCommandByItsAcceleratorOnEverySheetIdleAndDuringATest)
{
    const struct {
        int sheet;
        Qt::Key key;
        const char* pressed;  // nullptr: nothing
    } rows[] = {{0, Qt::Key_C, "clearFoundButton"}, {0, Qt::Key_S, "saveFoundButton"}, {1, Qt::Key_C, "clearResultsButton"},
                {1, Qt::Key_S, "saveResultsButton"}, {2, Qt::Key_I, "solveButton"}, {2, Qt::Key_G, "localAddressButton"},
                {2, Qt::Key_P, "pingButton"}, {1, Qt::Key_R, "runStopButton"},
                // The test runs from here on: the Config Sheet is hidden, save and ping locked.
                {0, Qt::Key_C, nullptr}, {1, Qt::Key_C, "clearResultsButton"}, {1, Qt::Key_P, nullptr},
                {1, Qt::Key_I, "solveButton"}, {1, Qt::Key_S, "runStopButton"}};
    QStringList pressed;
    for (QPushButton* b : m_window->findChildren<QPushButton*>())
        QObject::connect(b, &QPushButton::pressed, b, [&pressed, b] { pressed << b->objectName(); });
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.sheet) + " Alt+" + char(row.key));
        find<QTabWidget>("sheets")->setCurrentIndex(row.sheet);
        pressed.clear();
        QTest::keyClick(m_window.get(), row.key, Qt::AltModifier);
        QTest::qWait(200);  // a click comes 100 ms after the press
        EXPECT_EQ(pressed, row.pressed != nullptr ? QStringList{row.pressed} : QStringList{});
    }
    auto* view = find<FoundComputersView>("foundView");
    EXPECT_EQ(m_window->scanController().state(), ScanState::Stopping);
    EXPECT_EQ(button("runStopButton")->text(), QStringLiteral("Stopping\u2026")) << "a stop not yet done shows no sign";
    EXPECT_EQ(find<QTabWidget>("sheets")->tabText(2), "History") << "the Config Sheet is within reach";  // the wheel: real-window check
    EXPECT_TRUE(view->isLocked() && view->isEnabled());  // locked, not drawn disabled
    EXPECT_EQ(m_dialogs.proposals.size(), 1);  // of the idle saves only the sheet's asks: the list is empty

    ASSERT_TRUE(idleAgain());
    EXPECT_FALSE(view->isLocked() || m_window->scanController().repeatArmed());
    EXPECT_EQ(button("runStopButton")->text(), QStringLiteral("&Run test"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_window->statusBar()->currentMessage().isEmpty(); }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return find<QProgressBar>("progressBar")->text() == "0%"; }, 2000));
}

// The History page follows the octets and the range, and Options change what is kept and when a notice comes.
TEST_F(LabWindow, shouldShowTheHistoryOfTheTypedRangeAndKeepTheOptionsOfTheHistoryAndTheNotices)
{
    fill({"rangeMinEdit", "rangeMaxEdit"}, "10 13");
    choose("speedBox", 1);
    QSignalSpy settled(&scan(), &ScanController::testSettled);
    button("runStopButton")->click();
    ASSERT_TRUE(settled.wait(60000));
    auto* page = find<HistorySheet>("historySheet");
    auto* note = find<QLabel>("historyNote");
    const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
        return page->model()->index(row, column).data(role).toString();
    };
    // An earlier stopped test of this lab may have shown these computers already: the page waits for this one.
    const auto first = [&] {
        return cell(0, ComputerHistoryModel::Address) + ' ' + cell(0, ComputerHistoryModel::Name) + ' ' +
               cell(0, ComputerHistoryModel::Uptime24h);
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return first() == "198.51.100.10 alpha.lab 100%"; }, 10000)) << first().toStdString();
    EXPECT_EQ(note->text(), "198.51.100.10-13: 4 computers ever seen there.");
    EXPECT_TRUE(cell(0, ComputerHistoryModel::Mac).startsWith("02:00:00:00:00:"));
    EXPECT_TRUE(cell(0, ComputerHistoryModel::LastDay, Qt::AccessibleTextRole).startsWith("answering since "))
        << cell(0, ComputerHistoryModel::LastDay, Qt::AccessibleTextRole).toStdString();
    // .13 leaves between two tests: the page comes up to date after the second and keeps it, silent.
    ASSERT_TRUE(Lab::setLanHostPresent("198.51.100.13", false));
    // The history counts in seconds: two tests within one would be one time.
    const qint64 firstEnded = QDateTime::currentSecsSinceEpoch();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QDateTime::currentSecsSinceEpoch() > firstEnded; }, 5000));
    button("runStopButton")->click();
    const bool settledAgain = settled.wait(60000);
    EXPECT_TRUE(Lab::setLanHostPresent("198.51.100.13", true));
    ASSERT_TRUE(settledAgain);
    EXPECT_TRUE(QTest::qWaitFor([&] { return cell(3, ComputerHistoryModel::Uptime24h) == "50%"; }, 10000))
        << cell(3, ComputerHistoryModel::Uptime24h).toStdString();
    EXPECT_EQ(page->model()->rowCount(), 4);
    EXPECT_TRUE(cell(3, ComputerHistoryModel::LastDay, Qt::AccessibleTextRole).startsWith("silent since "))
        << cell(3, ComputerHistoryModel::LastDay, Qt::AccessibleTextRole).toStdString();
    EXPECT_EQ(cell(0, ComputerHistoryModel::Uptime24h), "100%");
    // The range follows the fields; a range upside down reads nothing.
    fill({"rangeMinEdit"}, "12");
    EXPECT_TRUE(QTest::qWaitFor([&] { return note->text() == "198.51.100.12-13: 2 computers ever seen there."; }, 10000));
    fill({"rangeMinEdit"}, "14");
    EXPECT_TRUE(QTest::qWaitFor([&] { return note->text() == "No range: its min lies above its max."; }, 10000));

    m_window->findChild<QAction*>("notifyAfter2Action")->trigger();
    EXPECT_EQ(scan().notifyAfter(), 2);
    m_window->findChild<QAction*>("keepHistory0Action")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return note->text().startsWith("The history is off"); }, 10000));
    EXPECT_EQ(page->model()->rowCount(), 0);
    EXPECT_EQ(scan().history(), nullptr);
    m_window->close();
    open();
    EXPECT_TRUE(m_window->findChild<QAction*>("keepHistory0Action")->isChecked());
    EXPECT_TRUE(m_window->findChild<QAction*>("notifyAfter2Action")->isChecked());
    EXPECT_EQ(scan().notifyAfter(), 2);
    EXPECT_EQ(scan().history(), nullptr);
    m_window->findChild<QAction*>("keepHistory30Action")->trigger();
    fill({"rangeMinEdit"}, "10");
    note = find<QLabel>("historyNote");
    EXPECT_TRUE(QTest::qWaitFor([&] { return note->text().endsWith("computers ever seen there."); }, 10000)) << note->text().toStdString();
}

// The gauge follows the addresses while the test runs; a computer that falls silent shows it on the screen.
TEST_F(LabWindow, shouldMoveTheGaugeDuringATestAndRepaintAnEntryThatFallsSilent)
{
    fill({"rangeMinEdit", "rangeMaxEdit"}, "28 31");  // .28 .29 .31 silent, .30 answers after 30 ms
    choose("speedBox", 1);
    auto* gauge = find<QProgressBar>("progressBar");
    button("runStopButton")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return gauge->value() == 29 && scan().isRunning(); }, 5000)) << gauge->value();
    ASSERT_TRUE(idleAgain());
    ASSERT_EQ(m_window->scanController().foundComputers().count(), 1);
    auto* view = find<FoundComputersView>("foundView");
    // What the screen shows of the entry, not a fresh rendering of it.
    const auto onScreen = [&] {
        const QRect entry = view->visualRect(view->model()->index(0, 0)).translated(view->viewport()->mapTo(m_window.get(), QPoint()));
        return m_window->screen()->grabWindow(m_window->winId(), entry.x(), entry.y(), entry.width(), entry.height()).toImage();
    };
    QTest::qWait(100);  // a frame
    const QImage answering = onScreen();
    choose("speedBox", 0);  // 1 ms: the late host is silent now
    button("runStopButton")->click();
    ASSERT_TRUE(idleAgain());
    EXPECT_FALSE(m_window->scanController().foundComputers().answered(0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return onScreen() != answering; }, 2000)) << "the silent entry was not repainted";
}

TEST_F(LabWindow, shouldFillInTheLocalAddressAndASolvedName)
{
    // Both look-ups run in the background; the buttons come back when they are done.
    const auto lookUp = [this](const char* name) {
        button(name)->click();
        return QTest::qWaitFor([this] { return button("solveButton")->isEnabled(); }, 10000);
    };
    ASSERT_TRUE(lookUp("localAddressButton"));
    EXPECT_EQ(octets() + ' ' + find("hostNameEdit")->text(), QStringLiteral("198 51 100 2 scanner"));
    find("hostNameEdit")->setText(QStringLiteral(" alpha.lab "));
    m_dialogs.answerYes = false;
    ASSERT_TRUE(lookUp("solveButton"));
    EXPECT_EQ(m_dialogs.questions.join('|'), "IP address of  alpha.lab  is : 198.51.100.10\n\r\n\rUse this IP addr for test ?");
    EXPECT_EQ(octets(), QStringLiteral("198 51 100 2"));
    m_dialogs.answerYes = true;
    ASSERT_TRUE(lookUp("solveButton"));
    EXPECT_EQ(octets(), QStringLiteral("198 51 100 10"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_window->statusBar()->currentMessage().isEmpty(); }, 2000));
    find("hostNameEdit")->setText(QStringLiteral("nobody.lab"));
    ASSERT_TRUE(lookUp("solveButton"));
    EXPECT_EQ(m_dialogs.messages, QStringList{"Unable to find computer with hostname nobody.lab"});
}

// A name server that never answers (the test's RES_OPTIONS make the resolver wait 30 s) holds Solve IP: the
// GUI thread's timer fires on meanwhile, the look-up's controls are locked under a busy cursor, and a close
// drops the look-up with its cursor.
TEST_F(LabWindow, shouldKeepTheWindowRunningWhileANameServerHoldsALookUp)
{
    const SilentNameServer server;
    ASSERT_TRUE(server.listening());
    find("hostNameEdit")->setText(QStringLiteral("held.lab"));
    button("solveButton")->click();
    EXPECT_EQ(m_window->statusBar()->currentMessage(), "Yeeaaah, I need a few seconds...hardly working...");
    ASSERT_TRUE(server.queried());
    QTimer ticking;
    QSignalSpy ticks(&ticking, &QTimer::timeout);
    ticking.start(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks.size() >= 3; }, 10000));
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    for (const char* name : {"solveButton", "localAddressButton", "hostNameEdit"})
        EXPECT_FALSE(find<QWidget>(name)->isEnabled()) << name;
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    m_window.reset();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
