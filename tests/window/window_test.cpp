// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: octet fields left invalid or a line break kept in any field; spinners that pass their ends;
// settings read into the wrong fields, unclamped, or not written back as seven lines; a list saved
// in the wrong place or said saved when it was not, or the settings moved by a failed save; a handler's
// error escaping; a broken tab order, a label over a field, or an empty list with no visible focus; a button
// that clears or saves the other sheet's list; a test or ping that skips the sheet's mode or its preset's
// time-out; a gauge left full; a due repeat that starts no test, a pending one not shown, shown with seconds, or
// not cancelled on its own; a stopped test taken for a whole one by the change notices; Enter that presses
// nothing, or the focus lost after a ping; a ping's wait that runs the event loop, shows no busy cursor or
// replays the input it held; the notice choice forgotten or written into the settings file; a long name that
// widens its entry in the list, or is lost from its tip and accessible name; "Unknown only" on the History page
// showing a named computer, or out of reach of the keyboard.
#include "tests/window/WindowFixture.h"

#include "files/Settings.h"
#include "history/HistoryStore.h"
#include "window/ComputerHistoryModel.h"
#include "window/ConfigSheet.h"
#include "window/FoundComputersView.h"
#include "window/HistorySheet.h"
#include "window/KnockDialog.h"
#include "window/ResultLog.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QCheckBox>
#include <QTableView>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QAbstractItemView>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>

#include <future>

namespace {
QByteArray fileBytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}
} // namespace

TEST_F(WindowFixture, shouldKeepEveryFieldValidAndOnOneLine)
{
    const QString octet = QStringLiteral("Correct range is 0..255"), host = QStringLiteral("Correct range is 1..254");
    const struct {
        const char *field, *before, *pasted, *shown;
        QString message;
    } rows[] = {
        {"firstOctetEdit", "100", "256", "100", octet}, {"firstOctetEdit", "100", "-1", "100", octet},
        {"firstOctetEdit", "100", "abc", "100", octet}, {"fourthOctetEdit", "10", "0", "10", host},
        {"fourthOctetEdit", "10", "255", "10", host},   {"secondOctetEdit", "5", "", "0", {}},
        {"fourthOctetEdit", "10", "", "1", {}},         {"thirdOctetEdit", "5", "007", "7", {}},
        {"thirdOctetEdit", "5", "$1F", "31", {}},       {"thirdOctetEdit", "5", " 12", "12", {}},
        {"thirdOctetEdit", "5", "12 ", "5", octet},     {"firstOctetEdit", "1", "7\n200", "7", {}},
        {"fourthOctetEdit", "1", "7\r\n200", "7", {}},  {"hostNameEdit", "", "alpha\nbeta", "alpha", {}},
        {"rangeMinEdit", "1", "7\n200", "7", {}},       {"rangeMaxEdit", "254", "300", "300", {}},
        {"repeatEdit", "5", "1\n2", "1", {}},
    };
    find<QTabWidget>("sheets")->setCurrentIndex(2);
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.field) + " <- " + row.pasted);
        find(row.field)->setText(QLatin1String(row.before));
        m_dialogs.messages.clear();
        paste(find(row.field), QString::fromLatin1(row.pasted));
        EXPECT_EQ(find(row.field)->text(), QLatin1String(row.shown));
        EXPECT_EQ(m_dialogs.messages, row.message.isEmpty() ? QStringList{} : QStringList{row.message});
    }
    EXPECT_EQ(find<ConfigSheet>("configSheet")->rangeLast(), 254);  // 300 is no value of its spinner

    // The arrows and the Up and Down keys stop at the ends.
    find("firstOctetEdit")->setText(QStringLiteral("254"));
    QToolButton* up = find<QWidget>("firstOctetSpinner")->findChildren<QToolButton*>()[0];
    for (int i = 0; i < 2; ++i) QTest::mouseClick(up, Qt::LeftButton);
    find("fourthOctetEdit")->setText(QStringLiteral("2"));
    for (int i = 0; i < 2; ++i) QTest::keyClick(find("fourthOctetEdit"), Qt::Key_Down);
    EXPECT_EQ(octets(), QStringLiteral("255 0 5 1"));
}

