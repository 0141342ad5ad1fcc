// The small controls: gauge, timer, text sheet, list, radio group, save
// dialog settings and the message texts.
#include "WindowFixture.h"

#include "window/Controls.h"

#include <QListWidget>

TEST(Gauge, shouldShowWholePercentOfTheRange)
{
    TGauge gauge(nullptr);
    gauge.SetMinValue(0);
    gauge.SetMaxValue(254);
    struct Case {
        int progress;
        int shown;
        int percent;
    };
    for (const Case c : {Case{0, 0, 0}, Case{127, 127, 50}, Case{253, 253, 99}, Case{254, 254, 100},
                         Case{300, 254, 100}, Case{-5, 0, 0}}) {
        gauge.SetProgress(c.progress);
        EXPECT_EQ(gauge.Progress(), c.shown) << c.progress;
        EXPECT_EQ(gauge.PercentDone(), c.percent) << c.progress;
    }
    gauge.SetMinValue(10);
    gauge.SetMaxValue(20);
    gauge.SetProgress(15);
    EXPECT_EQ(gauge.PercentDone(), 50);
    gauge.SetMaxValue(10);   // a range of one address
    gauge.SetProgress(10);
    EXPECT_EQ(gauge.PercentDone(), 0);
    gauge.SetMinValue(200);   // minimum above maximum: nothing to show
    gauge.SetMaxValue(100);
    gauge.SetProgress(150);
    EXPECT_EQ(gauge.PercentDone(), 0);
}

TEST(Timer, shouldRunOnlyWhenEnabledWithAnInterval)
{
    TTimer timer(nullptr);
    EXPECT_FALSE(timer.Enabled());
    timer.SetInterval(3600000);
    EXPECT_FALSE(timer.Active());
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Active());
    timer.SetInterval(0);   // never fires
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(timer.Active());
    timer.SetInterval(60000);
    EXPECT_TRUE(timer.Active());
    EXPECT_LE(timer.RemainingTime(), 60000);
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Active());
    EXPECT_EQ(timer.Interval(), 60000);
}

TEST(Timer, shouldRestartCountdownOnlyForANewInterval)
{
    TTimer timer(nullptr);
    timer.SetInterval(3600000);
    timer.SetEnabled(true);
    const int start = timer.RemainingTime();
    ASSERT_TRUE(QTest::qWaitFor([&] { return timer.RemainingTime() < start; }, 10000));
    const int running = timer.RemainingTime();
    timer.SetInterval(3600000);   // same value: the countdown goes on
    timer.SetEnabled(true);
    EXPECT_LE(timer.RemainingTime(), running);
    timer.SetInterval(7200000);   // new value: counts afresh
    EXPECT_GT(timer.RemainingTime(), running);
}

TEST(Timer, shouldFireRepeatedly)
{
    TTimer timer(nullptr);
    int fired = 0;
    timer.OnTimer = [&] { ++fired; };
    timer.SetInterval(5);
    timer.SetEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired >= 2; }, 10000));
}

TEST(RichEdit, shouldKeepLinesExactlyAndShowThoseAddedWhileHidden)
{
    TRichEdit sheet(nullptr);
    sheet.Add(QString());   // an empty first line counts
    sheet.Add(QStringLiteral("Sending ping to 127.0.0.1 Reply O.K. - in 0 msecs"));
    sheet.show();
    sheet.Add(QString::fromLatin1("caf\xe9"));
    sheet.hide();
    sheet.Add(QString());
    EXPECT_EQ(sheet.Lines().size(), 4);
    EXPECT_EQ(sheet.FileBytes(),
              QByteArray("\r\nSending ping to 127.0.0.1 Reply O.K. - in 0 msecs\r\ncaf\xe9\r\n\r\n"));
    EXPECT_TRUE(sheet.Modified());
    sheet.show();
    EXPECT_EQ(sheet.document()->blockCount(), 4);
    EXPECT_EQ(sheet.toPlainText(), sheet.Lines().join(QLatin1Char('\n')));
    sheet.hide();
    sheet.Clear();
    EXPECT_TRUE(sheet.Lines().isEmpty());
    EXPECT_TRUE(sheet.FileBytes().isEmpty());
    EXPECT_FALSE(sheet.Modified());
    sheet.Add(QStringLiteral("after"));
    sheet.document()->setModified(false);   // saved while hidden
    sheet.show();
    EXPECT_EQ(sheet.toPlainText(), QStringLiteral("after"));
    EXPECT_FALSE(sheet.Modified());
}

