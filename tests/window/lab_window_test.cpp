// Catches: input queued during a single ping replayed afterwards (a test started unasked, a repeat
// armed); no sign of the wait; Alt+S on the Result Sheet not stopping a test; the list drawn disabled
// during a test; the window not idle again after it; the look-up commands filling in wrong fields.
#include "tests/Lab.h"
#include "tests/window/WindowFixture.h"

#include "scan/FoundComputers.h"
#include "window/FoundComputersView.h"

#include <QProgressBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>

class LabWindow : public WindowFixture {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        WindowFixture::SetUp();
    }
    void setAddress(const QStringList& octets, int preset)
    {
        const char* names[] = {"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit", "fourthOctetEdit"};
        for (int i = 0; i < 4; ++i) edit(names[i])->setText(octets[i]);
        find("speedBox")->findChildren<QRadioButton*>().at(preset)->click();
    }
};

TEST_F(LabWindow, shouldDropInputThatArrivesWhileASinglePingWaits)
{
    setAddress({"198", "51", "100", "20"}, 2);  // 3000 ms for the silent address
    ScanController& scan = window->scanController();
    bool busy = false;
    QWidget* run = button("runStopButton");
    // Runs on the GUI thread, just before it blocks for the echo: a click on Run test queues up
    // for later, and Alt+R comes at once.
    scan.pinger().onRequest = [&] {
        busy = QApplication::overrideCursor() != nullptr && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        const QPoint centre = run->rect().center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(run, new QMouseEvent(type, centre, run->mapToGlobal(centre), Qt::LeftButton,
                                                             type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                             Qt::NoModifier));
        QTest::keyClick(window.get(), Qt::Key_R, Qt::AltModifier);
    };
    button("pingButton")->click();
    QTest::qWait(300);
    EXPECT_TRUE(busy);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(scan.isRunning());
    EXPECT_FALSE(scan.repeatArmed());
    EXPECT_EQ(button("runStopButton")->text(), QStringLiteral("&Run test"));
    EXPECT_TRUE(button("runStopButton")->isEnabled());
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("Sending ping to 198.51.100.20 Timeout or not found"));
}

TEST_F(LabWindow, shouldStopATestWithItsAcceleratorFromTheResultSheetAndKeepTheListReadable)
{
    setAddress({"198", "51", "100", "1"}, 2);
    edit("rangeMinEdit")->setText(QStringLiteral("10"));
    edit("rangeMaxEdit")->setText(QStringLiteral("20"));
    ScanController& scan = window->scanController();
    std::atomic<int> requests{0};
    scan.pinger().onRequest = [&] { ++requests; };
    QTest::keyClick(window.get(), Qt::Key_R, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan.foundComputers().count() >= 1; }, 10000));
    auto* view = find<FoundComputersView>("foundView");
    EXPECT_TRUE(view->isLocked());
    EXPECT_TRUE(view->isEnabled());  // locked, not drawn disabled
    EXPECT_FALSE(button("pingButton")->isEnabled());

    find<QTabWidget>("sheets")->setCurrentIndex(1);
    QTest::keyClick(window.get(), Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !scan.isRunning(); }, 20000));
    EXPECT_LT(requests.load(), 11);  // .14 to .20 are silent, 3 s each
    EXPECT_TRUE(dialogs.proposals.isEmpty());  // not taken for the sheet's Save List
    EXPECT_FALSE(view->isLocked());
    EXPECT_EQ(button("runStopButton")->text(), QStringLiteral("&Run test"));
    // Shown within a frame.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->statusBar()->currentMessage().isEmpty(); }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return find<QProgressBar>("progressBar")->text() == "0%"; }, 2000));
    EXPECT_FALSE(scan.repeatArmed());
}

TEST_F(LabWindow, shouldFillInTheLocalAddressAndASolvedName)
{
    button("localAddressButton")->click();
    EXPECT_EQ(octets(), (QStringList{"198", "51", "100", "2"}));
    EXPECT_EQ(edit("hostNameEdit")->text(), QStringLiteral("scanner"));

    edit("hostNameEdit")->setText(QStringLiteral(" alpha.lab "));
    dialogs.answerYes = false;
    button("solveButton")->click();
    EXPECT_EQ(dialogs.questions, QStringList{"IP address of  alpha.lab  is : 198.51.100.10\n\r\n\rUse this IP addr for test ?"});
    EXPECT_EQ(octets(), (QStringList{"198", "51", "100", "2"}));
    dialogs.answerYes = true;
    button("solveButton")->click();
    EXPECT_EQ(octets(), (QStringList{"198", "51", "100", "10"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->statusBar()->currentMessage().isEmpty(); }, 2000));

    edit("hostNameEdit")->setText(QStringLiteral("nobody.lab"));
    button("solveButton")->click();
    EXPECT_EQ(dialogs.messages, QStringList{"Unable to find computer with hostname nobody.lab"});
}
