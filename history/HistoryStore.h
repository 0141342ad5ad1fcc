// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history file: one SQLite connection, used on the thread that made the
// store. Every test is one transaction, every value a bound parameter. A file
// that cannot be used is reported (lastError: the file and SQLite's reason)
// and left as it was: the store never overwrites, moves or deletes it. What
// it makes, only its owner may read: the folder 0700, the file 0600.
#pragma once

#include "history/ComputerHistory.h"
#include "history/HistoryRange.h"
#include "history/HistorySchema.h"
#include "history/KnownComputers.h"
#include "history/TestRecord.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <sys/types.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class HistoryStore {
public:
    static constexpr int DefaultKeepDays = 90;
    // How long a write waits for another program's: short, as a command line
    // at its end waits this long at most.
    static constexpr int DefaultBusyTimeoutMs = 2000;
    // Write: makes the file and its folder if missing. Read: read-only.
    enum class Access { Write, Read };
    enum class Opened { Ready, Absent, Failed };

    // keepDays: 7, 30, 90 or 365; 0 is off: nothing is written, and an
    // absent file is not made. busyTimeoutMs: how long a write waits for
    // another program's; giveUp, once set, ends that wait.
    explicit HistoryStore(QString path, int keepDays = DefaultKeepDays, int busyTimeoutMs = DefaultBusyTimeoutMs,
                          const std::atomic_bool* giveUp = nullptr);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Absent: no file (or an empty one) and none made.
    [[nodiscard]] Opened open(Access access = Access::Write);
    bool isOpen() const { return m_open; }
    bool isWritable() const { return m_open && m_writable; }
    // Its WAL goes into the file; open() again to go on.
    void close();
    // The file open is no longer at its path: deleted, moved or replaced.
    bool moved() const;

    // One test: its pieces (one per /24) in one transaction, all or none.
    // With prune, what is older than the kept days goes first, in the same
    // transaction. False on failure (lastError); true and nothing written when off.
    // learned: the MACs it saw first and the MACs that moved.
    [[nodiscard]] bool record(const std::vector<TestRecord>& pieces, bool prune = false, KnownSightings* learned = nullptr);
    // Removes what is older than keepDays before now, or before the newest
    // stored test where now lies ahead of it: a clock that runs ahead never
    // deletes. Tests and changes; a computer with everything of it once its
    // last sighting is that old. A computer still seen keeps its first sighting.
    [[nodiscard]] bool prune(const QDateTime& now);

    // Every computer kept whose address lies in range, by address; .0 and
    // .255 with a range from 1 or to 254 (see HistoryRange::withNetworkEnds).
    [[nodiscard]] std::optional<std::vector<ComputerHistory>> computers(const HistoryRange& range, const QDateTime& now);

    // Works on the known computers (see KnownComputers): a write in one
    // transaction. False on failure (lastError); a read of a file older than
    // them finds none without running work.
    [[nodiscard]] bool known(bool write, const std::function<bool(KnownComputers&)>& work);

    // A read of the open file by a function of HistoryQueries: false on failure (lastError).
    template<typename Read> [[nodiscard]] bool read(Read work)
    {
        if (!isOpen()) return failNotOpen();
        QString reason;
        return work(m_database, &reason) || fail(reason);
    }

    QString lastError() const { return m_error; }
    QString path() const { return m_path; }
    int keepDays() const { return m_keepDays; }
    void setKeepDays(int days) { m_keepDays = days; }

private:
    struct Statements;
    bool fail(const QString& reason);
    bool failNotOpen();
    Opened openDatabase(bool writable, bool immutable);
    void restrictAccess(bool createdFolder) const;
    bool inTransaction(const std::function<bool()>& work);
    bool pruneBefore(qint64 reference);
    bool write(const TestRecord& test);

    QString m_path;
    int m_keepDays;
    LockWait m_wait;
    QString m_connection;
    QSqlDatabase m_database;
    std::unique_ptr<Statements> m_statements;
    bool m_open = false;
    bool m_writable = false;
    int m_version = 0;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    QString m_error;
    QString m_openFailure;  // why the last open failed
};
