// Range tests over loopback addresses, which always answer at once.
#include "tests/scan/ScanWindow.h"

#include <QRegularExpression>

namespace {

std::vector<std::string> Loopback(int third, int low, int high)
{
    std::vector<std::string> addresses;
    for (int i = low; i <= high; ++i) addresses.push_back("127.0." + std::to_string(third) + "." + std::to_string(i));
    return addresses;
}

} // namespace

class ScanController : public ScanWindow {
protected:
    void SetUp() override
    {
        ScanWindow::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        SetOctets(127, 0, 0);
        SetPreset(1);
        ShowOnlyCorrect(false);
    }

    // The window while a test runs.
    void ExpectLocked()
    {
        EXPECT_EQ(Button("Button1")->text(), "&Stop Test");
        EXPECT_FALSE(Form->Timer1->Enabled());
        EXPECT_FALSE(Button("PingButton")->isEnabled());
        EXPECT_FALSE(Button("Button3")->isEnabled());
        EXPECT_FALSE(Button("Button7")->isEnabled());
        EXPECT_FALSE(ConfigTabShown());
        EXPECT_FALSE(Widget<QWidget>("TabSheet1")->isEnabled());
        EXPECT_EQ(Widget<QTabWidget>("PageControl1")->currentWidget(), Widget<QWidget>("TabSheet1"));
    }
    void ExpectIdle()
    {
        EXPECT_FALSE(TestRunning);
        EXPECT_EQ(Button("Button1")->text(), "&Run test");
        EXPECT_TRUE(Button("PingButton")->isEnabled());
        EXPECT_TRUE(Button("Button3")->isEnabled());
        EXPECT_TRUE(Button("Button7")->isEnabled());
        EXPECT_TRUE(ConfigTabShown());
        EXPECT_TRUE(Widget<QWidget>("TabSheet1")->isEnabled());
        EXPECT_EQ(Status(), QString());
        EXPECT_EQ(Gauge()->Progress(), Gauge()->MinValue());
        EXPECT_EQ(Gauge()->PercentDone(), 0);
    }
};

TEST_F(ScanController, shouldPingEachAddressOnceInOrderAndListThemWithNames)
{
    SetRange(1, 5);
    int lockedChecks = 0;
    AtRequest = [&](const std::string&) {
        ExpectLocked();
        ++lockedChecks;
    };
    ASSERT_TRUE(RunScan());

    const auto seen = Requests();
    ASSERT_EQ(RequestedAddresses(), Loopback(0, 1, 5));
    // The gauge starts at the range's minimum and steps once per address.
    const std::vector<int> progress{1, 1, 2, 3, 4};
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i].GaugeProgress, progress[i]) << i;
    EXPECT_EQ(lockedChecks, 5);

    const QRegularExpression line(R"(^Sending ping to 127\.0\.0\.(\d) Reply O\.K\. - in \d+ msecs$)");
    ASSERT_EQ(Sheet()->Lines().size(), 5);
    for (int i = 0; i < 5; ++i) {
        const auto match = line.match(Sheet()->Lines()[i]);
        ASSERT_TRUE(match.hasMatch()) << Sheet()->Lines()[i].toStdString();
        EXPECT_EQ(match.captured(1), QString::number(i + 1));
    }
    ExpectIdle();
    EXPECT_TRUE(Form->Timer1->Enabled());
    EXPECT_FALSE(Form->Timer1->Active());   // repeat period 0: never fires

    ASSERT_TRUE(WaitResolvers());
    EXPECT_EQ(ListTexts(), (QStringList{Entry("127.0.0.1 localhost"), Entry("127.0.0.2 n/a"),
                                        Entry("127.0.0.3 n/a"), Entry("127.0.0.4 n/a"),
                                        Entry("127.0.0.5 n/a")}));
}

