// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The window on a history server: the History page shows every scanner's
// records with the one that saw each computer last, and a choice limits it
// to one scanner; Options, History store sets where the history goes.
#include "WindowFixture.h"
#include "tests/history/ServerFixture.h"

#include "history/ServerHistory.h"
#include "window/ComputerHistoryModel.h"
#include "window/HistorySheet.h"
#include "window/HistoryStoreDialog.h"

#include <QAction>
#include <QComboBox>
#include <QRadioButton>
#include <QTableView>

namespace {

TestRecord seen(int minutesAgo, std::vector<int> octets)
{
    const QDateTime end = QDateTime::currentDateTime().addSecs(-60 * minutesAgo);
    TestRecord test{QStringLiteral("192.0.2.1-20"), 1, end.addSecs(-5), end, true, {}};
    for (int octet : octets) test.computers.push_back({QStringLiteral("192.0.2.%1").arg(octet), true, {}, {}, false, {}});
    return test;
}

} // namespace

class ServerWindow : public ServerFixture {
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        for (const auto& [scanner, test] : {std::pair{"alpha", seen(30, {1, 2})}, std::pair{"bravo", seen(10, {2, 3})}}) {
            ServerHistory history(uri(), QLatin1String(scanner), spoolFile(), 365);
            ASSERT_TRUE(history.record({test}) && history.waiting() == 0) << history.lastError().toStdString();
        }
        ASSERT_TRUE(QDir::setCurrent(work.path()));
        Settings settings(work.path());
        ASSERT_TRUE(settings.setHistoryServer(uri()).isEmpty() && settings.setScannerName("window").isEmpty());
        try {
            window = std::make_unique<MainWindow>(dialogs, std::make_unique<Pinger>());
        } catch (const PingSocketError& e) {
            GTEST_SKIP() << "no ping socket can be opened here, so there is no window: " << e.what();
        }
        window->readSettings();
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        Settings settings(work.path());
        (void)settings.setHistoryServer({});
    }
    QString column(int column) const
    {
        QStringList cells;
        for (int row = 0; row < page()->model()->rowCount(); ++row)
            cells << page()->model()->index(row, column).data().toString();
        return cells.join(' ');
    }
    HistorySheet* page() const { return window->findChild<HistorySheet*>(QStringLiteral("historySheet")); }

    QTemporaryDir work;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

TEST_F(ServerWindow, historyPageShowsEveryScannerAndLimitsToOne)
{
    const std::pair<const char*, const char*> fields[] = {{"firstOctetEdit", "192"}, {"secondOctetEdit", "0"},
                                                          {"thirdOctetEdit", "2"},   {"rangeMinEdit", "1"},
                                                          {"rangeMaxEdit", "20"}};
    for (const auto& [name, text] : fields) window->findChild<QLineEdit*>(QLatin1String(name))->setText(QLatin1String(text));
    EXPECT_TRUE(QTest::qWaitFor([&] { return column(ComputerHistoryModel::Address) == "192.0.2.1 192.0.2.2 192.0.2.3"; }, 20000))
        << column(ComputerHistoryModel::Address).toStdString();
    EXPECT_EQ(column(ComputerHistoryModel::Scanner), "alpha bravo bravo") << "the scanner that saw it last";
    EXPECT_FALSE(page()->view()->isColumnHidden(ComputerHistoryModel::Scanner));
    QComboBox* choice = page()->scannerChoice();
    ASSERT_TRUE(choice->isVisibleTo(page()));
    EXPECT_EQ(choice->accessibleName(), "Records of");
    ASSERT_EQ(choice->count(), 3);
    EXPECT_EQ(choice->itemText(1), "alpha");
    choice->setFocus();
    QTest::keyClick(choice, Qt::Key_Down);  // the keyboard chooses alpha
    EXPECT_TRUE(QTest::qWaitFor([&] { return column(ComputerHistoryModel::Scanner) == "alpha alpha"; }, 20000))
        << column(ComputerHistoryModel::Scanner).toStdString();

    // Options, History store: back to this computer's file, and the scanner's name kept.
    auto* action = window->findChild<QAction*>(QStringLiteral("historyStoreAction"));
    ASSERT_TRUE(action);
    action->trigger();
    auto* dialog = window->findChild<HistoryStoreDialog*>(QStringLiteral("historyStoreDialog"));
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->serverChoice()->isChecked());
    EXPECT_EQ(dialog->uriEdit()->accessibleName(), "Server URI");
    EXPECT_EQ(dialog->scannerEdit()->text(), "window");
    dialog->uriEdit()->setText(QStringLiteral("postgresql://u:pw@/db"));
    EXPECT_TRUE(dialog->uriEdit()->accessibleDescription().contains("a password in the URI is refused"));
    dialog->fileChoice()->setChecked(true);
    dialog->accept();
    EXPECT_TRUE(Settings(work.path()).historyServer().isEmpty());
    EXPECT_EQ(Settings(work.path()).scannerName(), "window");
}
