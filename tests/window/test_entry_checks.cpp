// The octet fields stay valid while the user types; the Config Sheet fields
// count only through their spinners; SplitIP; the speed presets.
#include "WindowFixture.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

namespace {
const QString OctetMsg = QStringLiteral("Correct range is 0..255");
const QString HostMsg = QStringLiteral("Correct range is 1..254");

struct PasteCase {
    const char* field;
    const char* before;
    const char* typed;
    const char* shown;
    bool message;
};

class EntryChecks : public WindowFixture, public ::testing::WithParamInterface<PasteCase> {};
} // namespace

TEST_P(EntryChecks, shouldKeepOctetFieldValid)
{
    const PasteCase& c = GetParam();
    auto* field = Find<QLineEdit>(c.field);
    ASSERT_NE(field, nullptr);
    field->setText(QLatin1String(c.before));
    ASSERT_EQ(field->text(), QLatin1String(c.before));
    Fake->Boxes.clear();

    Paste(field, QLatin1String(c.typed));

    EXPECT_EQ(field->text(), QLatin1String(c.shown));
    const QString expected = QLatin1String(c.field) == QLatin1String("Edit4") ? HostMsg : OctetMsg;
    EXPECT_EQ(Messages(), c.message ? QStringList{expected} : QStringList{});
    for (const auto& box : Fake->Boxes) EXPECT_EQ(box.Kind, TBoxKind::Plain);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, EntryChecks,
    ::testing::Values(PasteCase{"Edit1", "100", "256", "100", true}, PasteCase{"Edit1", "100", "-1", "100", true},
                      PasteCase{"Edit1", "100", "abc", "100", true}, PasteCase{"Edit4", "10", "0", "10", true},
                      PasteCase{"Edit4", "10", "255", "10", true}, PasteCase{"Edit2", "5", "", "0", false},
                      PasteCase{"Edit4", "10", "", "1", false}, PasteCase{"Edit3", "5", "007", "7", false},
                      PasteCase{"Edit3", "5", "$1F", "31", false}, PasteCase{"Edit3", "5", " 12", "12", false},
                      PasteCase{"Edit3", "5", "12 ", "5", true}, PasteCase{"Edit1", "1", "+255", "255", false},
                      PasteCase{"Edit4", "10", "254", "254", false}, PasteCase{"Edit2", "5", "0", "0", false}));

