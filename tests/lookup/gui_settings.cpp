// The settings file "Scanvet.cfg": read at start-up, written at every close.
#include "tests/lookup/FormFixture.h"

#include "tests/lookup/FileSizeLimit.h"

#include <QAction>
#include <QTabWidget>
#include <QTest>

namespace {

struct Shown {
    const char* Octets[4];
    const char* Min;
    const char* Max;
    const char* Repeat;
};

} // namespace

class SettingsTest : public FormFixture {
protected:
    void WriteSettings(const QByteArray& bytes) { Write(Path("Scanvet.cfg"), bytes); }

    void ExpectShown(const Shown& shown)
    {
        EXPECT_EQ(Form->Edit1->text(), shown.Octets[0]);
        EXPECT_EQ(Form->Edit2->text(), shown.Octets[1]);
        EXPECT_EQ(Form->Edit3->text(), shown.Octets[2]);
        EXPECT_EQ(Form->Edit4->text(), shown.Octets[3]);
        EXPECT_EQ(Form->Edit8->text(), shown.Min);
        EXPECT_EQ(Form->Edit9->text(), shown.Max);
        EXPECT_EQ(Form->Edit7->text(), shown.Repeat);
    }

    QByteArray Settings() { return Read(Path("Scanvet.cfg")); }
};

TEST_F(SettingsTest, shouldStartWithDefaultsAndWriteThemWhenThereIsNoFile)
{
    MAKE_FORM_OR_SKIP();
    ExpectShown({{"1", "1", "1", "1"}, "1", "254", "1"});
    EXPECT_TRUE(Fake->Boxes.empty());
    EXPECT_FALSE(QFile::exists(Path("Scanvet.cfg"))) << "nothing is written at start-up";

    Form->close();
    EXPECT_EQ(Settings(), QByteArray("1\r\n1\r\n1\r\n1\r\n1\r\n254\r\n1\r\n"));
}

TEST_F(SettingsTest, shouldClampNumbersIntoTheSpinnersRanges)
{
    WriteSettings("300\r\n-5\r\n7\r\n0\r\n999\r\n-1\r\n99\r\n");
    MAKE_FORM_OR_SKIP();
    ExpectShown({{"255", "0", "7", "1"}, "254", "1", "60"});
    EXPECT_TRUE(Fake->Boxes.empty());
}

TEST_F(SettingsTest, shouldReadEveryLineEndAndStopAtNul)
{
    WriteSettings(QByteArray("10\r20\n30\r\n  40\n5\r\n6\n7", 22) + QByteArray("\0\n8\n", 4));
    MAKE_FORM_OR_SKIP();
    ExpectShown({{"10", "20", "30", "40"}, "5", "6", "7"});
    EXPECT_TRUE(Fake->Boxes.empty());
}

TEST_F(SettingsTest, shouldIgnoreExtraLinesAndDropThemAtTheClose)
{
    WriteSettings("10\r\n20\r\n30\r\n40\r\n50\r\n60\r\n3\r\nextra\r\n99\r\n");
    MAKE_FORM_OR_SKIP();
    ExpectShown({{"10", "20", "30", "40"}, "50", "60", "3"});
    EXPECT_TRUE(Fake->Boxes.empty());
    Form->close();
    EXPECT_EQ(Settings(), QByteArray("10\r\n20\r\n30\r\n40\r\n50\r\n60\r\n3\r\n"));
}

