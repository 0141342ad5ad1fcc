// The window as the user first sees it, and the error guard around handlers.
#include "WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

TEST_F(WindowFixture, shouldHaveEveryControlUnderItsName)
{
    const char* names[] = {"MainMenu1", "Panel3", "Button2", "PingButton", "Button1", "Edit1", "UpDown1", "Edit2",
                           "UpDown2", "Edit3", "UpDown3", "Edit4", "UpDown4", "Edit5", "Panel5", "Gauge1",
                           "PageControl1", "TabSheet1", "Panel8", "ListView1", "Panel1", "Button7", "Button3",
                           "TabSheet2", "TabSheet3", "Panel6", "Label7", "Label8", "Label5", "Label1", "Edit8",
                           "Edit9", "UpDown8", "UpDown9", "Edit7", "UpDown7", "Panel4", "CheckBox1", "Button6",
                           "StatusBar1", "RadioGroup1", "RadioGroup2", "RichEdit1", "Panel2", "Button5", "Button4",
                           "RichEdit2"};
    for (const char* name : names) EXPECT_NE(Find<QWidget>(name), nullptr) << name;
    for (const char* name : {"Ping1", "Timer1", "Exit1", "About2"}) EXPECT_NE(Find<QObject>(name), nullptr) << name;

    struct Caption {
        QPushButton* button;
        const char* text;
    };
    for (const Caption c : {Caption{Form->Button6, "Solve &IP"}, Caption{Form->Button2, "&Get local IP"},
                            Caption{Form->PingButton, "&Ping"}, Caption{Form->Button1, "&Run test"},
                            Caption{Form->Button7, "&Clear List"}, Caption{Form->Button3, "&Save List"},
                            Caption{Form->Button5, "&Save List"}, Caption{Form->Button4, "&Clear List"}})
        EXPECT_EQ(c.button->text(), QLatin1String(c.text));
    EXPECT_EQ(Form->File1->title(), QStringLiteral("&File"));
    EXPECT_EQ(Form->Exit1->text(), QStringLiteral("&Exit"));
    EXPECT_EQ(Form->About1->title(), QStringLiteral("&Help"));
    EXPECT_EQ(Form->About2->text(), QStringLiteral("&About"));
    EXPECT_EQ(Form->RadioGroup2->title(), QStringLiteral("  Speed && Timeout setting  "));
    for (QLineEdit* octet : {Form->Edit1, Form->Edit2, Form->Edit3, Form->Edit4})
        EXPECT_EQ(octet->toolTip(), QStringLiteral("IP address - number between 1 - 254"));
    EXPECT_EQ(Form->Edit1->accessibleName(), QStringLiteral("First octet"));
    EXPECT_EQ(Form->Edit5->accessibleName(), QStringLiteral("Host name"));
    EXPECT_EQ(Form->PageControl1->tabText(2), QStringLiteral("Config Sheet"));
}

TEST_F(WindowFixture, shouldOpenFixedWithDesignStateAfterStartup)
{
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Scanvet Address"));
    EXPECT_EQ(Form->centralWidget()->size(), QSize(800, 490));
    EXPECT_EQ(Form->minimumSize(), Form->maximumSize());
    EXPECT_FALSE(Form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(Form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));

    EXPECT_TRUE(Form->Edit5->text().isEmpty());
    EXPECT_EQ(Form->ListView1->Count(), 0);
    EXPECT_TRUE(Form->RichEdit1->Lines().isEmpty());
    EXPECT_TRUE(Form->CheckBox1->isChecked());
    EXPECT_EQ(Form->RadioGroup1->ItemIndex(), 0);
    EXPECT_EQ(Form->RadioGroup2->ItemIndex(), 0);
    EXPECT_EQ(Form->PageControl1->currentWidget(), Form->TabSheet1);
    EXPECT_EQ(Form->PageControl1->tabPosition(), QTabWidget::South);
    EXPECT_TRUE(Form->StatusBar1->SimpleText().isEmpty());
    EXPECT_EQ(Form->Gauge1->PercentDone(), 0);
    EXPECT_EQ(Form->Gauge1->MaxValue(), 254);
    EXPECT_FALSE(Form->Timer1->Enabled());
    EXPECT_EQ(Form->Ping1->Size(), 0);
    EXPECT_FALSE(Form->RichEdit2->isVisibleTo(Form.get()));
    EXPECT_TRUE(Form->SaveDialog1.FileName.endsWith(QStringLiteral("ScanvetStatus")));
    EXPECT_TRUE(Form->SaveDialog2.FileName.endsWith(QStringLiteral("ComputerList")));

    // The Config Sheet's tab can be hidden and shown again.
    Form->PageControl1->setTabVisible(2, false);
    EXPECT_FALSE(Form->PageControl1->isTabVisible(2));
    Form->PageControl1->setTabVisible(2, true);
    EXPECT_TRUE(Form->PageControl1->isTabVisible(2));
}