TEST_F(WindowFixture, shouldRejectOnlyTheKeyThatLeavesTheRange)
{
    Form->Edit1->setText(QStringLiteral("100"));
    Fake->Boxes.clear();
    QTest::keyClick(Form->Edit1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(Form->Edit1, QStringLiteral("256"));
    EXPECT_EQ(Form->Edit1->text(), QStringLiteral("25"));
    EXPECT_EQ(Messages(), QStringList{OctetMsg});
    EXPECT_EQ(TestParams.Octet1.load(), 25);
}

TEST_F(WindowFixture, shouldCopyAcceptedOctetsIntoTestParams)
{
    Paste(Form->Edit1, QStringLiteral("10"));
    Paste(Form->Edit2, QStringLiteral("20"));
    Paste(Form->Edit3, QStringLiteral("$1E"));
    EXPECT_EQ(TestParams.Octet1.load(), 10);
    EXPECT_EQ(TestParams.Octet2.load(), 20);
    EXPECT_EQ(TestParams.Octet3.load(), 30);
    EXPECT_EQ(TestParams.Attempts.load(), 1);
    Paste(Form->Edit2, QStringLiteral("999"));
    EXPECT_EQ(TestParams.Octet2.load(), 20);
}

TEST_F(WindowFixture, shouldStopArrowsAndKeysAtTheRangeEnds)
{
    auto arrow = [](TUpDown* upDown, const char* which) {
        auto* button = upDown->findChild<QToolButton*>(QLatin1String(which));
        EXPECT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    };
    Form->Edit1->setText(QStringLiteral("254"));
    arrow(Form->UpDown1, "Up");
    arrow(Form->UpDown1, "Up");
    EXPECT_EQ(Form->Edit1->text(), QStringLiteral("255"));
    EXPECT_EQ(TestParams.Octet1.load(), 255);
    Form->Edit1->setText(QStringLiteral("1"));
    arrow(Form->UpDown1, "Down");
    arrow(Form->UpDown1, "Down");
    EXPECT_EQ(Form->Edit1->text(), QStringLiteral("0"));
    EXPECT_EQ(TestParams.Octet1.load(), 0);

    Form->Edit4->setText(QStringLiteral("253"));
    QTest::keyClick(Form->Edit4, Qt::Key_Up);
    QTest::keyClick(Form->Edit4, Qt::Key_Up);
    EXPECT_EQ(Form->Edit4->text(), QStringLiteral("254"));
    Form->Edit4->setText(QStringLiteral("2"));
    QTest::keyClick(Form->Edit4, Qt::Key_Down);
    QTest::keyClick(Form->Edit4, Qt::Key_Down);
    EXPECT_EQ(Form->Edit4->text(), QStringLiteral("1"));

    // The Config Sheet's spinners step and stop the same way.
    Form->PageControl1->setCurrentWidget(Form->TabSheet3);
    Form->Edit7->setText(QStringLiteral("59"));
    arrow(Form->UpDown7, "Up");
    arrow(Form->UpDown7, "Up");
    EXPECT_EQ(Form->Edit7->text(), QStringLiteral("60"));
    EXPECT_TRUE(Fake->Boxes.empty());
}

TEST_F(WindowFixture, shouldKeepRangeSpinnerValueForUncheckedText)
{
    Form->PageControl1->setCurrentWidget(Form->TabSheet3);
    Paste(Form->Edit8, QStringLiteral("20"));
    Paste(Form->Edit9, QStringLiteral("100"));
    Form->Edit1Enter();   // the spinners take the texts over when read
    EXPECT_EQ(TestParams.RangeMin.load(), 20);
    for (const char* text : {"300", "0", "$10", "abc", ""}) {
        Paste(Form->Edit8, QLatin1String(text));
        EXPECT_EQ(Form->Edit8->text(), QLatin1String(text));   // shown as typed
        Form->Edit1Enter();
        EXPECT_EQ(TestParams.RangeMin.load(), 20) << text;
    }
    Paste(Form->Edit8, QStringLiteral(" 200"));
    Form->Edit1Enter();
    EXPECT_EQ(TestParams.RangeMin.load(), 200);   // above the maximum is accepted
    EXPECT_EQ(TestParams.RangeMax.load(), 100);
    EXPECT_TRUE(Fake->Boxes.empty());
}

TEST_F(WindowFixture, shouldSetRepeatIntervalFromMinutesWithoutEnablingTimer)
{
    Paste(Form->Edit7, QStringLiteral("0"));
    Form->Edit1Enter();
    EXPECT_EQ(TestParams.RepeatMinutes.load(), 0);
    EXPECT_EQ(Form->Timer1->Interval(), 0);
    Paste(Form->Edit7, QStringLiteral("5"));
    Paste(Form->Edit1, QStringLiteral("12"));   // an octet change refreshes the parameters too
    EXPECT_EQ(Form->Timer1->Interval(), 300000);
    EXPECT_FALSE(Form->Timer1->Enabled());
    EXPECT_FALSE(Form->Timer1->Active());
}

TEST_F(WindowFixture, shouldSplitDottedText)
{
    struct Case {
        const char* text;
        const char* parts[4];
        bool result;
    };
    const Case cases[] = {
        {"192.168.0.7", {"192", "168", "0", "7"}, true},
        {"1.2.3", {"1", "2", "", "3"}, false},
        {"1.2.3.4.5", {"1", "2", "3", "4.5"}, true},
        {"", {"", "", "", ""}, false},
        {"a.b..", {"a", "b", "", ""}, false},
    };
    for (const Case& c : cases) {
        QString p1 = QStringLiteral("x"), p2 = p1, p3 = p1, p4 = p1;
        EXPECT_EQ(Form->SplitIP(QLatin1String(c.text), p1, p2, p3, p4), c.result) << c.text;
        EXPECT_EQ((QStringList{p1, p2, p3, p4}),
                  (QStringList{QLatin1String(c.parts[0]), QLatin1String(c.parts[1]), QLatin1String(c.parts[2]),
                               QLatin1String(c.parts[3])}))
            << c.text;
    }
}

TEST_F(WindowFixture, shouldApplySelectedSpeedPreset)
{
    Form->PageControl1->setCurrentWidget(Form->TabSheet3);
    struct Preset {
        int item;
        int timeout;
        int ttl;
    };
    for (const Preset p : {Preset{2, 3000, 255}, Preset{1, 600, 255}, Preset{0, 1, 1}}) {
        auto* item = Form->RadioGroup2->findChild<QRadioButton*>(QStringLiteral("Item%1").arg(p.item));
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(8, item->height() / 2));
        EXPECT_EQ(Form->RadioGroup2->ItemIndex(), p.item);
        EXPECT_EQ(Form->Ping1->Timeout(), p.timeout);
        EXPECT_EQ(Form->Ping1->TTL(), p.ttl);
        EXPECT_EQ(Form->Ping1->Size(), 0);
    }
    Form->RadioGroup2->SetItemIndex(-1);
    EXPECT_EQ(Form->RadioGroup2->ItemIndex(), -1);
    Form->Ping1->SetTimeout(77);
    Form->Ping1->SetTTL(7);
    Form->RadioGroup2Click();
    EXPECT_EQ(Form->Ping1->Timeout(), 77);
    EXPECT_EQ(Form->Ping1->TTL(), 7);
}
