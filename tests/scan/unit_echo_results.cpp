// Single pings of loopback addresses, the echo handlers and the resolvers.
#include "tests/scan/ScanWindow.h"

#include <QRegularExpression>

class EchoResults : public ScanWindow {
protected:
    void SetUp() override
    {
        ScanWindow::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        SetPreset(1);
    }

    // One echo of address as the component reports it, without the network.
    void Echo(const std::string& address, bool answered)
    {
        Form->Ping1->SetAddress(address);
        Form->Ping1EchoRequest(Form->Ping1, Form->Ping1->Engine());
        Form->Ping1EchoReply(Form->Ping1, Form->Ping1->Engine(), answered ? 1 : 0);
    }

    // Starts a resolver for the entry at index; its result arrives later.
    void Resolve(int index, const std::string& address)
    {
        auto* solver = new TDNSSolve(Form.get());
        solver->FreeOnTerminate = true;
        solver->EntryIndex = index;
        solver->AddressText = address;
        solver->Resume();
    }
};

TEST_F(EchoResults, shouldListAnAnsweringAddressOnceAndNameIt)
{
    Widget<TRadioGroup>("RadioGroup1")->SetItemIndex(0);
    Sheet()->Add("from before");
    Form->Timer1->SetEnabled(true);
    const int resolvers = TDNSSolve::Created();

    Ping("127.0.0.1");
    EXPECT_TRUE(QRegularExpression(R"(^Sending ping to 127\.0\.0\.1 Reply O\.K\. - in \d+ msecs$)")
                    .match(Status())
                    .hasMatch())
        << Status().toStdString();
    EXPECT_EQ(Sheet()->Lines(), QStringList{Status()});
    ASSERT_EQ(List()->Count(), 1);
    EXPECT_EQ(List()->Text(0), Entry("127.0.0.1"));
    EXPECT_EQ(List()->ImageIndex(0), 0);
    EXPECT_EQ(TDNSSolve::Created(), resolvers + 1);

    // The single ping unlocks everything but leaves the repeat off.
    EXPECT_FALSE(Form->Timer1->Enabled());
    for (const char* name : {"Button1", "PingButton", "Button3", "Button7"})
        EXPECT_TRUE(Button(name)->isEnabled()) << name;
    EXPECT_TRUE(ConfigTabShown());

    ASSERT_TRUE(WaitResolvers());
    EXPECT_EQ(List()->Text(0), Entry("127.0.0.1 localhost"));

    // Appending: an empty line, then this ping's line; no second entry or look-up.
    const QString first = Status();
    Widget<TRadioGroup>("RadioGroup1")->SetItemIndex(1);
    Ping("127.0.0.1");
    EXPECT_EQ(Sheet()->Lines(), (QStringList{first, QString(), Status()}));
    EXPECT_EQ(List()->Count(), 1);
    EXPECT_EQ(TDNSSolve::Created(), resolvers + 1);

    Ping("127.0.0.2");
    ASSERT_TRUE(WaitResolvers());
    EXPECT_EQ(ListTexts(), (QStringList{Entry("127.0.0.1 localhost"), Entry("127.0.0.2 n/a")}));
}

TEST_F(EchoResults, shouldWriteTimeoutLinesToTheSheetOnlyWhenTheBoxIsCleared)
{
    ShowOnlyCorrect(true);
    Echo("127.0.0.9", false);
    EXPECT_EQ(Status(), "Sending ping to 127.0.0.9 Timeout or not found");
    EXPECT_TRUE(Sheet()->Lines().isEmpty());
    EXPECT_EQ(List()->Count(), 0);
    EXPECT_FALSE(ReplyOK);

    ShowOnlyCorrect(false);
    Echo("127.0.0.9", false);
    EXPECT_EQ(Sheet()->Lines(), QStringList{"Sending ping to 127.0.0.9 Timeout or not found"});
}

TEST_F(EchoResults, shouldLetEachResolverWriteOnlyItsOwnStillPresentEntry)
{
    // Several resolvers, finishing in any order.
    for (const char* address : {"127.0.0.1", "127.0.0.2", "127.0.0.3"}) List()->Add(Entry(address));
    Resolve(2, "127.0.0.3");
    Resolve(0, "127.0.0.1");
    Resolve(1, "127.0.0.2");
    ASSERT_TRUE(WaitResolvers());
    EXPECT_EQ(ListTexts(), (QStringList{Entry("127.0.0.1 localhost"), Entry("127.0.0.2 n/a"),
                                        Entry("127.0.0.3 n/a")}));

    // The list is cleared before the results arrive (they need the GUI thread).
    List()->Clear();
    List()->Add(Entry("127.0.0.7"));
    Resolve(0, "127.0.0.7");
    Resolve(1, "127.0.0.8");
    List()->Clear();
    ASSERT_TRUE(WaitResolvers());
    EXPECT_EQ(List()->Count(), 0);

    // Cleared and refilled with another address at the same place.
    List()->Add(Entry("127.0.0.7"));
    Resolve(0, "127.0.0.7");
    List()->Clear();
    List()->Add(Entry("127.0.0.8"));
    ASSERT_TRUE(WaitResolvers());
    EXPECT_EQ(ListTexts(), QStringList{Entry("127.0.0.8")});

    // The window is going: the result is dropped.
    List()->Add(Entry("127.0.0.9"));
    Resolve(1, "127.0.0.9");
    Form->Gate()->Close();
    ASSERT_TRUE(WaitResolvers());
    EXPECT_EQ(List()->Text(1), Entry("127.0.0.9"));
}
