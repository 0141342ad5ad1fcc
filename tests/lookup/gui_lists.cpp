// Save List and Clear List under the list of found computers and the result sheet.
#include "tests/lookup/FileSizeLimit.h"
#include "tests/lookup/FormFixture.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

QString Entry(const QString& text)
{
    return text.leftJustified(41, u' ');
}

QList<QByteArray> Lines(const QByteArray& file)
{
    EXPECT_TRUE(file.endsWith("\r\n")) << "the last line ends with CR LF too";
    QList<QByteArray> lines = file.split('\n');
    lines.removeLast();
    for (auto& line : lines) {
        EXPECT_TRUE(line.endsWith('\r'));
        line.chop(1);
    }
    return lines;
}

} // namespace

class ListsTest : public FormFixture {
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        if (!MakeForm()) GTEST_SKIP() << "the ping component cannot be created: " << Skipped;
        Form->Edit1->setText(QStringLiteral("192"));
        Form->Edit2->setText(QStringLiteral("168"));
        Form->Edit3->setText(QStringLiteral("1"));
        Form->Edit8->setText(QStringLiteral("1"));
        Form->Edit9->setText(QStringLiteral("254"));
    }

    QList<QByteArray> SaveReport(const QString& name)
    {
        Fake->SaveAnswer = Path(name);
        Form->Button3Click();
        return Lines(Read(Path(name)));
    }
};

TEST_F(ListsTest, shouldWriteTheReportOfOneComputerInFourteenLines)
{
    Form->ListView1->Add(Entry(QStringLiteral("192.168.1.1")));
    const auto lines = SaveReport("one.txt");
    EXPECT_TRUE(Fake->Boxes.empty());
    EXPECT_EQ(Fake->SaveTitle, "Save List Of Computers");
    EXPECT_EQ(Fake->SaveProposed, "ComputerList");
    ASSERT_EQ(lines.size(), 14);
    const QList<QByteArray> expected = {
        "Scanvet Address - finded computers",
        "===================================",
        "",
        "Param      :",
        "",
        "IP Address : 192.168.1.xxx",
        "IP range   : min = 1",
        "IP range   : max = 254",
        "",
        lines[9],
        "",
        "192.168.1.1                               On",
        "",
        "--- End of List ---",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(QRegularExpression("^Report generated at : \\d\\d:\\d\\d:\\d\\d$")
                    .match(QString::fromLatin1(lines[9])).hasMatch())
        << lines[9].toStdString();
    EXPECT_EQ(Form->RichEdit2->Lines().size(), 14) << "the staging sheet keeps the report";
}

TEST_F(ListsTest, shouldWriteEntriesWithTheirStateAndLongNamesWhole)
{
    Form->ListView1->Add(Entry(QStringLiteral("192.168.1.1 router")));
    Form->ListView1->SetImageIndex(Form->ListView1->Add(Entry(QStringLiteral("192.168.1.7"))), 1);
    const QString longName = QStringLiteral("192.168.1.9 ") + QString(60, u'n') + QStringLiteral(".example");
    Form->ListView1->Add(Entry(longName));
    Form->ListView1->SetImageIndex(Form->ListView1->Add(Entry(QStringLiteral("192.168.1.10"))), 2);

    const auto lines = SaveReport("two.txt");
    ASSERT_EQ(lines.size(), 17);
    EXPECT_EQ(lines[11], "192.168.1.1 router                        On");
    EXPECT_EQ(lines[11].size(), 44);
    EXPECT_EQ(lines[12], "192.168.1.7                               Off");
    EXPECT_EQ(lines[12].size(), 45);
    EXPECT_EQ(QString::fromLatin1(lines[13]), longName + QStringLiteral(" On"));
    EXPECT_EQ(QString::fromLatin1(lines[14]), Entry(QStringLiteral("192.168.1.10")))
        << "an image other than 0 or 1 adds nothing";
}

TEST_F(ListsTest, shouldTakeTheFieldsAsTheyStandWhenSaving)
{
    Form->ListView1->Add(Entry(QStringLiteral("192.168.1.1")));
    Form->Edit1->setText(QStringLiteral("10"));
    Form->Edit8->setText(QStringLiteral("300"));   // taken as shown, whatever the spinner holds
    Form->Edit9->setText(QStringLiteral("20"));
    const auto lines = SaveReport("fields.txt");
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[5], "IP Address : 10.168.1.xxx");
    EXPECT_EQ(lines[6], "IP range   : min = 300");
    EXPECT_EQ(lines[7], "IP range   : max = 20");
}

TEST_F(ListsTest, shouldWriteTheTimeInTheUsersLongFormatWithoutZone)
{
    Form->ListView1->Add(Entry(QStringLiteral("192.168.1.1")));
    const QLocale former;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto lines = SaveReport("time.txt");
    QLocale::setDefault(former);
    ASSERT_GE(lines.size(), 10);
    EXPECT_TRUE(QRegularExpression("^Report generated at : \\d{1,2}:\\d\\d:\\d\\d (AM|PM)$")
                    .match(QString::fromLatin1(lines[9])).hasMatch())
        << lines[9].toStdString();
}

