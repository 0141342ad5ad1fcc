// Catches: octet fields left invalid or a line break kept in any field; spinners that pass their ends;
// settings read into the wrong fields, unclamped, or not written back as seven lines; a list saved
// in the wrong place or said saved when it was not; a handler's error escaping; a broken tab order.
#include "tests/window/WindowFixture.h"

#include <QFile>
#include <QTabWidget>
#include <QToolButton>

namespace {
const QString Octet = QStringLiteral("Correct range is 0..255");
const QString Host = QStringLiteral("Correct range is 1..254");

QByteArray fileBytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}
} // namespace

TEST_F(WindowFixture, shouldKeepEveryFieldValidAndOnOneLine)
{
    struct Row {
        const char *field, *before, *pasted, *shown;
        QString message;
    };
    const Row rows[] = {
        {"firstOctetEdit", "100", "256", "100", Octet}, {"firstOctetEdit", "100", "-1", "100", Octet},
        {"firstOctetEdit", "100", "abc", "100", Octet}, {"fourthOctetEdit", "10", "0", "10", Host},
        {"fourthOctetEdit", "10", "255", "10", Host},   {"secondOctetEdit", "5", "", "0", {}},
        {"fourthOctetEdit", "10", "", "1", {}},         {"thirdOctetEdit", "5", "007", "7", {}},
        {"thirdOctetEdit", "5", "$1F", "31", {}},       {"thirdOctetEdit", "5", " 12", "12", {}},
        {"thirdOctetEdit", "5", "12 ", "5", Octet},     {"firstOctetEdit", "1", "7\n200", "7", {}},
        {"fourthOctetEdit", "1", "7\r\n200", "7", {}},  {"hostNameEdit", "", "alpha\nbeta", "alpha", {}},
        {"rangeMinEdit", "1", "7\n200", "7", {}},       {"rangeMaxEdit", "254", "300", "300", {}},
        {"repeatEdit", "5", "1\n2", "1", {}},
    };
    find<QTabWidget>("sheets")->setCurrentIndex(2);
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.field) + " <- " + row.pasted);
        edit(row.field)->setText(QLatin1String(row.before));
        dialogs.messages.clear();
        paste(edit(row.field), QString::fromLatin1(row.pasted));
        EXPECT_EQ(edit(row.field)->text(), QLatin1String(row.shown));
        EXPECT_EQ(dialogs.messages, row.message.isEmpty() ? QStringList{} : QStringList{row.message});
    }
    const TestParameters& parameters = window->scanController().parameters();
    EXPECT_EQ(parameters.octet1 * 1000 + parameters.octet3, 7005);
    EXPECT_EQ(parameters.rangeMax.load(), 254);  // 300 is no value of its spinner

    // The arrows and the Up and Down keys stop at the ends.
    edit("firstOctetEdit")->setText(QStringLiteral("254"));
    for (int i = 0; i < 2; ++i) QTest::mouseClick(find("firstOctetSpinner")->findChildren<QToolButton*>()[0], Qt::LeftButton);
    edit("fourthOctetEdit")->setText(QStringLiteral("2"));
    for (int i = 0; i < 2; ++i) QTest::keyClick(edit("fourthOctetEdit"), Qt::Key_Down);
    EXPECT_EQ(octets(), (QStringList{"255", "0", "5", "1"}));
    EXPECT_EQ(parameters.octet1.load(), 255);
}

TEST_F(WindowFixture, shouldReadTheSettingsIntoTheirFieldsAndWriteThemBackAsSevenLines)
{
    // No file: the defaults, not the design values.
    EXPECT_EQ(octets() << edit("rangeMinEdit")->text() << edit("rangeMaxEdit")->text() << edit("repeatEdit")->text(),
              (QStringList{"1", "1", "1", "1", "1", "254", "1"}));
    paste(edit("firstOctetEdit"), QStringLiteral("10"));
    paste(edit("rangeMinEdit"), QStringLiteral(" 7\n200"));
    window->close();
    EXPECT_EQ(fileBytes(QStringLiteral("Scanvet.cfg")), QByteArray("10\r\n1\r\n1\r\n1\r\n7\r\n254\r\n1\r\n"));

    QFile cfg(QStringLiteral("Scanvet.cfg"));
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
    cfg.write("300\n 8\r\n-5\n0\nabc\n3\n99\n");
    cfg.close();
    open();
    EXPECT_EQ(octets(), (QStringList{"255", "8", "0", "1"}));
    // Reading stops at the bad line: the range and the period keep their design values.
    EXPECT_EQ(dialogs.errors, QStringList{QStringLiteral("'abc' is not a valid integer value.")});
    EXPECT_EQ(edit("rangeMinEdit")->text() + edit("rangeMaxEdit")->text() + edit("repeatEdit")->text(), "12545");
}

TEST_F(WindowFixture, shouldSaveTheListsWhereTheUserChoseAndSayWhenItCannot)
{
    button("saveFoundButton")->click();
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("There aren't items to save in this ListView")});
    EXPECT_TRUE(dialogs.proposals.isEmpty());

    QDir(work.path()).mkdir(QStringLiteral("out"));
    const QString sheet = work.path() + QStringLiteral("/out/sheet");
    dialogs.saveAs = sheet;
    button("saveResultsButton")->click();
    button("saveResultsButton")->click();
    EXPECT_EQ(fileBytes(sheet + ".txt"), QByteArray());
    EXPECT_EQ(dialogs.proposals, (QStringList{"Save Scanvet Results|ScanvetStatus", "Save Scanvet Results|" + sheet + ".txt"}));
    dialogs.saveAs = sheet + ".txt/inside";
    button("saveResultsButton")->click();
    EXPECT_EQ(dialogs.messages.last(), QStringLiteral("Cannot save file ") + sheet + ".txt/inside.txt");

    // The working folder follows the saved file, and the settings file with it.
    window->close();
    EXPECT_TRUE(QFile::exists(work.path() + QStringLiteral("/out/Scanvet.cfg")));
}

TEST_F(WindowFixture, shouldShowAHandlersErrorInTheErrorBoxAndCarryOn)
{
    dialogs.failNextMessage = true;
    button("saveFoundButton")->click();
    button("saveFoundButton")->click();
    EXPECT_EQ(dialogs.errors, QStringList{QStringLiteral("Handler failed.")});
    EXPECT_EQ(dialogs.messages.size(), 2);
}

TEST_F(WindowFixture, shouldReachEveryControlOfEverySheetByTab)
{
    EXPECT_EQ(QApplication::focusWidget(), edit("firstOctetEdit"));
    const QString top = QStringLiteral("firstOctetEdit secondOctetEdit thirdOctetEdit fourthOctetEdit hostNameEdit "
                                       "solveButton localAddressButton pingButton runStopButton qt_tabwidget_tabbar ");
    const QString sheets[] = {"foundView clearFoundButton saveFoundButton", "resultSheet saveResultsButton clearResultsButton",
                              "repeatEdit rangeMinEdit rangeMaxEdit onlyRepliesCheck QRadioButton QRadioButton"};
    for (int sheet = 0; sheet < 3; ++sheet) {
        find<QTabWidget>("sheets")->setCurrentIndex(sheet);
        edit("firstOctetEdit")->setFocus();
        QStringList order;
        do {
            QWidget* w = QApplication::focusWidget();
            order << (w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName());
            QTest::keyClick(w, Qt::Key_Tab);
        } while (QApplication::focusWidget() != edit("firstOctetEdit") && order.size() < 40);
        EXPECT_EQ(order.join(' '), top + sheets[sheet]);
    }
}
