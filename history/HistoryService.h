// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history for a thread that must never wait for the disk (the GUI's):
// a worker thread with its own HistoryStore (a connection belongs to one
// thread) takes the writes and queries in order and answers by signals on
// the caller's thread.
#pragma once

#include "history/ComputerHistory.h"
#include "history/HistoryRange.h"
#include "history/HistoryStore.h"
#include "history/TestOutcome.h"
#include "history/TestRecord.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

class HistoryService : public QObject {
    Q_OBJECT
public:
    // The file is opened on first use and again after a failure; older rows
    // go at that open and then once a day of tests.
    HistoryService(const QString& path, int keepDays, int busyTimeoutMs = HistoryStore::DefaultBusyTimeoutMs,
                   QObject* parent = nullptr);
    // Waits for the writes handed over (each bounded by the busy time-out; after
    // one has failed, the rest are dropped), never for a query not yet started.
    ~HistoryService() override;

    // 0 is off: later tests are not recorded.
    void setKeepDays(int days);
    void record(const TestRecord& test);
    void query(const HistoryRange& range, const QDateTime& now);

Q_SIGNALS:
    void recorded(const QString& range, bool whole, const TestOutcome& outcome);
    // Empty when there is no history file (yet) or it failed (failed() says why).
    void computersRead(const QString& range, const std::vector<ComputerHistory>& computers);
    // "FILE: reason"; the same reason again only after a write has succeeded.
    void failed(const QString& message);

private:
    // These run on the worker thread.
    HistoryStore::Opened ensureOpen(HistoryStore::Access access);
    void pruneIfDue(const QDateTime& now);
    void report(const QString& message);

    std::unique_ptr<HistoryStore> m_store;  // made here, used and destroyed on the worker thread
    QThread m_thread;
    std::unique_ptr<QObject> m_worker;      // lives on m_thread: queued work runs there in order
    std::atomic_bool m_closing = false;
    int m_keepDays;                         // the caller's copy
    QString m_lastFailure;                  // worker thread
    qint64 m_lastPrune = 0;                 // worker thread, seconds since the epoch
};
