// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history on a PostgreSQL server (Qt SQL's QPSQL driver): one
// connection, used on the thread that made the store. A test is one
// transaction under its scanner's lock, and takes the same rules as in the
// file (TestChanges); rows of a computer are written by upsert. A test whose
// identifier is already there is taken as confirmed and not written again.
#pragma once

#include "history/ComputerHistory.h"
#include "history/HistoryRange.h"
#include "history/KnownComputers.h"
#include "history/TestRecord.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ServerHistoryStore {
public:
    // scanner: the name each test carries.
    ServerHistoryStore(QString uri, QString scanner, int keepDays);
    ~ServerHistoryStore();
    ServerHistoryStore(const ServerHistoryStore&) = delete;
    ServerHistoryStore& operator=(const ServerHistoryStore&) = delete;

    // Connects and checks (or creates) the tables. False: lastError (libpq's
    // or the schema's reason); nothing is written then.
    [[nodiscard]] bool open();
    bool isOpen() const { return m_open; }
    void close();

    // One test, its pieces in one transaction, with the older rows of this
    // scanner pruned first when prune is set. uid: the test's identifier.
    // learned: the MACs it saw first and the MACs that moved, as in the file.
    [[nodiscard]] bool record(const QString& uid, const std::vector<TestRecord>& pieces, bool prune,
                              KnownSightings* learned = nullptr);
    // Works on the known computers, as HistoryStore::known does: a write in one transaction.
    [[nodiscard]] bool known(bool write, const std::function<bool(KnownComputers&)>& work);
    // Every scanner's computers of the range, or only those of fromScanner.
    [[nodiscard]] std::optional<std::vector<ComputerHistory>> computers(const HistoryRange& range, const QDateTime& now,
                                                                        const QString& fromScanner = {});

    QString lastError() const { return m_error; }
    // The last record failed as the server refused the test's data (a
    // constraint, a value it cannot take) or it is no test: sending it again
    // will not mend it, unlike a server away, a password or a schema.
    bool refused() const { return m_refused; }
    QString uri() const { return m_uri; }
    QString scanner() const { return m_scanner; }
    void setKeepDays(int days) { m_keepDays = days; }

private:
    struct Statements;
    bool fail(const QString& reason);
    bool refuse(const QString& reason);
    bool write(const QString& uid, const TestRecord& test);
    bool pruneBefore(qint64 reference);

    QString m_uri;
    QString m_scanner;
    int m_keepDays;
    QString m_connection;
    QSqlDatabase m_database;
    std::unique_ptr<Statements> m_statements;
    bool m_open = false;
    bool m_refused = false;
    QString m_error;
};
