// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The tests waiting for a history server that is away: a small SQLite file
// of this computer (only its owner may read it), oldest first. A test stays
// in it until the server has confirmed it; its identifier lets the server
// take it once, also when a confirmation was lost. A test the server refuses
// for good is set aside in it, with the reason, so that the rest go on.
#pragma once

#include "history/TestRecord.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

class HistorySpool {
public:
    struct Entry {
        qint64 id = 0;
        QString uid;  // the test's identifier on the server
        std::vector<TestRecord> pieces;
    };

    explicit HistorySpool(QString path);
    ~HistorySpool();
    HistorySpool(const HistorySpool&) = delete;
    HistorySpool& operator=(const HistorySpool&) = delete;

    // False: lastError. The file and its folder are made at the first test
    // kept. With refused (the server's reason), the test is set aside at once.
    [[nodiscard]] bool add(const QString& uid, const std::vector<TestRecord>& pieces, const QString& refused = {});
    // None when nothing waits, or it cannot be read (lastError not empty
    // then). A test that cannot be read is set aside, and the next one given.
    [[nodiscard]] std::optional<Entry> oldest();
    [[nodiscard]] bool remove(qint64 id);
    // Moves a waiting test to those set aside, with why.
    [[nodiscard]] bool setAside(qint64 id, const QString& reason);
    // How many tests wait; 0 also where there is no file.
    qint64 count();
    // How many tests are set aside.
    qint64 setAsideCount();
    QString lastError() const { return m_error; }
    QString path() const { return m_path; }

    static QByteArray encode(const std::vector<TestRecord>& pieces);
    static std::optional<std::vector<TestRecord>> decode(const QByteArray& bytes);

private:
    bool open(bool make);
    bool fail(const QString& reason);
    qint64 countOf(const char* statement);

    QString m_path;
    QString m_connection;
    QSqlDatabase m_database;
    QString m_error;
};