TEST_F(WindowFixture, shouldReadTheSettingsIntoTheirFieldsAndWriteThemBackAsSevenLines)
{
    const auto all = [this] { return octets() + ' ' + texts({"rangeMinEdit", "rangeMaxEdit", "repeatEdit"}); };
    EXPECT_EQ(all(), QStringLiteral("1 1 1 1 1 254 1"));  // no file: the file's defaults, not the window's own
    paste(find("firstOctetEdit"), QStringLiteral("10"));
    paste(find("rangeMinEdit"), QStringLiteral(" 7\n200"));
    m_window->close();
    EXPECT_EQ(fileBytes(QStringLiteral("Scanvet.cfg")), QByteArray("10\r\n1\r\n1\r\n1\r\n7\r\n254\r\n1\r\n"));

    QFile cfg(QStringLiteral("Scanvet.cfg"));
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly) && cfg.write("300\n 8\r\n-5\n0\nabc\n3\n99\n") > 0);
    cfg.close();
    open();
    // Reading stops at the bad line: the range and the period keep the values the window starts with.
    EXPECT_EQ(all(), QStringLiteral("255 8 0 1 1 254 5"));
    EXPECT_EQ(m_dialogs.errors, QStringList{QStringLiteral("'abc' is not a valid integer value.")});
}

TEST_F(WindowFixture, shouldSaveTheListsWhereTheUserChoseAndSayWhenItCannot)
{
    // A handler's error shows in the error box, and the program carries on.
    m_dialogs.failNextMessage = true;
    for (int i = 0; i < 2; ++i) button("saveFoundButton")->click();
    EXPECT_EQ(m_dialogs.messages, QStringList(2, QStringLiteral("There aren't items to save in this ListView")));
    EXPECT_EQ(m_dialogs.errors, QStringList{QStringLiteral("Handler failed.")});
    EXPECT_TRUE(m_dialogs.proposals.isEmpty());

    // A failed save says why and moves nothing; a save moves where the next dialog opens, never the settings file.
    ASSERT_TRUE(QDir(m_work.path()).mkdir(QStringLiteral("out")) && QFile(m_work.filePath("plain")).open(QIODevice::WriteOnly));
    m_dialogs.saveAs = m_work.filePath("plain/inside");
    button("saveResultsButton")->click();
    EXPECT_EQ(m_dialogs.messages.last(), "Cannot save file " + m_work.filePath("plain/inside.txt"));
    EXPECT_EQ(m_dialogs.reasons.last(), "Not a directory");
    const QString sheet = m_work.path() + QStringLiteral("/out/sheet");
    m_dialogs.saveAs = sheet;
    for (int i = 0; i < 2; ++i) button("saveResultsButton")->click();
    EXPECT_EQ(fileBytes(sheet + ".txt"), QByteArray());
    EXPECT_EQ(m_dialogs.proposals.mid(1).join(' '), "Save Scanvet Results|" + m_work.path() + "|inside.txt" +
                                                      " Save Scanvet Results|" + m_work.path() + "/out|sheet.txt");
    m_dialogs.saveAs = sheet + ".txt/inside";
    button("saveResultsButton")->click();
    EXPECT_EQ(m_dialogs.messages.last(), "Cannot save file " + sheet + ".txt/inside.txt");
    m_window->close();
    EXPECT_FALSE(QFile::exists(m_work.path() + QStringLiteral("/out/Scanvet.cfg")));
    EXPECT_TRUE(QFile::exists(m_work.filePath("Scanvet.cfg")));
}