TEST(ListView, shouldFindEntriesByPrefixAndKeepTheirImages)
{
    TListView list(nullptr);
    const int first = list.Add(QStringLiteral("%1").arg(QStringLiteral("10.0.0.11"), -41));
    const int second = list.Add(QStringLiteral("%1").arg(QStringLiteral("10.0.0.1"), -41));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.FindPrefix(QStringLiteral("10.0.0.1 ")), second);
    EXPECT_EQ(list.FindPrefix(QStringLiteral("10.0.0.11 ")), first);
    EXPECT_EQ(list.FindPrefix(QStringLiteral("10.0.0.2 ")), -1);
    EXPECT_EQ(list.ImageIndex(first), 0);
    list.SetImageIndex(first, 1);
    EXPECT_EQ(list.ImageIndex(first), 1);
    EXPECT_FALSE(list.View()->item(first)->icon().isNull());
    list.SetText(second, QStringLiteral("10.0.0.1 host.example"));
    EXPECT_EQ(list.Text(second), QStringLiteral("10.0.0.1 host.example"));
    EXPECT_EQ(list.Text(5), QString());
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(RadioGroup, shouldReportItsSelection)
{
    TRadioGroup group(nullptr, QStringLiteral("  Speed && Timeout setting  "),
                      {QStringLiteral("a"), QStringLiteral("b")});
    int clicks = 0;
    group.OnClick = [&] { ++clicks; };
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_EQ(group.Count(), 2);
    group.SetItemIndex(1);
    EXPECT_EQ(group.ItemIndex(), 1);
    group.SetItemIndex(-1);
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_EQ(clicks, 0);   // only the user's choice is a click
}

TEST(UpDown, shouldTakeOverOnlyDecimalTextInRange)
{
    QLineEdit field;
    TUpDown spinner(nullptr, &field, 1, 254, 10);
    EXPECT_EQ(spinner.Position(), 10);
    struct Case {
        const char* text;
        int position;
    };
    for (const Case c : {Case{"20", 20}, Case{" 30", 30}, Case{"$10", 30}, Case{"300", 30}, Case{"0", 30},
                         Case{"+40", 40}, Case{"40 ", 40}, Case{"", 40}}) {
        field.setText(QLatin1String(c.text));
        EXPECT_EQ(spinner.Position(), c.position) << c.text;
    }
    spinner.SetPosition(999);
    EXPECT_EQ(spinner.Position(), 254);
    EXPECT_EQ(field.text(), QStringLiteral("254"));
    spinner.SetPosition(-3);
    EXPECT_EQ(field.text(), QStringLiteral("1"));
}

TEST(Messages, shouldAddFullStopUnlessTheLastCharacterSortsUpToIt)
{
    EXPECT_EQ(WithFullStop(QStringLiteral("Access denied")), QStringLiteral("Access denied."));
    EXPECT_EQ(WithFullStop(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(WithFullStop(QStringLiteral("blank ")), QStringLiteral("blank "));
    EXPECT_EQ(WithFullStop(QStringLiteral("dash-")), QStringLiteral("dash-"));
    EXPECT_EQ(WithFullStop(QStringLiteral("path/")), QStringLiteral("path/."));
    EXPECT_EQ(WithFullStop(QString()), QStringLiteral("."));
    EXPECT_EQ(ApplicationTitle(), QStringLiteral("Scanvet Address"));
}

TEST(Messages, shouldNameClassModuleAndAddressOfAStartupError)
{
    const auto* at = reinterpret_cast<const void*>(quintptr(0x4A2B));
    const QString text = ApplicationErrorText(QStringLiteral("TICMPException"), QStringLiteral("scanvet"), at,
                                              QStringLiteral("Unable to open ICMP socket"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("Exception TICMPException in module scanvet at ")));
    EXPECT_TRUE(text.contains(QStringLiteral("4A2B.\nUnable to open ICMP socket.")));
    EXPECT_TRUE(ApplicationErrorText(QStringLiteral("E"), QStringLiteral("m"), at, QStringLiteral("Ends."))
                    .endsWith(QStringLiteral("\nEnds.")));
}

TEST_F(DialogFixture, shouldAddExtensionMoveToFolderAndProposeChosenName)
{
    QDir(Work.path()).mkdir(QStringLiteral("reports"));
    const QString folder = QDir(Work.path()).filePath(QStringLiteral("reports"));
    TSaveDialog dialog;
    dialog.FileName = QStringLiteral("ComputerList");
    Fake->SaveAnswer = QDir(folder).filePath(QStringLiteral("list"));
    ASSERT_TRUE(dialog.Execute(nullptr));
    EXPECT_EQ(dialog.FileName, QDir(folder).filePath(QStringLiteral("list.txt")));
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(folder).canonicalPath());

    Fake->SaveAnswer = QDir(Work.path()).filePath(QStringLiteral("notes.log"));
    ASSERT_TRUE(dialog.Execute(nullptr));
    EXPECT_EQ(QFileInfo(dialog.FileName).fileName(), QStringLiteral("notes.log"));
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(Work.path()).canonicalPath());

    Fake->SaveAnswer.reset();   // cancelled: nothing changes
    EXPECT_FALSE(dialog.Execute(nullptr));
    EXPECT_EQ(QFileInfo(dialog.FileName).fileName(), QStringLiteral("notes.log"));
    EXPECT_EQ(Fake->Proposals,
              (std::vector<QString>{QStringLiteral("ComputerList"), QDir(folder).filePath(QStringLiteral("list.txt")),
                                    QDir(Work.path()).filePath(QStringLiteral("notes.log"))}));
}
