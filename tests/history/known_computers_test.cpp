// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: a history of the previous version that loses a row, a MAC or a name when its tables gain the known
// computers, or whose MACs then count as new; a MAC taken as new twice, a MAC of several addresses taken as moved,
// a move not kept or shown; a name by MAC or address not shown, or not forgotten.
#include "history/HistoryReader.h"
#include "tests/history/HistoryFixture.h"
#include "tests/QtPrinters.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace {

// Every row of a table, as text, in a stable order.
QStringList rowsOf(const QString& path, const QString& table)
{
    const QString name = QUuid::createUuid().toString();
    QStringList rows;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(path);
        EXPECT_TRUE(database.open());
        QSqlQuery query(database);
        EXPECT_TRUE(query.exec(QStringLiteral("SELECT * FROM %1").arg(table)));
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < query.record().count(); ++i) fields << query.value(i).toString();
            rows << fields.join(u'|');
        }
    }
    QSqlDatabase::removeDatabase(name);
    rows.sort();
    return rows;
}

TestRecord sighted(qint64 minute, const std::vector<std::pair<int, const char*>>& macs)
{
    TestRecord test = testRecord({minute, true, {}});
    for (const auto& [octet, mac] : macs) test.computers.push_back({address(octet), false, {}, QLatin1String(mac), true, {}});
    return test;
}

} // namespace

TEST(KnownComputers, shouldTakeAHistoryOfThePreviousVersionOnWithNothingLostAndItsMacsKnown)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SOURCE_DIR "/tests/history/history-version2.sqlite"), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    const QStringList tables{QStringLiteral("tests"), QStringLiteral("computers"), QStringLiteral("changes")};
    std::vector<QStringList> before;
    for (const QString& table : tables) before.push_back(rowsOf(path, table));
    ASSERT_EQ(before[1].size(), 12);
    {
        HistoryStore store(path);
        ASSERT_EQ(store.open(), HistoryStore::Opened::Ready) << store.lastError().toStdString();
    }
    for (qsizetype i = 0; i < tables.size(); ++i) EXPECT_EQ(rowsOf(path, tables[i]), before[size_t(i)]) << tables[i].toStdString();
    const QStringList known = rowsOf(path, QStringLiteral("known_computers"));
    EXPECT_EQ(known.size(), 7) << "one row per MAC of the computers kept";
    EXPECT_TRUE(known.filter(QStringLiteral("00:1c:42:5c:a1:40||")).size() == 1) << known.join('\n').toStdString();
    // A test of the lab's LAN again: none of its MACs is new.
    HistoryStore store(path);
    ASSERT_EQ(store.open(), HistoryStore::Opened::Ready);
    TestRecord again{QStringLiteral("198.51.100.1-254"), 1, QDateTime::currentDateTime(), QDateTime::currentDateTime(), true, {}};
    again.computers.push_back({QStringLiteral("198.51.100.40"), false, {}, QStringLiteral("00:1c:42:5c:a1:40"), true, {}});
    KnownSightings learned;
    ASSERT_TRUE(store.record({again}, false, &learned));
    EXPECT_TRUE(learned.newComputers.empty());
    EXPECT_TRUE(learned.moves.empty());
}

TEST(KnownComputers, shouldTellNewMacsOnceAndMovesOfAMacThatLeftItsAddress)
{
    TemporaryHistory history;
    const struct {
        TestRecord test;
        std::vector<QString> newMacs;
        std::vector<std::pair<QString, QString>> moves;  // from, to
    } rows[] = {
        {sighted(0, {{5, "00:1c:42:00:00:05"}, {6, "02:00:00:00:00:10"}, {7, "02:00:00:00:00:10"}}),
         {"00:1c:42:00:00:05", "02:00:00:00:00:10"}, {}},
        {sighted(1, {{5, "00:1c:42:00:00:05"}, {7, "02:00:00:00:00:10"}}), {}, {}},  // still at one of its addresses
        {sighted(2, {{9, "00:1c:42:00:00:05"}, {7, "02:00:00:00:00:10"}}), {}, {{address(5), address(9)}}},
        {sighted(3, {{9, "00:1c:42:00:00:05"}, {8, "00:1c:42:00:00:08"}}), {"00:1c:42:00:00:08"}, {}},
    };
    for (const auto& row : rows) {
        KnownSightings learned;
        ASSERT_TRUE(history.store.record({row.test}, false, &learned)) << history.store.lastError().toStdString();
        std::vector<QString> macs;
        for (const NewComputer& computer : learned.newComputers) macs.push_back(computer.mac);
        EXPECT_EQ(macs, row.newMacs);
        std::vector<std::pair<QString, QString>> moves;
        for (const ComputerMove& move : learned.moves) moves.emplace_back(move.from, move.to);
        EXPECT_EQ(moves, row.moves);
    }
    const std::optional<ComputerHistory> moved = history.computer(9, 3);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->moved, HistoryReader::moveText(0xC0000205, 0xC0000209, at(2)));
    EXPECT_EQ(HistoryReader::moveText(0xC0000217, 0xC0000239, QDateTime(QDate(2026, 1, 1), QTime(14, 5))),
              "moved from .23 to .57 at 14:05");
}

TEST(KnownComputers, shouldShowANameGivenByMacOrAddressUntilItIsForgotten)
{
    TemporaryHistory history;
    ASSERT_TRUE(history.store.record({sighted(0, {{5, "00:1c:42:00:00:05"}}), testRecord({0, true, {6}})}));
    const auto change = [&](const QString& key, const QString& label) {
        bool found = false;
        return history.store.known(true, [&](KnownComputers& known) {
            return label.isEmpty() ? known.forget(key, &found) : known.name(key, label, QStringLiteral("a note"));
        });
    };
    const struct {
        QString key, label;
        QString shownAt5, shownAt6;
    } rows[] = {
        {"00:1C:42:00:00:05", "Printer", "Printer", ""},
        {address(6), "Router's box", "Printer", "Router's box"},
        {address(5), "By address", "Printer", "Router's box"},  // the MAC's name comes first
        {"00:1c:42:00:00:05", "", "By address", "Router's box"},
        {address(6), "", "By address", ""},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(change(row.key, row.label)) << history.store.lastError().toStdString();
        EXPECT_EQ(history.computer(5, 1)->label, row.shownAt5) << row.key.toStdString();
        EXPECT_EQ(history.computer(6, 1)->label, row.shownAt6) << row.key.toStdString();
    }
    EXPECT_FALSE(change(QStringLiteral("not a key"), QStringLiteral("x")));
}