TEST_F(WindowFixture, shouldReachEveryControlOfEverySheetByTab)
{
    // The window shows the installed program's icon, drawn from its SVG.
    const QImage icon = m_window->windowIcon().pixmap(32).toImage();
    EXPECT_TRUE(!icon.isNull() && icon.pixelColor(16, 16).alpha() == 255);
    EXPECT_EQ(QApplication::focusWidget(), find("firstOctetEdit"));
    // A pending repeat: its cancel button ends the order. The list is empty again.
    fill({"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit", "fourthOctetEdit", "rangeMinEdit", "rangeMaxEdit",
          "repeatEdit"}, "127 0 0 1 1 1 1");
    button("runStopButton")->click();
    ASSERT_TRUE(idleAgain());
    button("clearFoundButton")->click();
    auto* list = find<QAbstractItemView>("foundView");
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->viewport()->updatesEnabled(); }));  // drawn once per frame
    const QImage unfocusedList = list->grab().toImage();
    const QString top = QStringLiteral("firstOctetEdit secondOctetEdit thirdOctetEdit fourthOctetEdit hostNameEdit "
                                       "solveButton localAddressButton pingButton runStopButton qt_tabwidget_tabbar ");
    const QString sheets[] = {"foundView clearFoundButton saveFoundButton",
                              "resultLog saveResultsButton clearResultsButton",
                              "repeatEdit rangeMinEdit rangeMaxEdit onlyRepliesCheck QRadioButton QRadioButton",
                              "historyView unknownOnlyCheck"};
    for (int sheet = 0; sheet < 4; ++sheet) {
        find<QTabWidget>("sheets")->setCurrentIndex(sheet);
        // A click on a field lands in it, not on a label beside it.
        for (QLineEdit* field : m_window->findChildren<QLineEdit*>())
            EXPECT_TRUE(!field->isVisible() || m_window->childAt(field->mapTo(m_window.get(), QPoint(2, 8))) == field)
                << field->objectName().toStdString();
        find("firstOctetEdit")->setFocus();
        QStringList order;
        for (QWidget* w = QApplication::focusWidget(); order.size() < 40; w = QApplication::focusWidget()) {
            order << (w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName());
            EXPECT_TRUE(w != list || w->grab().toImage() != unfocusedList) << "no visible focus on the empty list";
            QTest::keyClick(w, Qt::Key_Tab);
            if (QApplication::focusWidget() == find("firstOctetEdit")) break;
        }
        EXPECT_EQ(order.join(' '), top + sheets[sheet] + " cancelRepeatButton");
    }
}

// Rows: a button of a sheet, and what it leaves: the list's entries, the sheet's lines, the saved file's first line.
TEST_F(WindowFixture, shouldClearOrSaveWhatEachButtonOfEachSheetNames)
{
    auto* sheet = find<ResultLog>("resultLog");
    const QString saved = m_work.filePath("saved.txt");
    m_dialogs.saveAs = saved;
    const struct {
        const char* button;
        int entries, lines;
        const char* firstSavedLine;
    } rows[] = {{"saveFoundButton", 1, 1, "Scanvet Address - finded computers"}, {"saveResultsButton", 1, 1, "a line"},
                {"clearResultsButton", 1, 0, "(missing)"}, {"clearFoundButton", 0, 1, "(missing)"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        scan().foundComputers().clear();
        scan().foundComputers().add(QStringLiteral("10.0.0.1"));
        sheet->clearLines();
        sheet->addLine(QStringLiteral("a line"));
        QFile::remove(saved);
        button(row.button)->click();
        EXPECT_EQ(scan().foundComputers().count(), row.entries);
        EXPECT_EQ(sheet->lines().size(), row.lines);
        EXPECT_EQ(fileBytes(saved).split('\r').first(), row.firstSavedLine);
    }
}

// Rows: how an echo is asked for, the preset, the sheet's mode and the range; what the pinger was given, the
// sheet's lines afterwards and where the gauge stands. Loopback answers every address.
TEST_F(WindowFixture, shouldPrepareEveryTestAndPingByTheConfigSheetAndEmptyTheGaugeAfterIt)
{
    fill({"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit", "fourthOctetEdit", "repeatEdit"}, "127 0 0 1 0");
    const QString reply = QStringLiteral("Sending ping to 127.0.0.1 Reply O.K.");
    std::vector<std::pair<int, int>> given;  // time-out and time to live at each request
    scan().pinger().onRequest = [&] { given.emplace_back(int(scan().pinger().timeout().count()), scan().pinger().ttl()); };
    const struct {
        const char* press;
        int preset, mode;
        const char* range;
        std::vector<std::pair<int, int>> given;
        QStringList lines;  // the lines' starts
    } rows[] = {{"runStopButton", 0, 0, "1 1", {{1, 1}}, {reply}},
                {"pingButton", 1, 1, "1 1", {{600, 255}}, {reply, "", reply}},
                {"runStopButton", 2, 1, "1 1", {{3000, 255}}, {reply, "", reply, "", reply}},
                {"runStopButton", 1, 0, "200 100", {}, {reply, "", reply, "", reply}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.press) + " preset " + std::to_string(row.preset) + " " + row.range);
        choose("speedBox", row.preset);
        choose("sheetModeBox", row.mode);
        fill({"rangeMinEdit", "rangeMaxEdit"}, QLatin1String(row.range));
        given.clear();
        button(row.press)->click();
        ASSERT_TRUE(idleAgain());
        EXPECT_EQ(given, row.given);
        QStringList starts;
        for (const QString& line : find<ResultLog>("resultLog")->lines()) starts << line.left(reply.size());
        EXPECT_EQ(starts, row.lines);
        auto* gauge = find<QProgressBar>("progressBar");
        const int low = row.given.empty() ? 1 : find("rangeMinEdit")->text().toInt();
        EXPECT_TRUE(QTest::qWaitFor([&] { return gauge->value() == low && gauge->minimum() == low; }, 2000))
            << gauge->minimum() << ' ' << gauge->value();
    }
    // The last row started no test, and says why.
    EXPECT_EQ(m_window->statusBar()->currentMessage(), "No test: the range's min (200) is above its max (100)");
}

