// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history file: one SQLite connection, used on the thread that made the
// store. Every test is one transaction, every value a bound parameter. A file
// that cannot be used is reported (lastError: the file and SQLite's reason)
// and left as it was: the store never overwrites, moves or deletes it.
#pragma once

#include "history/ComputerHistory.h"
#include "history/HistoryRange.h"
#include "history/AnsweringChanges.h"
#include "history/TestRecord.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class HistoryStore {
public:
    static constexpr int DefaultKeepDays = 90;
    static constexpr int DefaultBusyTimeoutMs = 5000;
    enum class Access { CreateIfMissing, ExistingOnly };
    enum class Opened { Ready, Absent, Failed };

    // keepDays: 7, 30, 90 or 365; 0 is off: nothing is written, and an
    // absent file is not made. busyTimeoutMs: how long a write waits for
    // another program's.
    explicit HistoryStore(QString path, int keepDays = DefaultKeepDays, int busyTimeoutMs = DefaultBusyTimeoutMs);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Makes the file and its folder if missing (with CreateIfMissing and
    // keepDays above 0). Absent: no file and none made.
    [[nodiscard]] Opened open(Access access = Access::CreateIfMissing);
    bool isOpen() const { return m_statements != nullptr; }
    // Its WAL goes into the file; open() again to go on.
    void close();

    // One transaction. None on failure (lastError); an empty outcome when off.
    [[nodiscard]] std::optional<AnsweringChanges> record(const TestRecord& test);
    // All of them in one transaction (imports and benchmarks); false on failure.
    [[nodiscard]] bool recordAll(const std::vector<TestRecord>& tests);
    // Removes what is older than keepDays before now: tests, changes and
    // daily round trips; a computer with everything of it once its last
    // sighting is that old. A computer still seen keeps its first sighting.
    [[nodiscard]] bool prune(const QDateTime& now);

    // Every computer kept whose address lies in range, by address.
    [[nodiscard]] std::optional<std::vector<ComputerHistory>> computers(const HistoryRange& range, const QDateTime& now);
    // Its round trips per local day, oldest first.
    [[nodiscard]] std::optional<std::vector<DailyRoundTrip>> roundTrips(const QString& address);

    QString lastError() const { return m_error; }
    QString path() const { return m_path; }
    int keepDays() const { return m_keepDays; }
    void setKeepDays(int days) { m_keepDays = days; }

private:
    struct Statements;
    bool fail(const QString& reason);
    bool failNotOpen();
    bool inTransaction(const std::function<bool()>& work);
    bool write(const TestRecord& test, AnsweringChanges& outcome);

    QString m_path;
    int m_keepDays;
    int m_busyTimeoutMs;
    QString m_connection;
    QSqlDatabase m_database;
    std::unique_ptr<Statements> m_statements;
    QString m_error;
    QString m_openFailure;  // why the last open failed
};
