// Catches: octet fields left invalid or a line break kept in a field; spinners that wrap or pass
// their ends; settings read into the wrong fields, not clamped, or not written back as seven lines;
// saved lists in the wrong place or reported saved when they were not; a handler's error escaping;
// a tab order or accelerator that skips or clashes.
#include "tests/window/WindowFixture.h"

#include <QFile>
#include <QTabWidget>
#include <QToolButton>

namespace {
const QString OctetMessage = QStringLiteral("Correct range is 0..255");
const QString HostMessage = QStringLiteral("Correct range is 1..254");
} // namespace

TEST_F(WindowFixture, shouldKeepEveryFieldValidAndOnOneLine)
{
    struct Row {
        const char* field;
        const char* before;
        const char* pasted;
        const char* shown;
        QString message;
    };
    const Row rows[] = {
        {"firstOctetEdit", "100", "256", "100", OctetMessage}, {"firstOctetEdit", "100", "-1", "100", OctetMessage},
        {"firstOctetEdit", "100", "abc", "100", OctetMessage}, {"fourthOctetEdit", "10", "0", "10", HostMessage},
        {"fourthOctetEdit", "10", "255", "10", HostMessage},   {"secondOctetEdit", "5", "", "0", {}},
        {"fourthOctetEdit", "10", "", "1", {}},                {"thirdOctetEdit", "5", "007", "7", {}},
        {"thirdOctetEdit", "5", "$1F", "31", {}},              {"thirdOctetEdit", "5", " 12", "12", {}},
        {"thirdOctetEdit", "5", "12 ", "5", OctetMessage},     {"firstOctetEdit", "1", "7\n200", "7", {}},
        {"fourthOctetEdit", "1", "7\r\n200", "7", {}},         {"hostNameEdit", "", "alpha\nbeta", "alpha", {}},
        {"rangeMinEdit", "1", "7\n200", "7", {}},              {"rangeMaxEdit", "254", "300", "300", {}},
        {"repeatEdit", "5", "1\n2", "1", {}},
    };
    find<QTabWidget>("sheets")->setCurrentIndex(2);
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.field) + " <- " + row.pasted);
        QLineEdit* field = edit(row.field);
        field->setText(QLatin1String(row.before));
        dialogs.messages.clear();
        paste(field, QString::fromLatin1(row.pasted));
        EXPECT_EQ(field->text(), QLatin1String(row.shown));
        EXPECT_EQ(dialogs.messages, row.message.isEmpty() ? QStringList{} : QStringList{row.message});
    }
    const TestParameters& parameters = window->scanController().parameters();
    EXPECT_EQ(parameters.octet1.load(), 7);
    EXPECT_EQ(parameters.octet3.load(), 5);
    EXPECT_EQ(parameters.rangeMax.load(), 254);  // 300 is no value of its spinner
}

