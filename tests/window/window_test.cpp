// Catches: octet fields left invalid or a line break kept in any field; spinners that pass their ends;
// settings read into the wrong fields, unclamped, or not written back as seven lines; a list saved
// in the wrong place or said saved when it was not; a handler's error escaping; a broken tab order.
#include "tests/window/WindowFixture.h"

#include <QFile>
#include <QTabWidget>
#include <QToolButton>

namespace {
QByteArray fileBytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}
} // namespace

TEST_F(WindowFixture, shouldKeepEveryFieldValidAndOnOneLine)
{
    const QString octet = QStringLiteral("Correct range is 0..255"), host = QStringLiteral("Correct range is 1..254");
    const struct {
        const char *field, *before, *pasted, *shown;
        QString message;
    } rows[] = {
        {"firstOctetEdit", "100", "256", "100", octet}, {"firstOctetEdit", "100", "-1", "100", octet},
        {"firstOctetEdit", "100", "abc", "100", octet}, {"fourthOctetEdit", "10", "0", "10", host},
        {"fourthOctetEdit", "10", "255", "10", host},   {"secondOctetEdit", "5", "", "0", {}},
        {"fourthOctetEdit", "10", "", "1", {}},         {"thirdOctetEdit", "5", "007", "7", {}},
        {"thirdOctetEdit", "5", "$1F", "31", {}},       {"thirdOctetEdit", "5", " 12", "12", {}},
        {"thirdOctetEdit", "5", "12 ", "5", octet},     {"firstOctetEdit", "1", "7\n200", "7", {}},
        {"fourthOctetEdit", "1", "7\r\n200", "7", {}},  {"hostNameEdit", "", "alpha\nbeta", "alpha", {}},
        {"rangeMinEdit", "1", "7\n200", "7", {}},       {"rangeMaxEdit", "254", "300", "300", {}},
        {"repeatEdit", "5", "1\n2", "1", {}},
    };
    find<QTabWidget>("sheets")->setCurrentIndex(2);
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.field) + " <- " + row.pasted);
        find(row.field)->setText(QLatin1String(row.before));
        dialogs.messages.clear();
        paste(find(row.field), QString::fromLatin1(row.pasted));
        EXPECT_EQ(find(row.field)->text(), QLatin1String(row.shown));
        EXPECT_EQ(dialogs.messages, row.message.isEmpty() ? QStringList{} : QStringList{row.message});
    }
    const TestParameters& parameters = window->scanController().parameters();
    EXPECT_EQ(parameters.octet1 * 1000 + parameters.octet3, 7005);
    EXPECT_EQ(parameters.rangeMax.load(), 254);  // 300 is no value of its spinner

    // The arrows and the Up and Down keys stop at the ends.
    find("firstOctetEdit")->setText(QStringLiteral("254"));
    QToolButton* up = find<QWidget>("firstOctetSpinner")->findChildren<QToolButton*>()[0];
    for (int i = 0; i < 2; ++i) QTest::mouseClick(up, Qt::LeftButton);
    find("fourthOctetEdit")->setText(QStringLiteral("2"));
    for (int i = 0; i < 2; ++i) QTest::keyClick(find("fourthOctetEdit"), Qt::Key_Down);
    EXPECT_EQ(octets(), QStringLiteral("255 0 5 1"));
    EXPECT_EQ(parameters.octet1.load(), 255);
}

TEST_F(WindowFixture, shouldReadTheSettingsIntoTheirFieldsAndWriteThemBackAsSevenLines)
{
    const auto all = [this] { return octets() + ' ' + texts({"rangeMinEdit", "rangeMaxEdit", "repeatEdit"}); };
    EXPECT_EQ(all(), QStringLiteral("1 1 1 1 1 254 1"));  // no file: the file's defaults, not the window's own
    paste(find("firstOctetEdit"), QStringLiteral("10"));
    paste(find("rangeMinEdit"), QStringLiteral(" 7\n200"));
    window->close();
    EXPECT_EQ(fileBytes(QStringLiteral("Scanvet.cfg")), QByteArray("10\r\n1\r\n1\r\n1\r\n7\r\n254\r\n1\r\n"));

    QFile cfg(QStringLiteral("Scanvet.cfg"));
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly) && cfg.write("300\n 8\r\n-5\n0\nabc\n3\n99\n") > 0);
    cfg.close();
    open();
    // Reading stops at the bad line: the range and the period keep the values the window starts with.
    EXPECT_EQ(all(), QStringLiteral("255 8 0 1 1 254 5"));
    EXPECT_EQ(dialogs.errors, QStringList{QStringLiteral("'abc' is not a valid integer value.")});
}

TEST_F(WindowFixture, shouldSaveTheListsWhereTheUserChoseAndSayWhenItCannot)
{
    button("saveFoundButton")->click();
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("There aren't items to save in this ListView")});
    EXPECT_TRUE(dialogs.proposals.isEmpty());

    ASSERT_TRUE(QDir(work.path()).mkdir(QStringLiteral("out")));
    const QString sheet = work.path() + QStringLiteral("/out/sheet");
    dialogs.saveAs = sheet;
    for (int i = 0; i < 2; ++i) button("saveResultsButton")->click();
    EXPECT_EQ(fileBytes(sheet + ".txt"), QByteArray());
    EXPECT_EQ(dialogs.proposals.join(' '), "Save Scanvet Results|ScanvetStatus Save Scanvet Results|" + sheet + ".txt");
    dialogs.saveAs = sheet + ".txt/inside";
    button("saveResultsButton")->click();
    EXPECT_EQ(dialogs.messages.last(), "Cannot save file " + sheet + ".txt/inside.txt");
    // The working folder follows the saved file, and the settings file with it.
    window->close();
    EXPECT_TRUE(QFile::exists(work.path() + QStringLiteral("/out/Scanvet.cfg")));
}

TEST_F(WindowFixture, shouldShowAHandlersErrorInTheErrorBoxAndCarryOn)
{
    dialogs.failNextMessage = true;
    for (int i = 0; i < 2; ++i) button("saveFoundButton")->click();
    EXPECT_EQ(dialogs.errors, QStringList{QStringLiteral("Handler failed.")});
    EXPECT_EQ(dialogs.messages.size(), 2);
}

TEST_F(WindowFixture, shouldReachEveryControlOfEverySheetByTab)
{
    EXPECT_EQ(QApplication::focusWidget(), find("firstOctetEdit"));
    const QString top = QStringLiteral("firstOctetEdit secondOctetEdit thirdOctetEdit fourthOctetEdit hostNameEdit "
                                       "solveButton localAddressButton pingButton runStopButton qt_tabwidget_tabbar ");
    const QString sheets[] = {"foundView clearFoundButton saveFoundButton",
                              "resultSheet saveResultsButton clearResultsButton",
                              "repeatEdit rangeMinEdit rangeMaxEdit onlyRepliesCheck QRadioButton QRadioButton"};
    for (int sheet = 0; sheet < 3; ++sheet) {
        find<QTabWidget>("sheets")->setCurrentIndex(sheet);
        find("firstOctetEdit")->setFocus();
        QStringList order;
        for (QWidget* w = QApplication::focusWidget(); order.size() < 40; w = QApplication::focusWidget()) {
            order << (w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName());
            QTest::keyClick(w, Qt::Key_Tab);
            if (QApplication::focusWidget() == find("firstOctetEdit")) break;
        }
        EXPECT_EQ(order.join(' '), top + sheets[sheet]);
    }
}