TEST_F(WindowFixture, shouldPutFocusIntoFirstOctetOnActivation)
{
    Form->activateWindow();
    if (!QTest::qWaitForWindowActive(Form.get())) GTEST_SKIP() << "this platform does not activate windows";
    Form->Edit5->setFocus();
    Form->FormActivate();
    EXPECT_TRUE(Form->Edit1->hasFocus());
}

TEST_F(WindowFixture, shouldPressTheVisibleButtonOfAnAccelerator)
{
    Form->activateWindow();
    if (!QTest::qWaitForWindowActive(Form.get())) GTEST_SKIP() << "this platform does not activate windows";
    QSignalSpy listClear(Form->Button7, &QPushButton::clicked);
    QSignalSpy sheetClear(Form->Button4, &QPushButton::clicked);
    // A mnemonic presses its button with a short animation, so wait for the click.
    QTest::keyClick(Form->Edit1, Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return listClear.count() == 1; }, 5000));
    EXPECT_EQ(sheetClear.count(), 0);
    Form->PageControl1->setCurrentWidget(Form->TabSheet2);
    QTest::keyClick(Form->Edit1, Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheetClear.count() == 1; }, 5000));
    EXPECT_EQ(listClear.count(), 1);
}

TEST_F(WindowFixture, shouldShowUncaughtErrorsAndCarryOn)
{
    struct Case {
        std::function<void()> raise;
        const char* shown;
    };
    const Case cases[] = {
        {[] { throw Exception("Unable to open ICMP socket"); }, "Unable to open ICMP socket."},
        {[] { throw EConvertError("'x' is not a valid integer value"); }, "'x' is not a valid integer value."},
        {[] { throw std::runtime_error("Already stopped."); }, "Already stopped."},
        {[] { throw Exception("ends with a blank "); }, "ends with a blank "},
        {[] { throw 42; }, "Unknown error."},
    };
    for (const Case& c : cases) {
        Fake->Boxes.clear();
        EXPECT_NO_THROW(Form->Guard(c.raise));
        ASSERT_EQ(Fake->Boxes.size(), 1u);
        EXPECT_EQ(Fake->Boxes[0].Kind, TBoxKind::Error);
        EXPECT_EQ(Fake->Boxes[0].Text, QLatin1String(c.shown));
    }

    // An error inside a bound handler (here: while showing the range message)
    // ends in the error box too, and the field checks go on working.
    Form->Edit1->setText(QStringLiteral("100"));
    Fake->Boxes.clear();
    Fake->ThrowOnMessage = true;
    Fake->ThrowText = "Out of resources";
    Paste(Form->Edit1, QStringLiteral("300"));
    ASSERT_EQ(Fake->Boxes.size(), 2u);
    EXPECT_EQ(Fake->Boxes[1].Kind, TBoxKind::Error);
    EXPECT_EQ(Fake->Boxes[1].Text, QStringLiteral("Out of resources."));
    Fake->Boxes.clear();
    Paste(Form->Edit1, QStringLiteral("301"));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Correct range is 0..255")});
    EXPECT_EQ(Form->Edit1->text(), QStringLiteral("100"));
    Paste(Form->Edit1, QStringLiteral("42"));
    EXPECT_EQ(TestParams.Octet1.load(), 42);
}