TEST_F(WindowFixture, shouldRepeatAFinishedTestAndShowWhenTheNextOneStartsUntilStopPingCancelOrNoPeriod)
{
    fill({"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit", "fourthOctetEdit", "rangeMinEdit", "rangeMaxEdit",
          "repeatEdit"}, "127 0 0 1 1 2 1");
    scan().setMinuteLength(std::chrono::milliseconds(300));
    scan().setNotifyAfter(1);
    auto* next = find<QLabel>("nextTestLabel");
    QSignalSpy finished(&scan(), &ScanController::finished), changed(&scan(), &ScanController::computersChanged);
    const auto pending = [&] { return next->isVisible() && button("cancelRepeatButton")->isVisible(); };
    // The window itself starts the test that falls due, twice without a click; the time shows without seconds.
    button("runStopButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() == 3; }, 20000));
    scan().setMinuteLength(std::chrono::minutes(1));
    fill({"repeatEdit"}, "2");
    EXPECT_TRUE(pending());
    EXPECT_EQ(next->text(), "Next test at " + QLocale().toString(scan().nextTestAt().time(), u"HH:mm"));
    // Cancel repeat (Alt+N) cancels it alone; a ping cancels it too, and says so.
    QTest::keyClick(m_window.get(), Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pending() && !scan().repeatArmed(); }, 2000));
    button("runStopButton")->click();
    ASSERT_TRUE(idleAgain() && pending());
    button("pingButton")->click();
    EXPECT_FALSE(pending() || scan().repeatArmed());
    EXPECT_EQ(m_window->statusBar()->currentMessage(), "The pending repeat is cancelled by the ping");
    // Stopped after .1 (the first echo waits for the stop): no repeat, and no change between the whole tests
    // around it. Then a period of 0 cancels the pending repeat.
    std::promise<void> stopped;
    scan().pinger().onRequest = [pressed = stopped.get_future().share()] { pressed.wait(); };
    button("runStopButton")->click();
    button("runStopButton")->click();
    stopped.set_value();
    ASSERT_TRUE(idleAgain());
    scan().pinger().onRequest = nullptr;
    EXPECT_FALSE(pending());
    button("runStopButton")->click();
    ASSERT_TRUE(idleAgain() && pending());
    EXPECT_EQ(changed.size(), 0);
    fill({"repeatEdit"}, "0");
    EXPECT_FALSE(pending());
}

TEST_F(WindowFixture, shouldPressTheFocusedButtonWithEitherEnterAndGiveTheFocusBackAfterAPing)
{
    fill({"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit", "fourthOctetEdit"}, "127 0 0 1");
    QSignalSpy echoes(&scan().recorder(), &EchoRecorder::statusChanged);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        button("pingButton")->setFocus();
        QTest::keyClick(button("pingButton"), key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        // Keys that come before the wait's busy cursor has gone are dropped.
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return echoes.size() == (key == Qt::Key_Return ? 1 : 2) && QApplication::overrideCursor() == nullptr;
        }, 5000));
        EXPECT_EQ(QApplication::focusWidget(), button("pingButton"));
    }
}

