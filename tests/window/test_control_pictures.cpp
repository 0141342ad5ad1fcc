// The list and the gauge draw less often and reuse what they drew; what the
// user sees must stay the same.
#include "WindowFixture.h"

#include "window/Controls.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <QListWidget>
#include <QStyledItemDelegate>

namespace {

QString Entry(const char* text) { return QString::fromLatin1(text).leftJustified(41); }

// The list as it shows now, and as Qt's plain delegate would draw it.
std::pair<QImage, QImage> ShownAndPlain(TListView& list)
{
    QCoreApplication::processEvents();
    const QImage shown = list.View()->grab().toImage();
    QAbstractItemDelegate* own = list.View()->itemDelegate();
    QStyledItemDelegate plain;
    list.View()->setItemDelegate(&plain);
    QCoreApplication::processEvents();
    const QImage drawn = list.View()->grab().toImage();
    list.View()->setItemDelegate(own);
    QCoreApplication::processEvents();
    return {shown, drawn};
}

class Paints : public QObject {
public:
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++Count;
        return false;
    }
};

} // namespace

TEST(ListPictures, shouldLookAsPlainEntriesThroughRenamesImagesAndSelection)
{
    TListView list(nullptr);
    list.resize(700, 200);
    list.show();
    list.Add(Entry("198.51.100.5"));
    list.Add(Entry("198.51.100.10"));
    list.Add(Entry("198.51.100.50"));
    {
        const auto [shown, plain] = ShownAndPlain(list);
        EXPECT_EQ(shown, plain);
    }
    // Drawn before; now with a name longer than the field, another image and
    // a selection: nothing of the old pictures may show.
    list.SetText(1, Entry("198.51.100.10 a-rather-long-host-name.lab.example"));
    list.SetImageIndex(2, 1);
    list.View()->setCurrentRow(0);
    {
        const auto [shown, plain] = ShownAndPlain(list);
        EXPECT_EQ(shown, plain);
    }
    QStyledItemDelegate plain;
    QStyleOptionViewItem option;
    option.initFrom(list.View());
    option.font = list.View()->font();
    option.decorationSize = list.View()->iconSize();
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    const QModelIndex renamed = list.View()->model()->index(1, 0);
    EXPECT_EQ(list.View()->itemDelegate()->sizeHint(option, renamed), plain.sizeHint(option, renamed));
}

// Lets more than a screen frame pass, so that the next change shows at once.
void LetAFramePass()
{
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 40) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(GaugePictures, shouldRepaintWhenThePercentChangesOnly)
{
    TGauge gauge(nullptr);
    gauge.resize(400, 19);
    gauge.SetMinValue(1);
    gauge.SetMaxValue(254);
    gauge.SetProgress(1);
    gauge.show();
    Paints paints;
    gauge.installEventFilter(&paints);
    LetAFramePass();

    paints.Count = 0;
    gauge.SetProgress(2);   // still 0 %
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.Count, 0);
    gauge.SetProgress(4);   // 1 %, after a quiet frame: at once
    QCoreApplication::processEvents();
    EXPECT_GE(paints.Count, 1);
    paints.Count = 0;
    gauge.SetMaxValue(100);  // the range changes the picture too; within the frame
    EXPECT_TRUE(QTest::qWaitFor([&] { return paints.Count >= 1; }, 5000));
}

TEST(StatusBarPictures, shouldShowTheLastOfARunOfTextsWithoutPaintingEachOne)
{
    TStatusBar bar(nullptr);
    bar.resize(600, 19);
    bar.show();
    Paints paints;
    bar.installEventFilter(&paints);
    LetAFramePass();

    paints.Count = 0;
    const int texts = 200;
    for (int i = 1; i <= texts; ++i) {
        bar.SetSimpleText(QStringLiteral("Sending ping to 198.51.100.%1 Timeout or not found").arg(i));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(bar.SimpleText(), QStringLiteral("Sending ping to 198.51.100.200 Timeout or not found"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.text() == bar.SimpleText(); }, 5000));
    // Each text painted would be one paint per event loop pass.
    EXPECT_LT(paints.Count, texts / 4);
    EXPECT_GE(paints.Count, 1);
}

TEST(ListPictures, shouldGatherABurstOfEntriesIntoFewPaintsAndShowThemAll)
{
    TListView list(nullptr);
    list.resize(700, 300);
    list.show();
    Paints paints;
    list.View()->viewport()->installEventFilter(&paints);
    LetAFramePass();

    paints.Count = 0;
    const int entries = 60;
    for (int i = 1; i <= entries; ++i) {
        list.Add(Entry(QStringLiteral("198.51.100.%1").arg(i).toLatin1().constData()));
        if (i % 2 == 0) list.SetText(i - 2, Entry(QStringLiteral("198.51.100.%1 host%1.lab").arg(i - 1).toLatin1().constData()));
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.View()->updatesEnabled(); }, 5000));
    QCoreApplication::processEvents();
    // One paint per change would be one per event loop pass.
    EXPECT_LT(paints.Count, entries / 4);
    EXPECT_GE(paints.Count, 1);
    const auto [shown, plain] = ShownAndPlain(list);
    EXPECT_EQ(shown, plain);
}
