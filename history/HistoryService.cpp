// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistoryService.h"

HistoryService::HistoryService(const QString& path, int keepDays, int busyTimeoutMs, QObject* parent)
    : QObject(parent), m_store(std::make_unique<HistoryStore>(path, keepDays, busyTimeoutMs)),
      m_worker(std::make_unique<QObject>()), m_keepDays(keepDays)
{
    m_thread.setObjectName(QStringLiteral("history"));
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

HistoryService::~HistoryService()
{
    m_closing = true;
    // After the writes already queued: the connection closes on its own thread.
    QMetaObject::invokeMethod(m_worker.get(), [this] {
        m_store.reset();
        m_thread.quit();
    }, Qt::QueuedConnection);
    m_thread.wait();
}

void HistoryService::setKeepDays(int days)
{
    m_keepDays = days;
    QMetaObject::invokeMethod(m_worker.get(), [this, days] { m_store->setKeepDays(days); }, Qt::QueuedConnection);
}

void HistoryService::record(const TestRecord& test)
{
    if (m_keepDays == 0) return;
    QMetaObject::invokeMethod(m_worker.get(), [this, test] {
        if (m_closing && !m_lastFailure.isEmpty()) return;  // the program is ending: no second wait
        if (ensureOpen(HistoryStore::Access::CreateIfMissing) != HistoryStore::Opened::Ready) return;
        pruneIfDue(test.end);
        const std::optional<TestOutcome> outcome = m_store->record(test);
        if (!outcome) return report(m_store->lastError());
        m_lastFailure.clear();
        QMetaObject::invokeMethod(this, [this, range = test.range, whole = test.whole, outcome = *outcome] {
            Q_EMIT recorded(range, whole, outcome);
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void HistoryService::query(const HistoryRange& range, const QDateTime& now)
{
    QMetaObject::invokeMethod(m_worker.get(), [this, range, now] {
        if (m_closing) return;
        std::vector<ComputerHistory> computers;
        if (ensureOpen(HistoryStore::Access::ExistingOnly) == HistoryStore::Opened::Ready) {
            std::optional<std::vector<ComputerHistory>> read = m_store->computers(range, now);
            if (read) computers = std::move(*read);
            else report(m_store->lastError());
        }
        QMetaObject::invokeMethod(this, [this, text = range.text(), computers = std::move(computers)] {
            Q_EMIT computersRead(text, computers);
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

HistoryStore::Opened HistoryService::ensureOpen(HistoryStore::Access access)
{
    if (m_store->isOpen()) return HistoryStore::Opened::Ready;
    const HistoryStore::Opened opened = m_store->open(access);
    if (opened == HistoryStore::Opened::Failed) report(m_store->lastError());
    if (opened == HistoryStore::Opened::Ready) pruneIfDue(QDateTime::currentDateTime());
    return opened;
}

void HistoryService::pruneIfDue(const QDateTime& now)
{
    const qint64 seconds = now.toSecsSinceEpoch();
    if (m_store->keepDays() == 0 || (m_lastPrune != 0 && seconds - m_lastPrune < 24 * 60 * 60)) return;
    if (m_store->prune(now)) m_lastPrune = seconds;
    else report(m_store->lastError());
}

void HistoryService::report(const QString& message)
{
    if (message == m_lastFailure) return;
    m_lastFailure = message;
    QMetaObject::invokeMethod(this, [this, message] { Q_EMIT failed(message); }, Qt::QueuedConnection);
}