TEST_F(ListsTest, shouldRefuseToSaveAnEmptyListWithoutAskingForAName)
{
    Fake->SaveAnswer = Path("never.txt");
    Form->Button3Click();
    EXPECT_EQ(Fake->Texts(TBoxKind::Plain), std::vector<QString>{"There aren't items to save in this ListView"});
    EXPECT_EQ(Fake->SaveCalls, 0);
    EXPECT_FALSE(QFile::exists(Path("never.txt")));
}

TEST_F(ListsTest, shouldWriteNothingWhenTheDialogIsCancelled)
{
    Form->ListView1->Add(Entry(QStringLiteral("192.168.1.1")));
    Fake->SaveAnswer.reset();
    Form->Button3Click();
    Form->Button5Click();
    EXPECT_EQ(Fake->SaveCalls, 2);
    EXPECT_TRUE(Fake->Boxes.empty());
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{});
}

TEST_F(ListsTest, shouldReplaceAnExistingFileWithoutAQuestion)
{
    Write(Path("old.txt"), QByteArray(5000, 'x'));
    Form->ListView1->Add(Entry(QStringLiteral("192.168.1.1")));
    const auto lines = SaveReport("old.txt");
    EXPECT_EQ(lines.size(), 14);
    EXPECT_TRUE(Fake->Boxes.empty());
}

TEST_F(ListsTest, shouldSaveTheResultSheetExactlyAsShown)
{
    Fake->SaveAnswer = Path("empty.txt");
    Form->Button5Click();
    EXPECT_EQ(Fake->SaveTitle, "Save Scanvet Results");
    EXPECT_EQ(Fake->SaveProposed, "ScanvetStatus");
    ASSERT_TRUE(QFile::exists(Path("empty.txt")));
    EXPECT_TRUE(Read(Path("empty.txt")).isEmpty());

    Form->RichEdit1->Add(QStringLiteral("Sending ping to 127.0.0.1 Reply O.K. - in 0 msecs"));
    Form->RichEdit1->Add(QString());
    Form->RichEdit1->Add(QStringLiteral("Sending ping to 127.0.0.2 Timeout or not found"));
    Fake->SaveAnswer = Path("sheet.txt");
    Form->Button5Click();
    EXPECT_EQ(Read(Path("sheet.txt")),
              QByteArray("Sending ping to 127.0.0.1 Reply O.K. - in 0 msecs\r\n\r\n"
                         "Sending ping to 127.0.0.2 Timeout or not found\r\n"));
    EXPECT_TRUE(Fake->Boxes.empty());
}

TEST_F(ListsTest, shouldReportAFileThatCannotBeCreated)
{
    Write(Path("plain"), "not a folder");
    Form->ListView1->Add(Entry(QStringLiteral("192.168.1.1")));
    Form->RichEdit1->Add(QStringLiteral("a line"));
    const QString name = Path("plain/list.txt");
    Fake->SaveAnswer = name;
    Form->Button3Click();
    Form->Button5Click();
    EXPECT_EQ(Fake->Texts(TBoxKind::Plain),
              (std::vector<QString>{"Cannot save file " + name, "Cannot save file " + name}));
    EXPECT_EQ(Form->ListView1->Count(), 1);
    EXPECT_EQ(Form->RichEdit1->Lines(), QStringList{"a line"});
}

// A failed write (here: the file size limit, as on a full disk) leaves the
// file already at that name as it was, and no half-written file.
TEST_F(ListsTest, shouldKeepTheFormerFileWhenTheWriteFails)
{
    const QByteArray former("former content\r\n");
    Write(Path("keep.txt"), former);
    Form->ListView1->Add(Entry(QStringLiteral("192.168.1.1")));
    for (int i = 0; i < 20; ++i) Form->RichEdit1->Add(QStringLiteral("Sending ping to 127.0.0.1 Timeout or not found"));
    Fake->SaveAnswer = Path("keep.txt");
    {
        const TFileSizeLimit fullDisk(static_cast<rlim_t>(former.size()));
        Form->Button3Click();
        Form->Button5Click();
    }
    EXPECT_EQ(Fake->Texts(TBoxKind::Plain),
              (std::vector<QString>{"Cannot save file " + Path("keep.txt"), "Cannot save file " + Path("keep.txt")}));
    EXPECT_EQ(Read(Path("keep.txt")), former);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{"keep.txt"});
}

TEST_F(ListsTest, shouldClearEachListOnItsOwn)
{
    Form->ListView1->Add(Entry(QStringLiteral("192.168.1.1")));
    Form->RichEdit1->Add(QStringLiteral("a line"));
    Form->RichEdit1->document()->setModified(true);

    Form->Button7Click();
    EXPECT_EQ(Form->ListView1->Count(), 0);
    EXPECT_EQ(Form->RichEdit1->Lines(), QStringList{"a line"});

    Form->ListView1->Add(Entry(QStringLiteral("192.168.1.1")));
    Form->Button4Click();
    EXPECT_TRUE(Form->RichEdit1->Lines().isEmpty());
    EXPECT_TRUE(Form->RichEdit1->toPlainText().isEmpty());
    EXPECT_FALSE(Form->RichEdit1->Modified());
    EXPECT_EQ(Form->ListView1->Count(), 1);
    EXPECT_TRUE(Fake->Boxes.empty());
}
