// Get local IP and Solve IP inside the test lab (host "scanner", hosts file
// with the lab's names, a name server address where nobody listens).
#include "tests/Lab.h"
#include "tests/lookup/FormFixture.h"

class LookupLabTest : public FormFixture {
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        SCANVET_REQUIRE_LAB();
        if (!MakeForm()) GTEST_SKIP() << "the ping component cannot be created: " << Skipped;
        SetOctets("10", "20", "30", "40");
        // What the bar shows, not only the text it was given.
        Fake->WhileShown = [this](const TFakeDialogs::TBox&) { StatusWhileShown.push_back(Form->StatusBar1->text()); };
    }

    void SetOctets(const char* a, const char* b, const char* c, const char* d)
    {
        Form->Edit1->setText(a);
        Form->Edit2->setText(b);
        Form->Edit3->setText(c);
        Form->Edit4->setText(d);
    }

    void ExpectOctets(const char* a, const char* b, const char* c, const char* d)
    {
        EXPECT_EQ(Form->Edit1->text(), a);
        EXPECT_EQ(Form->Edit2->text(), b);
        EXPECT_EQ(Form->Edit3->text(), c);
        EXPECT_EQ(Form->Edit4->text(), d);
    }

    void SolveIp(const QString& text)
    {
        Form->Edit5->setText(text);
        Form->Button6Click();
    }

    static QString Question(const QString& text, const QString& dotted)
    {
        return "IP address of " + text + " is : " + dotted + "\n\r\n\rUse this IP addr for test ?";
    }

    std::vector<QString> StatusWhileShown;
};

const QString Working = QStringLiteral("Yeeaaah, I need a few seconds...hardly working...");

TEST_F(LookupLabTest, shouldPutTheLocalAddressAndNameIntoTheFields)
{
    Form->Button2Click();
    ExpectOctets("198", "51", "100", "2");
    EXPECT_EQ(Form->Edit5->text(), Lab::ScannerName);
    EXPECT_TRUE(Fake->Boxes.empty());
    EXPECT_TRUE(Form->StatusBar1->SimpleText().isEmpty());
    EXPECT_EQ(TestParams.Octet1.load(), 198) << "the fields' checks ran as if typed";
    EXPECT_EQ(TestParams.Octet3.load(), 100);
}

TEST_F(LookupLabTest, shouldOfferTheAddressOfANameAndTakeItOnYes)
{
    SolveIp(QStringLiteral("alpha.lab"));
    ASSERT_EQ(Fake->Boxes.size(), 1u);
    EXPECT_EQ(Fake->Boxes[0].Kind, TBoxKind::Confirm);
    EXPECT_EQ(Fake->Boxes[0].Text, Question("alpha.lab", Lab::Alpha));
    EXPECT_EQ(StatusWhileShown, std::vector<QString>{Working});
    ExpectOctets("198", "51", "100", "10");
    EXPECT_TRUE(Form->StatusBar1->SimpleText().isEmpty());
}

TEST_F(LookupLabTest, shouldChangeNothingOnNo)
{
    Fake->ConfirmAnswer = false;
    SolveIp(QStringLiteral(" bravo.lab "));
    ASSERT_EQ(Fake->Texts(TBoxKind::Confirm).size(), 1u);
    EXPECT_EQ(Fake->Texts(TBoxKind::Confirm)[0], Question(" bravo.lab ", Lab::Bravo))
        << "the trimmed name is looked up, the text is shown as typed";
    ExpectOctets("10", "20", "30", "40");
    EXPECT_TRUE(Form->StatusBar1->SimpleText().isEmpty());
}

// No name server answers in the lab, so only a dotted address that is taken
// as such (no query) can be offered here.
TEST_F(LookupLabTest, shouldTakeADottedAddressAsItIs)
{
    SolveIp(QStringLiteral("10.1.2.3"));
    EXPECT_EQ(Fake->Texts(TBoxKind::Confirm), std::vector<QString>{Question("10.1.2.3", "10.1.2.3")});
    ExpectOctets("10", "1", "2", "3");
}

TEST_F(LookupLabTest, shouldLetTheFourthOctetRefuse255)
{
    SolveIp(QStringLiteral("255.255.255.255"));
    EXPECT_EQ(Fake->Texts(TBoxKind::Confirm),
              std::vector<QString>{Question("255.255.255.255", "255.255.255.255")});
    EXPECT_EQ(Fake->Texts(TBoxKind::Plain), std::vector<QString>{"Correct range is 1..254"});
    ExpectOctets("255", "255", "255", "40");
    EXPECT_TRUE(Form->StatusBar1->SimpleText().isEmpty());
}

TEST_F(LookupLabTest, shouldRefuseAnEmptyNameWithoutTouchingTheStatusBar)
{
    Form->StatusBar1->SetSimpleText(QStringLiteral("before"));
    for (const QString& text : {QString(), QStringLiteral("   "), QStringLiteral("\t \n")}) {
        Fake->Boxes.clear();
        SolveIp(text);
        ASSERT_EQ(Fake->Texts(TBoxKind::Plain).size(), 1u);
        EXPECT_EQ(Fake->Texts(TBoxKind::Plain)[0], "\" \" is not valid hostname.");
        EXPECT_EQ(Fake->Texts(TBoxKind::Plain)[0].size(), 26);
        EXPECT_EQ(Form->StatusBar1->SimpleText(), "before");
    }
    ExpectOctets("10", "20", "30", "40");
}

TEST_F(LookupLabTest, shouldReportANameThatCannotBeResolved)
{
    for (const QString& text : {QStringLiteral(" nosuch.lab "), QStringLiteral("1abc"), QStringLiteral("256.1.1.1")}) {
        Fake->Boxes.clear();
        StatusWhileShown.clear();
        // A text shown just before must not hold the notice back.
        Form->StatusBar1->SetSimpleText(QStringLiteral("before"));
        SolveIp(text);
        EXPECT_EQ(Fake->Texts(TBoxKind::Plain),
                  std::vector<QString>{"Unable to find computer with hostname " + text});
        EXPECT_EQ(StatusWhileShown, std::vector<QString>{Working});
        EXPECT_TRUE(Form->StatusBar1->SimpleText().isEmpty());
    }
    ExpectOctets("10", "20", "30", "40");
}