// While the single ping holds the GUI thread: a busy cursor; the input that queues up meanwhile (a press of Run
// test) is dropped afterwards, and nothing queued runs before the ping's click has returned.
TEST_F(WindowFixture, shouldHoldTheInputOfAPingsWaitAndNeverRunTheEventLoopInsideIt)
{
    fill({"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit", "fourthOctetEdit"}, "127 0 0 1");
    QSignalSpy states(&scan(), &ScanController::stateChanged);
    int cursorDuringWait = -1;
    bool clickReturned = false, ranInside = false, ran = false;
    scan().pinger().onRequest = [&] {
        cursorDuringWait = QApplication::overrideCursor() != nullptr ? QApplication::overrideCursor()->shape() : -1;
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QCoreApplication::postEvent(button("runStopButton"), new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier, " "));
        QMetaObject::invokeMethod(m_window.get(), [&] { ran = true, ranInside = !clickReturned; }, Qt::QueuedConnection);
    };
    button("pingButton")->click();
    clickReturned = true;
    EXPECT_EQ(cursorDuringWait, Qt::WaitCursor);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran && QApplication::overrideCursor() == nullptr; }, 5000));
    EXPECT_FALSE(ranInside) << "the event loop ran inside the ping's click";
    EXPECT_EQ(states.size(), 2) << "a test started";  // pinging, then idle
}

TEST_F(WindowFixture, shouldKeepTheChoiceOfNoticesInTheUsersConfigurationAndNotInTheSettingsFile)
{
    auto* notify = m_window->findChild<QAction*>("notifyAction");
    ASSERT_TRUE(notify != nullptr && notify->isChecked());
    notify->trigger();
    m_window->close();
    EXPECT_EQ(fileBytes("Scanvet.cfg").count('\n'), 7);
    open();
    EXPECT_FALSE(m_window->findChild<QAction*>("notifyAction")->isChecked());
}

TEST_F(WindowFixture, shouldKeepTheNewestLinesOfTheResultSheetAndSayWhenOlderOnesWent)
{
    auto* sheet = find<ResultLog>("resultLog");
    auto* note = find<QLabel>("droppedLinesNote");
    for (int i = 0; i < ResultLog::MaxLines + 2; ++i) sheet->addLine(QString::number(i));
    EXPECT_TRUE(note->isHidden());
    const QStringList lines = sheet->lines();
    EXPECT_EQ(lines.size(), ResultLog::MaxLines);
    EXPECT_EQ(lines.first() + ' ' + lines.last(), QStringLiteral("2 %1").arg(ResultLog::MaxLines + 1));
    EXPECT_TRUE(!note->isHidden() && note->text().contains(QLocale().toString(ResultLog::MaxLines)));
    button("clearResultsButton")->click();
    EXPECT_TRUE(note->isHidden());
}

TEST_F(WindowFixture, shouldElideALongNameInTheListAndKeepItWholeInTheTipAndTheAccessibleName)
{
    FoundComputers& found = scan().foundComputers();
    const QString longName = QString(60, QLatin1Char('n')) + QStringLiteral(".lab");
    for (const QString& name : {QStringLiteral("short.lab"), longName}) {
        const QString address = QStringLiteral("198.51.100.%1").arg(found.count() + 1);
        found.setHostName(found.add(address), address, name);
    }
    auto* view = find<FoundComputersView>("foundView");
    const auto at = [&](int row) { return view->model()->index(row, 0); };
    EXPECT_EQ(view->visualRect(at(1)).width(), view->visualRect(at(0)).width()) << "the long name widens its entry";
    EXPECT_TRUE(at(1).data(Qt::ToolTipRole).toString().contains(longName));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
    ASSERT_TRUE(list != nullptr && list->child(1) != nullptr);
    EXPECT_TRUE(list->child(1)->text(QAccessible::Name).contains(longName));
}

