// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistoryService.h"

#include "history/Log.h"

#include <QPointer>

#include <algorithm>
#include <system_error>

// The worker thread's own: its connection and what it has said.
struct HistoryService::Worker {
    HistoryStore store;
    QString lastFailure;
    qint64 lastPrune = 0;  // seconds since the epoch
    bool closing = false;
};

HistoryService::HistoryService(const QString& path, int keepDays, int busyTimeoutMs, QObject* parent)
    : QObject(parent), m_keepDays(keepDays),
      m_thread([this, path, keepDays, busyTimeoutMs] { work(path, keepDays, busyTimeoutMs); })
{
}

std::unique_ptr<HistoryService> HistoryService::start(const QString& path, int keepDays, QString* why)
{
    try {
        return std::make_unique<HistoryService>(path, keepDays);
    } catch (const std::system_error& e) {
        *why = path + QStringLiteral(": no thread for the history: ") + QString::fromLocal8Bit(e.what());
        qCWarning(lcHistory) << *why;
        return nullptr;
    }
}

HistoryService::~HistoryService()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
        std::erase_if(m_tasks, [](const Task& task) { return task.kind == Task::Query; });
    }
    m_taskWaiting.notify_one();
    m_thread.join();
}

void HistoryService::setKeepDays(int days)
{
    m_keepDays = days;
    hand({Task::KeepDays, {}, {}, {}, days});
}

void HistoryService::record(const TestRecord& test)
{
    if (m_keepDays > 0) hand({Task::Record, test, {}, {}, 0});
}

void HistoryService::query(const HistoryRange& range, const QDateTime& now)
{
    hand({Task::Query, {}, range, now, 0});
}

void HistoryService::hand(Task task)
{
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_taskWaiting.notify_one();
}

void HistoryService::work(const QString& path, int keepDays, int busyTimeoutMs)
{
    Worker worker{HistoryStore(path, keepDays, busyTimeoutMs), {}, 0, false};
    for (;;) {
        Task task;
        {
            std::unique_lock lock(m_mutex);
            m_taskWaiting.wait(lock, [this] { return !m_tasks.empty() || m_closing; });
            if (m_tasks.empty()) return;  // closing, and nothing left to write
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
            worker.closing = m_closing;
            m_performing = true;
        }
        perform(worker, task);
        {
            const std::lock_guard lock(m_mutex);
            m_performing = false;
        }
        m_drained.notify_all();
    }
}

void HistoryService::finish()
{
    {
        std::unique_lock lock(m_mutex);
        m_drained.wait(lock, [this] { return m_tasks.empty() && !m_performing; });
    }
    deliverAnswers();
}

void HistoryService::perform(Worker& worker, Task& task)
{
    HistoryStore& store = worker.store;
    switch (task.kind) {
    case Task::KeepDays:
        store.setKeepDays(task.keepDays);
        worker.lastPrune = 0;  // a shorter choice prunes at the next test, not a day later
        return;
    case Task::Record: {
        if (worker.closing && !worker.lastFailure.isEmpty()) return;  // the program is ending: no second wait
        if (ensureOpen(worker, HistoryStore::Access::CreateIfMissing) != HistoryStore::Opened::Ready) return;
        pruneIfDue(worker, task.test.end);
        std::optional<AnsweringChanges> outcome = store.record(task.test);
        if (!outcome) return report(worker, store.lastError());
        worker.lastFailure.clear();
        return answer({Answer::Recorded, task.test.range, task.test.whole, std::move(*outcome), {}});
    }
    case Task::Query: {
        std::vector<ComputerHistory> computers;
        if (ensureOpen(worker, HistoryStore::Access::ExistingOnly) == HistoryStore::Opened::Ready) {
            std::optional<std::vector<ComputerHistory>> read = store.computers(*task.range, task.now);
            if (read) computers = std::move(*read);
            else report(worker, store.lastError());
        }
        return answer({Answer::Read, task.range->text(), false, {}, std::move(computers)});
    }
    }
}

HistoryStore::Opened HistoryService::ensureOpen(Worker& worker, HistoryStore::Access access)
{
    if (worker.store.isOpen()) return HistoryStore::Opened::Ready;
    const HistoryStore::Opened opened = worker.store.open(access);
    if (opened == HistoryStore::Opened::Failed) report(worker, worker.store.lastError());
    if (opened == HistoryStore::Opened::Ready) pruneIfDue(worker, QDateTime::currentDateTime());
    return opened;
}

void HistoryService::pruneIfDue(Worker& worker, const QDateTime& now)
{
    const qint64 seconds = now.toSecsSinceEpoch();
    if (worker.store.keepDays() == 0 || (worker.lastPrune != 0 && seconds - worker.lastPrune < 24 * 60 * 60)) return;
    if (worker.store.prune(now)) worker.lastPrune = seconds;
    else report(worker, worker.store.lastError());
}

void HistoryService::report(Worker& worker, const QString& message)
{
    if (message == worker.lastFailure) return;
    worker.lastFailure = message;
    answer({Answer::Failed, message, false, {}, {}});
}

void HistoryService::answer(Answer answer)
{
    const std::lock_guard lock(m_mutex);
    m_answers.push_back(std::move(answer));
    if (std::exchange(m_wakePending, true)) return;
    QMetaObject::invokeMethod(this, &HistoryService::deliverAnswers, Qt::QueuedConnection);
}

void HistoryService::deliverAnswers()
{
    std::deque<Answer> answers;
    {
        const std::lock_guard lock(m_mutex);
        answers.swap(m_answers);
        m_wakePending = false;
    }
    const QPointer<HistoryService> alive(this);  // a receiver may delete it
    for (const Answer& answer : answers) {
        if (!alive) return;
        switch (answer.kind) {
        case Answer::Recorded: Q_EMIT recorded(answer.text, answer.whole, answer.outcome); break;
        case Answer::Read: Q_EMIT computersRead(answer.text, answer.computers); break;
        case Answer::Failed: Q_EMIT failed(answer.text); break;
        }
    }
}