// A bad line stops the reading: earlier spinners keep what was read, later
// ones their design values (127.0.0.1, range 1..254, repeat 5). The error box
// adds no full stop after ")", which sorts before it.
TEST_F(SettingsTest, shouldReportABadLineAndKeepDesignValuesFromThere)
{
    struct Case {
        QByteArray File;
        const char* Error;
        Shown Expected;
    };
    const Case cases[] = {
        {"10\r\n20\r\n30\r\n40\r\nabc\r\n60\r\n3\r\n", "'abc' is not a valid integer value.",
         {{"10", "20", "30", "40"}, "1", "254", "5"}},
        {"10\r\n20 \r\n30\r\n40\r\n50\r\n60\r\n3\r\n", "'20 ' is not a valid integer value.",
         {{"10", "0", "0", "1"}, "1", "254", "5"}},
        {"10\r\n20\r\n30\r\n", "List index out of bounds (3)",
         {{"10", "20", "30", "1"}, "1", "254", "5"}},
        {"", "List index out of bounds (0)", {{"127", "0", "0", "1"}, "1", "254", "5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File.toStdString());
        WriteSettings(c.File);
        Fake->Boxes.clear();
        MAKE_FORM_OR_SKIP();
        ASSERT_EQ(Fake->Boxes.size(), 1u);
        EXPECT_EQ(Fake->Boxes[0].Kind, TBoxKind::Error);
        EXPECT_EQ(Fake->Boxes[0].Text, c.Error);
        ExpectShown(c.Expected);
        EXPECT_TRUE(Form->Edit5->text().isEmpty()) << "start-up goes on after the error";
        Form.reset();
    }
}

TEST_F(SettingsTest, shouldWriteAnEmptiedFieldAsAnEmptyLineThatFailsAtTheNextStart)
{
    WriteSettings("10\r\n20\r\n30\r\n40\r\n50\r\n60\r\n3\r\n");
    MAKE_FORM_OR_SKIP();
    Form->Edit8->setText(QString());
    Form->Edit7->setText(QStringLiteral(" 12 "));
    Form->close();
    EXPECT_EQ(Settings(), QByteArray("10\r\n20\r\n30\r\n40\r\n\r\n60\r\n12\r\n"));
    Form.reset();

    MAKE_FORM_OR_SKIP();
    ASSERT_EQ(Fake->Texts(TBoxKind::Error).size(), 1u);
    EXPECT_EQ(Fake->Texts(TBoxKind::Error)[0], "'' is not a valid integer value.");
    ExpectShown({{"10", "20", "30", "40"}, "1", "254", "5"});
}

TEST_F(SettingsTest, shouldWriteTheSettingsOnFileExitToo)
{
    MAKE_FORM_OR_SKIP();
    Form->show();
    Form->Edit2->setText(QStringLiteral("42"));
    Form->Exit1->trigger();
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Settings(), QByteArray("1\r\n42\r\n1\r\n1\r\n1\r\n254\r\n1\r\n"));
}

TEST_F(SettingsTest, shouldStopTheRepeatTimerAtTheClose)
{
    MAKE_FORM_OR_SKIP();
    Form->Timer1->SetInterval(60000);
    Form->Timer1->SetEnabled(true);
    Form->close();
    EXPECT_EQ(Form->Timer1->Interval(), 0);
    EXPECT_FALSE(Form->Timer1->Active());
}

TEST_F(SettingsTest, shouldWriteTheSettingsIntoTheFolderOfTheLastSavedList)
{
    MAKE_FORM_OR_SKIP();
    ASSERT_TRUE(QDir(Dir.path()).mkdir("reports"));
    Form->RichEdit1->Add(QStringLiteral("a line"));
    Fake->SaveAnswer = Path("reports/results.txt");
    Form->Button5Click();
    ASSERT_TRUE(QFile::exists(Path("reports/results.txt")));
    Form->close();
    EXPECT_TRUE(QFile::exists(Path("reports/Scanvet.cfg")));
    EXPECT_FALSE(QFile::exists(Path("Scanvet.cfg")));
}

// A close that cannot write keeps quiet, and the file in the way stays whole.
TEST_F(SettingsTest, shouldStaySilentAndKeepTheFormerFileWhenTheWriteFails)
{
    const QByteArray former("10\r\n20\r\n30\r\n40\r\n50\r\n60\r\n3\r\n");
    WriteSettings(former);
    MAKE_FORM_OR_SKIP();
    Form->Edit9->setText(QStringLiteral("100"));
    {
        const TFileSizeLimit fullDisk(4);
        Form->close();
    }
    EXPECT_TRUE(Fake->Boxes.empty());
    EXPECT_EQ(Settings(), former);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{"Scanvet.cfg"}) << "no half-written file left";
}

TEST_F(SettingsTest, shouldOpenWithEmptyListsAndTheFocusInTheFirstOctet)
{
    MAKE_FORM_OR_SKIP();
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Form->Edit1->hasFocus(); }, 5000));
    EXPECT_TRUE(Form->Edit5->text().isEmpty());
    EXPECT_EQ(Form->ListView1->Count(), 0);
    EXPECT_TRUE(Form->RichEdit1->Lines().isEmpty());
    EXPECT_TRUE(Form->RichEdit1->toPlainText().isEmpty());
    EXPECT_EQ(Form->PageControl1->currentWidget(), Form->TabSheet1);
}
