// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history for a thread that must never wait for the disk (the GUI's):
// a worker thread with its own HistoryStore (a connection belongs to one
// thread) takes the writes and queries in order, and the answers come back
// as signals on the caller's thread. Both ways go through queues under one
// mutex; Qt only wakes the caller's thread, carrying nothing.
#pragma once

#include "history/ComputerHistory.h"
#include "history/HistoryQueries.h"
#include "history/HistoryRange.h"
#include "history/HistoryStore.h"
#include "history/TestRecord.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <memory>
#include <thread>
#include <vector>

// A history on a PostgreSQL server (the path is a postgresql:// URI): the
// name its tests carry there, and the local file where they wait while it is away.
struct HistoryServerSetup {
    QString scanner;
    QString spoolFile;
};

class HistoryService : public QObject {
    Q_OBJECT
public:
    // The file is opened on first use and again after a failure, or once it
    // was deleted or replaced; older rows go with the first test and then
    // once a day of tests.
    HistoryService(const QString& path, int keepDays, int busyTimeoutMs = HistoryStore::DefaultBusyTimeoutMs,
                   QObject* parent = nullptr, const HistoryServerSetup& server = {});
    // Drops the queries not started and waits for the writes handed over
    // (each bounded by the busy time-out; after one has failed, the rest are
    // dropped) and for a query under way.
    ~HistoryService() override;
    // Null, with why ("FILE: reason"), where no thread can start.
    [[nodiscard]] static std::unique_ptr<HistoryService> start(const QString& path, int keepDays, QString* why,
                                                               const HistoryServerSetup& server = {});

    // 0 is off: later tests are not recorded.
    void setKeepDays(int days);
    int keepDays() const { return m_keepDays; }
    // One test: its pieces (one per /24) go in one transaction.
    void record(std::vector<TestRecord> pieces);
    // A test has started that will be recorded: while it runs, the file is
    // opened to write (made where it is missing) and pruned where that is due,
    // so that its record at the end is only its own write.
    void prepareToRecord();
    // fromScanner: on a server, only that scanner's records (empty: every scanner's).
    void query(const HistoryRange& range, const QDateTime& now, const QString& fromScanner = {});
    // The user's names of known computers: namesRead() follows, empty where there is no file.
    void readNames();
    // key: a MAC or an address; an empty label forgets its name. named() follows, then namesRead().
    void nameComputer(const QString& key, const QString& label, const QString& note);
    // How many tests keeping only days would delete: testsOlderCounted()
    // follows, with -1 where that cannot be known (failed() says why).
    void countTestsOlderThan(int days);
    // What the notices count from in the history for a test of pieces with
    // preset (see readPresenceBaseline): baselineRead() follows with token,
    // null where the history cannot tell.
    void readBaseline(std::vector<HistoryRange> pieces, int preset, int cap, quint64 token);
    // The program ends once the history is drained: after a write has
    // failed, the tests still waiting are not written (unrecorded() names each).
    void finishSoon();
    // A write or query is handed over and not yet answered (drained() follows).
    bool busy();
    // For a program that ends now: the wait for the file ends, the writes
    // not done are dropped, and the tests they held are named ("RANGES,
    // ended TIME"). The answers already given still come.
    QStringList abandon();

Q_SIGNALS:
    void recorded(const QString& ranges, bool whole);
    // A recorded test saw MACs never seen before, or known MACs at new addresses.
    void learned(const KnownSightings& sightings);
    void namesRead(const KnownNames& names);
    void testsOlderCounted(int days, qint64 count);
    // A test left unwritten as the program ends ("RANGES, ended TIME").
    void unrecorded(const QString& test);
    void baselineRead(quint64 token, const std::optional<PresenceBaseline>& baseline);
    // A name was kept or forgotten (ok), or not (failed() says why).
    void named(const QString& key, bool ok);
    // Empty when there is no history file (yet) or it failed (failed() says why).
    void computersRead(const QString& range, const std::vector<ComputerHistory>& computers);
    // "FILE: reason"; the same reason again only after a write has succeeded.
    void failed(const QString& message);
    // The history server is away (its tests wait in the spool), or answers again.
    void serverChanged(const QString& message, bool answering);
    // Everything handed over is answered.
    void drained();

private:
    struct Task {
        enum Kind { Record, Prepare, Query, KeepDays, Names, Name, Count, Baseline } kind;
        std::vector<TestRecord> pieces{};
        std::optional<HistoryRange> range{};
        QDateTime now{};
        int keepDays = 0;
        QString fromScanner{};
        QString key{}, label{}, note{};
        std::vector<HistoryRange> ranges{};
        int preset = 0, cap = 0;
        quint64 token = 0;
    };
    struct Answer {
        enum Kind { Recorded, Read, Failed, Drained, NamesRead, Named, ServerAway, ServerBack, Counted, BaselineRead, Unrecorded } kind;
        QString text{};  // the ranges or range, or the failure
        bool whole = false;
        std::vector<ComputerHistory> computers{};
        KnownSightings learned{};
        KnownNames names{};
        qint64 count = -1;
        quint64 tag = 0;
        std::optional<PresenceBaseline> baseline{};
    };
    struct Worker;

    static QString describe(const std::vector<TestRecord>& pieces);
    void hand(Task task);
    void work(const QString& path, int keepDays, int busyTimeoutMs, const HistoryServerSetup& server);  // the worker thread
    bool performOnServer(Worker& worker, Task& task);
    void perform(Worker& worker, Task& task);
    void performNaming(Worker& worker, Task& task);  // the file's or the server's
    void performRead(Worker& worker, Task& task);
    HistoryStore::Opened ensureOpen(Worker& worker, HistoryStore::Access access);
    static bool pruneDue(const Worker& worker, qint64 now);
    void answer(Answer answer);
    void report(Worker& worker, const QString& message);
    void deliverAnswers();  // the caller's thread

    int m_keepDays;  // the caller's copy
    std::atomic_bool m_giveUp = false;
    std::mutex m_mutex;
    std::condition_variable m_taskWaiting;
    std::deque<Task> m_tasks;
    std::deque<Answer> m_answers;
    QString m_underWay;  // the test being written, described
    int m_unanswered = 0;  // tasks handed over whose answers have not been delivered
    bool m_wakePending = false;
    bool m_closing = false;
    bool m_finishing = false;
    std::jthread m_thread;  // last: it starts once the rest is made
};