TEST_F(WindowFixture, shouldSayOnTheHistoryPageForAsLongAsItLastsThatTheHistoryCannotBeUsed)
{
    m_window->close();
    const QString file = Settings::historyFile();
    QFile::remove(file);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    {
        QFile broken(file);
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(4096, 'x'));
    }
    open();
    auto* note = find<QLabel>("historyNote");
    EXPECT_TRUE(QTest::qWaitFor([&] { return note->text().startsWith("The history cannot be used: " + file); }, 10000))
        << note->text().toStdString();
    // A later read does not overwrite it with an empty range's words.
    QSignalSpy read(m_window->findChild<HistorySheet*>(), &HistorySheet::refreshed);
    fill({"rangeMinEdit"}, "3");
    ASSERT_TRUE(read.wait(10000));
    EXPECT_TRUE(note->text().startsWith("The history cannot be used: ")) << note->text().toStdString();
    m_window->close();
    QFile::remove(file);
}

TEST_F(WindowFixture, shouldAskBeforeAShorterKeepHistoryDeletesTestsSayingHowMany)
{
    m_window->close();
    const QString file = Settings::historyFile();
    QFile::remove(file);
    {
        HistoryStore store(file, 365);
        ASSERT_EQ(store.open(), HistoryStore::Opened::Ready) << store.lastError().toStdString();
        const QDateTime now = QDateTime::currentDateTime();
        for (const qint64 daysAgo : {200, 40, 0})
            ASSERT_TRUE(store.record({{"192.0.2.1-20", 1, now.addDays(-daysAgo).addSecs(-5), now.addDays(-daysAgo), true, {}}}));
    }
    ASSERT_TRUE(Settings(m_work.path()).setHistoryDays(365).isEmpty());
    open();
    const auto chosen = [this](int days) { return m_window->findChild<QAction*>(QStringLiteral("keepHistory%1Action").arg(days)); };
    const struct {
        int days;
        bool yes;
        const char* question;  // "" for none
        int kept;
    } rows[] = {{90, false, "Keeping the history for 90 days deletes the one test older than that at the next test. Keep it for 90 days?", 365},
                {30, true, "Keeping the history for 30 days deletes the 2 tests older than that at the next test. Keep it for 30 days?", 30},
                {90, true, "", 90}};  // a longer choice deletes nothing
    for (const auto& row : rows) {
        m_dialogs.questions.clear();
        m_dialogs.answerYes = row.yes;
        chosen(row.days)->trigger();
        if (*row.question != 0) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !m_dialogs.questions.isEmpty(); }, 10000));
        }
        EXPECT_EQ(m_dialogs.questions.join('|'), QLatin1String(row.question));
        EXPECT_EQ(Settings(m_work.path()).historyDays(), row.kept);
        EXPECT_TRUE(chosen(row.kept)->isChecked());
    }
    m_window->close();
    QFile::remove(file);
}

TEST_F(WindowFixture, shouldKnockOnTheKeptPortsRefuseABadListAndShowAComputerFoundByAKnockAlone)
{
    EXPECT_EQ(KnockDialog::portsOf(Settings(m_work.path())), (std::vector<uint16_t>{80, 443})) << "on by default";
    EXPECT_FALSE(m_window->findChild<QAction*>("openPortsAction")->isChecked());
    m_window->findChild<QAction*>("tcpPortsAction")->trigger();
    auto* dialog = m_window->findChild<KnockDialog*>("knockDialog");
    auto* ports = dialog->findChild<QLineEdit*>("portsEdit");
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->isVisible(); }, 5000));
    EXPECT_EQ(ports->text(), "80,443");
    EXPECT_EQ(ports->accessibleName(), "TCP ports");
    // A bad list keeps the box open and says why; a good one is kept in the user's configuration.
    for (const auto& [typed, kept] : {std::pair{"80,80", "80,443"}, std::pair{"443, 22", "443,22"}}) {
        paste(ports, typed);
        QTest::keyClick(ports, Qt::Key_Return);
        EXPECT_EQ(dialog->isVisible(), QString(typed) == "80,80");
        EXPECT_EQ(Settings(m_work.path()).tcpPorts(), kept);
    }
    EXPECT_TRUE(dialog->findChild<QLabel*>("problemLabel")->text().contains("port 80 is given twice"));
    m_window->findChild<QAction*>("tcpPortsAction")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->isVisible(); }, 5000));
    QTest::keyClick(dialog->findChild<QCheckBox*>("knockCheck"), Qt::Key_Space);
    QTest::keyClick(dialog, Qt::Key_Return);
    EXPECT_TRUE(KnockDialog::portsOf(Settings(m_work.path())).empty()) << "turned off";

    FoundComputers& found = scan().foundComputers();
    TestPlan plan;
    plan.ranges = {lastOctetRange(0xCB007100, 30, 31)};
    found.showKnocks(plan, {{0xCB00711E, 80, {}}, {0xCB00711F, 443, {443}}});
    const QModelIndex knocked = found.index(found.rowOf("203.0.113.30"));
    EXPECT_TRUE(knocked.data(FoundComputers::KnockOnlyRole).toBool());
    EXPECT_EQ(knocked.data(Qt::ToolTipRole).toString(), "answers on TCP port 80, not on ping");
    EXPECT_EQ(knocked.data(Qt::AccessibleDescriptionRole).toString(), "answers on TCP port 80, not on ping");
    EXPECT_EQ(found.reportEntries().at(1).openPorts, QList<int>{443});
    EXPECT_EQ(found.reportEntries().at(1).seenBy, "tcp");
}

