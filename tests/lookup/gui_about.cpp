// The about box: one hidden form, shown without modality and hidden by OK.
#include "tests/lookup/FormFixture.h"

#include "lookup/Unit2.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTest>

class AboutTest : public FormFixture {
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        if (!MakeForm()) GTEST_SKIP() << "the ping component cannot be created: " << Skipped;
        Box = std::make_unique<TAboutBox>();
        Form->show();
    }
    void TearDown() override
    {
        Box.reset();
        FormFixture::TearDown();
    }

    int VisibleBoxes() const
    {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TAboutBox*>(w) != nullptr && w->isVisible()) ++count;
        return count;
    }

    std::unique_ptr<TAboutBox> Box;
};

TEST_F(AboutTest, shouldBeBuiltAsAFixedBoxWithoutCloseButton)
{
    EXPECT_EQ(AboutBox, Box.get());
    EXPECT_FALSE(Box->isVisible());
    EXPECT_EQ(Box->windowTitle(), "About");
    EXPECT_EQ(Box->size(), QSize(298, 203));
    EXPECT_EQ(Box->minimumSize(), Box->maximumSize()) << "not resizable";
    const Qt::WindowFlags flags = Box->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint));

    const std::pair<const char*, const char*> labels[] = {
        {"Label1", "Scanvet Address ver.1.2"},
        {"Label2", "Author looks handsome, isn't he?"},
        {"Label3", "Mail : info@scanvet.example"},
        {"Label4", "Web : www.scanvet.example"},
        {"Label5", "This version is FREE !!!"},
    };
    for (const auto& [name, text] : labels) {
        auto* label = Box->findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), text);
        EXPECT_EQ(label->parentWidget(), Box->findChild<QFrame*>("Panel1"));
        EXPECT_EQ(label->x(), 111);
        EXPECT_LE(label->geometry().right(), label->parentWidget()->contentsRect().right())
            << name << " is cut off by the panel";
    }
    auto* ok = Box->findChild<QPushButton*>("OKButton");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->geometry(), QRect(111, 168, 75, 25));

    auto* image = Box->findChild<QLabel*>("Image1");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixmap().size(), QSize(88, 124));
    const QImage picture = AboutPicture();
    EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_EQ(picture.colorCount(), 256);
    EXPECT_EQ(picture.size(), QSize(88, 124));
}

TEST_F(AboutTest, shouldShowOneBoxWhenChosenTwiceWithoutBlockingTheWindow)
{
    Form->About2->trigger();
    Form->About2->trigger();
    EXPECT_EQ(VisibleBoxes(), 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // The window's commands still work while the box is shown.
    QTest::mouseClick(Form->Button3, Qt::LeftButton);
    EXPECT_EQ(Fake->Texts(TBoxKind::Plain), std::vector<QString>{"There aren't items to save in this ListView"});
    Form->Edit2->setText(QStringLiteral("9"));
    EXPECT_EQ(TestParams.Octet2.load(), 9);
    EXPECT_TRUE(Box->isVisible());
}

TEST_F(AboutTest, shouldHideOnEnterAndOkButNotOnEscape)
{
    Form->About2->trigger();
    ASSERT_TRUE(Box->isVisible());
    QTest::keyClick(Box.get(), Qt::Key_Escape);
    EXPECT_TRUE(Box->isVisible());
    QTest::keyClick(Box.get(), Qt::Key_Return);
    EXPECT_FALSE(Box->isVisible());

    Form->About2->trigger();
    ASSERT_TRUE(Box->isVisible());
    QTest::mouseClick(Box->OKButton, Qt::LeftButton);
    EXPECT_FALSE(Box->isVisible());
    EXPECT_TRUE(Form->isVisible());
}

TEST_F(AboutTest, shouldOpenCentredAndKeepItsPlaceLater)
{
    Form->About2->trigger();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((Box->frameGeometry().center() - screen.center()).manhattanLength(), 4);

    Box->move(Box->pos() + QPoint(30, 20));
    const QPoint moved = Box->pos();
    Box->OKButtonClick();
    Form->About2->trigger();
    EXPECT_EQ(Box->pos(), moved);
}

TEST_F(AboutTest, shouldNotKeepTheProgramAliveAfterTheWindowCloses)
{
    Form->About2->trigger();
    ASSERT_TRUE(Box->isVisible());
    bool stuck = false;
    QTimer::singleShot(0, Form.get(), [this] { Form->close(); });
    QTimer::singleShot(20000, qApp, [&stuck] {
        stuck = true;
        QApplication::exit(1);
    });
    QApplication::exec();
    EXPECT_FALSE(stuck) << "the shown about box held the program open after the main window closed";
}