TEST_F(WindowFixture, shouldStopArrowsAndKeysAtTheEndsOfTheRange)
{
    const auto arrow = [this](const char* spinner, int index) {
        QTest::mouseClick(find(spinner)->findChildren<QToolButton*>().at(index), Qt::LeftButton);
    };
    edit("firstOctetEdit")->setText(QStringLiteral("254"));
    for (int i = 0; i < 2; ++i) arrow("firstOctetSpinner", 0);
    EXPECT_EQ(edit("firstOctetEdit")->text(), QStringLiteral("255"));
    edit("fourthOctetEdit")->setText(QStringLiteral("2"));
    for (int i = 0; i < 2; ++i) QTest::keyClick(edit("fourthOctetEdit"), Qt::Key_Down);
    EXPECT_EQ(edit("fourthOctetEdit")->text(), QStringLiteral("1"));
    EXPECT_EQ(window->scanController().parameters().octet1.load(), 255);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(WindowFixture, shouldReadTheSettingsIntoTheirFieldsAndWriteThemBackAsSevenLines)
{
    // No file: the defaults, not the design values.
    EXPECT_EQ(octets(), (QStringList{"1", "1", "1", "1"}));
    EXPECT_EQ(edit("rangeMaxEdit")->text(), QStringLiteral("254"));
    EXPECT_EQ(edit("repeatEdit")->text(), QStringLiteral("1"));

    paste(edit("firstOctetEdit"), QStringLiteral("10"));
    paste(edit("rangeMinEdit"), QStringLiteral(" 7\n200"));
    window->close();
    EXPECT_EQ(fileBytes(QStringLiteral("Scanvet.cfg")), QByteArray("10\r\n1\r\n1\r\n1\r\n7\r\n254\r\n1\r\n"));

    QFile cfg(QStringLiteral("Scanvet.cfg"));
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
    cfg.write("300\n 8\r\n-5\n0\nabc\n3\n99\n");
    cfg.close();
    reopen();
    EXPECT_EQ(octets(), (QStringList{"255", "8", "0", "1"}));
    // Reading stops at the bad line: the range and the period keep their design values.
    EXPECT_EQ(dialogs.errors, QStringList{QStringLiteral("'abc' is not a valid integer value.")});
    EXPECT_EQ(edit("rangeMinEdit")->text() + edit("rangeMaxEdit")->text() + edit("repeatEdit")->text(),
              QStringLiteral("12545"));
}

TEST_F(WindowFixture, shouldSaveTheListsWhereTheUserChoseAndSayWhenItCannot)
{
    button("saveFoundButton")->click();
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("There aren't items to save in this ListView")});
    EXPECT_TRUE(dialogs.proposals.isEmpty());

    QDir(work.path()).mkdir(QStringLiteral("out"));
    dialogs.saveAs = work.path() + QStringLiteral("/out/sheet");
    button("saveResultsButton")->click();
    EXPECT_EQ(fileBytes(work.path() + QStringLiteral("/out/sheet.txt")), QByteArray());
    button("saveResultsButton")->click();
    EXPECT_EQ(dialogs.proposals, (QStringList{QStringLiteral("Save Scanvet Results|ScanvetStatus"),
                                              QStringLiteral("Save Scanvet Results|") + work.path() + "/out/sheet.txt"}));
    dialogs.saveAs = work.path() + QStringLiteral("/out/sheet.txt/inside");
    dialogs.messages.clear();
    button("saveResultsButton")->click();
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Cannot save file ") + *dialogs.saveAs + ".txt"});

    // The working folder follows the saved file, and the settings file with it.
    window->close();
    EXPECT_TRUE(QFile::exists(work.path() + QStringLiteral("/out/Scanvet.cfg")));
}

TEST_F(WindowFixture, shouldShowAHandlersErrorInTheErrorBoxAndCarryOn)
{
    dialogs.failNextMessage = true;
    button("saveFoundButton")->click();
    EXPECT_EQ(dialogs.errors, QStringList{QStringLiteral("Handler failed.")});
    button("saveFoundButton")->click();
    EXPECT_EQ(dialogs.messages.size(), 2);
}

TEST_F(WindowFixture, shouldReachEveryControlByTabAndItsAccelerator)
{
    auto* sheets = find<QTabWidget>("sheets");
    EXPECT_EQ(QApplication::focusWidget(), edit("firstOctetEdit"));
    QStringList order;
    for (int sheet = 0; sheet < 3; ++sheet) {
        sheets->setCurrentIndex(sheet);
        edit("firstOctetEdit")->setFocus();
        for (QWidget* w = QApplication::focusWidget(); order.size() < 60; w = QApplication::focusWidget()) {
            order << (w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName());
            QTest::keyClick(w, Qt::Key_Tab);
            if (QApplication::focusWidget() == edit("firstOctetEdit")) break;
        }
    }
    const QString top = QStringLiteral("firstOctetEdit secondOctetEdit thirdOctetEdit fourthOctetEdit hostNameEdit "
                                       "solveButton localAddressButton pingButton runStopButton qt_tabwidget_tabbar ");
    EXPECT_EQ(order.join(' '), top + "foundView clearFoundButton saveFoundButton " + top +
                                   "resultSheet saveResultsButton clearResultsButton " + top +
                                   "repeatEdit rangeMinEdit rangeMaxEdit onlyRepliesCheck QRadioButton QRadioButton");

    struct Key {
        int sheet;
        Qt::Key key;
        const char* pressed;
    };
    // Never the keys that ping or look up: outside the lab they would reach the network.
    const Key keys[] = {{0, Qt::Key_C, "clearFoundButton"},  {0, Qt::Key_S, "saveFoundButton"},
                        {1, Qt::Key_C, "clearResultsButton"}, {1, Qt::Key_S, "saveResultsButton"},
                        {2, Qt::Key_I, "solveButton"}};
    for (const Key& k : keys) {
        SCOPED_TRACE(k.pressed);
        sheets->setCurrentIndex(k.sheet);
        bool clicked = false;
        const auto connection = QObject::connect(button(k.pressed), &QPushButton::pressed, [&] { clicked = true; });
        QTest::keyClick(window.get(), k.key, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return clicked; }, 2000));
        QObject::disconnect(connection);
    }
}
