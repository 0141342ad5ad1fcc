// A slow name server: the scan keeps its pace and the window stays responsive
// while the resolvers wait, names come as their look-ups end, and a resolver
// that ends after Clear List and a new scan writes into no other entry.
#include "tests/Lab.h"
#include "tests/faults/SlowNameServer.h"
#include "tests/scan/ScanWindow.h"

#include <QTimer>

namespace {

QString Named(const char* address, const char* name) { return QString::fromLatin1(address) + ' ' + QLatin1String(name); }
QString SlowNamed(const std::string& address)
{
    return QString::fromStdString(address + ' ' + TSlowNameServer::NameOf(address));
}

} // namespace

class SlowNames : public LabScanWindow {
protected:
    void SetUp() override
    {
        LabScanWindow::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(Names.Listening()) << "cannot listen on 127.0.0.1:53";
        Names.Hold();
        ShowOnlyCorrect(false);
    }
    void TearDown() override
    {
        Names.Release();
        ScanWindow::TearDown();
    }
    TSlowNameServer Names;
};

TEST_F(SlowNames, shouldFinishTheScanAndStayResponsiveWhileTheLookUpsWait)
{
    SCANVET_REQUIRE_LAB();
    SetRange(1, 60);
    SetPreset(0);   // LAN: 1 ms per silent address

    // A timer of the GUI thread; each echo request notes how often it had fired.
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] { ++ticks; });
    std::vector<int> ticksAtRequest;
    AtRequest = [&](const std::string&) { ticksAtRequest.push_back(ticks); };
    ticker.start();

    ASSERT_TRUE(RunScan());
    // The scan is over while the two hosts without a name in the hosts file
    // still wait for the name server.
    const int answeredAtEnd = Names.Answered();
    ASSERT_EQ(ticksAtRequest.size(), 60u);
    EXPECT_GT(ticksAtRequest.back(), ticksAtRequest.front()) << "the window handled no timer during the scan";
    EXPECT_EQ(answeredAtEnd, 0);
    ASSERT_TRUE(Names.WaitHeld(2, Bound)) << "held: " << Names.Held();

    // Names from the hosts file come meanwhile, and the window goes on working.
    const QStringList filesNamed{Entry(Named("198.51.100.2", "scanner.lab")), Entry(Named("198.51.100.5", "echo5.lab")),
                                 Entry(Named("198.51.100.10", "alpha.lab")), Entry(Named("198.51.100.11", "bravo.lab")),
                                 Entry("198.51.100.12"), Entry("198.51.100.13"),
                                 Entry(Named("198.51.100.50", "echo50.lab"))};
    EXPECT_TRUE(QTest::qWaitFor([&] { return ListTexts() == filesNamed; }, Bound)) << ListTexts().join('|').toStdString();
    const int ticksWhileHeld = ticks;
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks > ticksWhileHeld + 10; }, Bound));
    EXPECT_EQ(Names.Held(), 2);
    EXPECT_EQ(Names.Answered(), 0);

    // The look-ups end: their names come.
    Names.Release();
    const QStringList allNamed{Entry(Named("198.51.100.2", "scanner.lab")), Entry(Named("198.51.100.5", "echo5.lab")),
                               Entry(Named("198.51.100.10", "alpha.lab")), Entry(Named("198.51.100.11", "bravo.lab")),
                               Entry(SlowNamed("198.51.100.12")), Entry(SlowNamed("198.51.100.13")),
                               Entry(Named("198.51.100.50", "echo50.lab"))};
    EXPECT_TRUE(QTest::qWaitFor([&] { return ListTexts() == allNamed; }, Bound)) << ListTexts().join('|').toStdString();
    EXPECT_TRUE(WaitResolvers());
}

TEST_F(SlowNames, shouldWriteNoNameIntoAnotherEntryAfterClearListAndANewScan)
{
    SCANVET_REQUIRE_LAB();
    SetPreset(1);
    SetRange(101, 150);   // the lab's 50 extra hosts, none in the hosts file
    ASSERT_TRUE(RunScan());
    ASSERT_EQ(List()->Count(), 50) << ListTexts().join('|').toStdString();
    ASSERT_TRUE(Names.WaitHeld(50, Bound)) << "held: " << Names.Held();

    // Cleared while all 50 wait; a new scan fills the first positions again.
    Button("Button7")->click();
    EXPECT_EQ(List()->Count(), 0);
    SetRange(1, 13);
    ASSERT_TRUE(RunScan());
    ASSERT_TRUE(Names.WaitHeld(52, Bound)) << "held: " << Names.Held();

    Names.Release();
    ASSERT_TRUE(WaitResolvers());
    EXPECT_EQ(Names.Answered(), 52);
    QCoreApplication::processEvents();
    EXPECT_EQ(ListTexts(), (QStringList{Entry(Named("198.51.100.2", "scanner.lab")), Entry(Named("198.51.100.5", "echo5.lab")),
                                        Entry(Named("198.51.100.10", "alpha.lab")), Entry(Named("198.51.100.11", "bravo.lab")),
                                        Entry(SlowNamed("198.51.100.12")), Entry(SlowNamed("198.51.100.13"))}));
}