// Rows: a computer named first (none: ""), Unknown only (Alt+U) on or off, and the History page's rows and note. The
// history file holds 192.0.2.1-4: .1 named by its MAC, .2 with a MAC and no name, .3 named by its address, .4 neither.
TEST_F(WindowFixture, shouldShowOnlyTheComputersNotYetNamedWhenUnknownOnlyIsTicked)
{
    m_window->close();
    {
        HistoryStore store(Settings::historyFile());
        ASSERT_EQ(store.open(), HistoryStore::Opened::Ready) << store.lastError().toStdString();
        const QDateTime end = QDateTime::currentDateTime();
        TestRecord test{QStringLiteral("192.0.2.1-4"), 1, end.addSecs(-5), end, true, {}};
        for (const QString octet : {"1", "2", "3", "4"})
            test.computers.push_back({"192.0.2." + octet, true, {}, octet < "3" ? "02:00:00:00:00:0" + octet : QString(), octet < "3", {}});
        ASSERT_TRUE(store.record({test}) && store.known(true, [](KnownComputers& known) {
            return known.name(QStringLiteral("02:00:00:00:00:01"), QStringLiteral("Printer"), {}) &&
                   known.name(QStringLiteral("192.0.2.3"), QStringLiteral("Router"), {});
        })) << store.lastError().toStdString();
    }
    open();
    fill({"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit", "rangeMinEdit", "rangeMaxEdit"}, "192 0 2 1 20");
    find<QTabWidget>("sheets")->setCurrentIndex(3);
    auto* page = find<HistorySheet>("historySheet");
    const auto shown = [&] {
        QStringList rows;
        for (int row = 0; row < page->model()->rowCount(); ++row)
            rows << page->model()->index(row, ComputerHistoryModel::Address).data().toString();
        return rows.join(' ') + " | " + find<QLabel>("historyNote")->text();
    };
    const struct {
        const char* named;
        bool unknownOnly;
        const char* shown;
    } rows[] = {{"", false, "192.0.2.1 192.0.2.2 192.0.2.3 192.0.2.4 | 192.0.2.1-20: 4 computers ever seen there."},
                {"", true, "192.0.2.2 192.0.2.4 | 192.0.2.1-20: 2 of 4 computers ever seen there not yet named."},
                {"02:00:00:00:00:02", true, "192.0.2.4 | 192.0.2.1-20: 1 of 4 computers ever seen there not yet named."},
                {"", false, "192.0.2.1 192.0.2.2 192.0.2.3 192.0.2.4 | 192.0.2.1-20: 4 computers ever seen there."}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shown);
        if (*row.named != 0) {
            ASSERT_TRUE(scan().nameComputer(QLatin1String(row.named), QStringLiteral("Laptop"), {}));
            page->refresh();
        }
        if (page->unknownOnlyCheck()->isChecked() != row.unknownOnly) QTest::keyClick(m_window.get(), Qt::Key_U, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return shown() == row.shown; }, 10000)) << shown().toStdString();
    }
    EXPECT_EQ(page->unknownOnlyCheck()->text(), "&Unknown only");
    m_window->close();
    QFile::remove(Settings::historyFile());
}
