// Single pings and range tests against the test lab's hosts.
#include "tests/Lab.h"
#include "tests/scan/ScanWindow.h"

#include <QRegularExpression>

namespace {

QString Q(const char* text) { return QString::fromLatin1(text); }

} // namespace

class LabScan : public LabScanWindow {
protected:
    void SetUp() override
    {
        LabScanWindow::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        SetPreset(1);
    }
};

TEST_F(LabScan, shouldListANamedHostOnceWithItsName)
{
    SCANVET_REQUIRE_LAB();
    const int resolvers = TDNSSolve::Created();
    Ping(Q(Lab::Alpha));
    EXPECT_TRUE(QRegularExpression(R"(^Sending ping to 198\.51\.100\.10 Reply O\.K\. - in \d+ msecs$)")
                    .match(Status())
                    .hasMatch())
        << Status().toStdString();
    ASSERT_EQ(List()->Count(), 1);
    EXPECT_EQ(List()->ImageIndex(0), 0);
    EXPECT_EQ(TDNSSolve::Created(), resolvers + 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return List()->Text(0) == Entry("198.51.100.10 alpha.lab"); }, Bound))
        << List()->Text(0).toStdString();

    Ping(Q(Lab::Alpha));
    EXPECT_EQ(List()->Count(), 1);
    EXPECT_EQ(TDNSSolve::Created(), resolvers + 1);
    EXPECT_EQ(List()->ImageIndex(0), 0);
}

TEST_F(LabScan, shouldReportASilentAddressAndMarkItsEntryWithoutLosingTheName)
{
    SCANVET_REQUIRE_LAB();
    SetPreset(0);
    ShowOnlyCorrect(true);
    Ping(Q(Lab::Silent));
    EXPECT_EQ(Status(), "Sending ping to 198.51.100.20 Timeout or not found");
    EXPECT_TRUE(Sheet()->Lines().isEmpty());
    EXPECT_EQ(List()->Count(), 0);

    ShowOnlyCorrect(false);
    List()->Add(Entry("198.51.100.20 gone.lab"));   // it answered once
    const int resolvers = TDNSSolve::Created();
    Ping(Q(Lab::Silent));
    EXPECT_EQ(Sheet()->Lines(), QStringList{"Sending ping to 198.51.100.20 Timeout or not found"});
    EXPECT_EQ(List()->ImageIndex(0), 1);
    EXPECT_EQ(List()->Text(0), Entry("198.51.100.20 gone.lab"));
    EXPECT_EQ(TDNSSolve::Created(), resolvers);
}

TEST_F(LabScan, shouldChangeTheEntriesOfFiveAndFiftyIndependently)
{
    SCANVET_REQUIRE_LAB();
    List()->Add(Entry("198.51.100.50 echo50.lab"));
    List()->SetImageIndex(0, 1);
    List()->Add(Entry("198.51.100.5 echo5.lab"));
    List()->SetImageIndex(1, 1);

    Ping(Q(Lab::Echo50));
    EXPECT_EQ(List()->ImageIndex(0), 0);
    EXPECT_EQ(List()->ImageIndex(1), 1);
    Ping(Q(Lab::Echo5));
    EXPECT_EQ(List()->ImageIndex(1), 0);
    EXPECT_EQ(List()->Count(), 2);
}

TEST_F(LabScan, shouldListExactlyTheAnsweringHostsOfTheRangeInOrderWithTheirNames)
{
    SCANVET_REQUIRE_LAB();
    ShowOnlyCorrect(false);
    SetRange(4, 13);
    ASSERT_TRUE(RunScan());

    std::vector<std::string> expected;
    for (int i = 4; i <= 13; ++i) expected.push_back("198.51.100." + std::to_string(i));
    EXPECT_EQ(RequestedAddresses(), expected);
    EXPECT_EQ(Sheet()->Lines().size(), 10);
    EXPECT_EQ(Status(), QString());
    EXPECT_EQ(Gauge()->PercentDone(), 0);
    EXPECT_EQ(Button("Button1")->text(), "&Run test");

    ASSERT_TRUE(WaitResolvers());
    EXPECT_EQ(ListTexts(), (QStringList{Entry("198.51.100.5 echo5.lab"), Entry("198.51.100.10 alpha.lab"),
                                        Entry("198.51.100.11 bravo.lab"), Entry("198.51.100.12"),
                                        Entry("198.51.100.13")}));
    for (int i = 0; i < List()->Count(); ++i) EXPECT_EQ(List()->ImageIndex(i), 0);
}

TEST_F(LabScan, shouldHaltAScanBlockedInAnEchoWithoutReportingAnythingMore)
{
    SCANVET_REQUIRE_LAB();
    SetPreset(2);   // 3000 ms for the silent address
    ShowOnlyCorrect(false);
    SetRange(20, 22);
    Button("Button1")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Requests().empty(); }, Bound));

    Form->HaltScan();
    EXPECT_FALSE(TestRunning);
    ASSERT_TRUE(QTest::qWaitFor([] { return TCheckPing::Alive() == 0; }, Bound));
    QCoreApplication::processEvents();

    EXPECT_EQ(RequestedAddresses(), std::vector<std::string>{Lab::Silent});
    EXPECT_TRUE(Sheet()->Lines().isEmpty());
    EXPECT_EQ(Status(), QString());
    EXPECT_EQ(Button("Button1")->text(), "&Stop Test");   // no end-of-test handling
    EXPECT_FALSE(Button("PingButton")->isEnabled());
}

TEST_F(LabScan, shouldStepTheGaugeAlsoForAnAddressToWhichNoEchoWentOut)
{
    SCANVET_REQUIRE_LAB();
    ShowOnlyCorrect(false);
    SetRange(10, 13);
    // After .10 the first octet becomes one that no address has, for .11
    // only: its name look-up fails, no request goes out, and the scan's own
    // progress step must still follow.
    AtRequest = [](const std::string& address) {
        if (address == "198.51.100.10") TestParams.Octet1 = 256;
    };
    auto display = Form->Ping1->OnDisplay;
    Form->Ping1->OnDisplay = [display](TPing* sender, TICMP* icmp, const std::string& msg) {
        TestParams.Octet1 = 198;
        if (display) display(sender, icmp, msg);
    };
    ASSERT_TRUE(RunScan());

    const auto seen = Requests();
    ASSERT_EQ(RequestedAddresses(), (std::vector<std::string>{"198.51.100.10", "198.51.100.12", "198.51.100.13"}));
    EXPECT_EQ(seen[1].GaugeProgress, 11);
    EXPECT_EQ(seen[2].GaugeProgress, 12);
    EXPECT_EQ(Sheet()->Lines().size(), 3);
}