TEST_F(ScanController, shouldFinishTheCurrentEchoAndStopWhenStopIsClicked)
{
    SetRange(1, 10, 5);
    AtRequest = [&](const std::string& address) {
        if (address != "127.0.0.3") return;
        Button("Button1")->click();
        Button("Button1")->click();   // a second click while stopping changes nothing
        EXPECT_TRUE(Form->StopRequested());
        ExpectLocked();
    };
    ASSERT_TRUE(RunScan());

    EXPECT_EQ(RequestedAddresses(), Loopback(0, 1, 3));
    ASSERT_EQ(Sheet()->Lines().size(), 3);
    EXPECT_TRUE(Sheet()->Lines().back().startsWith("Sending ping to 127.0.0.3 Reply O.K."));
    ExpectIdle();
    EXPECT_FALSE(Form->StopRequested());
    EXPECT_FALSE(Form->Timer1->Enabled());   // a stopped test arms no repeat
}

TEST_F(ScanController, shouldTakeOctetsChangedDuringTheTestFromTheNextAddressButKeepTheRangeEnd)
{
    SetRange(1, 4);
    AtRequest = [&](const std::string& address) {
        if (address != "127.0.0.2") return;
        Type("Edit9", "2");
        Type("Edit3", "1");   // runs the entry check, which copies the new range end too
        EXPECT_EQ(TestParams.RangeMax, 2);
    };
    ASSERT_TRUE(RunScan());
    EXPECT_EQ(RequestedAddresses(),
              (std::vector<std::string>{"127.0.0.1", "127.0.0.2", "127.0.1.3", "127.0.1.4"}));
}

TEST_F(ScanController, shouldArmTheRepeatOnlyAfterATestThatRanToItsEnd)
{
    SetRange(3, 3, 5);
    AtRequest = [&](const std::string&) { Form->Timer1Timer(); };   // a tick during a test
    ASSERT_TRUE(RunScan());
    EXPECT_EQ(RequestedAddresses(), Loopback(0, 3, 3));
    EXPECT_TRUE(Form->Timer1->Enabled());
    EXPECT_EQ(Form->Timer1->Interval(), 300000);

    // The tick while waiting starts the next test like a click.
    AtRequest = nullptr;
    Form->Timer1Timer();
    EXPECT_TRUE(TestRunning);
    ASSERT_TRUE(WaitScanEnd());
    EXPECT_EQ(RequestedAddresses(), (std::vector<std::string>{"127.0.0.3", "127.0.0.3"}));
    EXPECT_TRUE(Form->Timer1->Enabled());

    // A single ping cancels the pending repeat.
    Ping("127.0.0.9");
    EXPECT_FALSE(Form->Timer1->Enabled());
}

TEST_F(ScanController, shouldPingOneAddressForARangeOfOneAndNoneForAnInvertedRange)
{
    SetRange(7, 7);
    AtRequest = [&](const std::string&) { EXPECT_EQ(Gauge()->PercentDone(), 0); };
    ASSERT_TRUE(RunScan());
    EXPECT_EQ(RequestedAddresses(), Loopback(0, 7, 7));
    ExpectIdle();

    SetRange(200, 100);
    ASSERT_TRUE(RunScan());
    EXPECT_EQ(Requests().size(), 1u);
    EXPECT_LE(Gauge()->MinValue(), Gauge()->MaxValue());
    ExpectIdle();
}

TEST_F(ScanController, shouldReportNothingMoreOnceHaltedWhileTheScanWaitsForTheWindow)
{
    SetRange(1, 10);
    AtRequest = [&](const std::string& address) {
        // The scan thread waits for this hand-over right now.
        if (address == "127.0.0.2") Form->HaltScan();
    };
    Button("Button1")->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return TCheckPing::Alive() == 0; }, Bound));
    QCoreApplication::processEvents();

    EXPECT_EQ(RequestedAddresses(), Loopback(0, 1, 2));
    EXPECT_EQ(Sheet()->Lines().size(), 1);
    EXPECT_TRUE(Status().startsWith("Sending ping to 127.0.0.1 Reply O.K."));
    EXPECT_EQ(Button("Button1")->text(), "&Stop Test");   // no end-of-test handling
    EXPECT_FALSE(TestRunning);
}
