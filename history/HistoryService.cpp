// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistoryService.h"

#include "base/ThreadPriority.h"
#include "history/Log.h"
#include "files/Report.h"
#include "history/ServerHistory.h"
#include "history/ServerLocation.h"

#include <QPointer>

#include <algorithm>
#include <system_error>

// The worker thread's own: its connection and what it has said.
struct HistoryService::Worker {
    HistoryStore store;
    QString lastFailure;
    qint64 lastPrune = 0;  // the end of the test that pruned, seconds since the epoch
    bool closing = false;
    std::unique_ptr<ServerHistory> server;  // where the history is on a server
};

HistoryService::HistoryService(const QString& path, int keepDays, int busyTimeoutMs, QObject* parent,
                               const HistoryServerSetup& server)
    : QObject(parent), m_keepDays(keepDays),
      m_thread([this, path, keepDays, busyTimeoutMs, server] { work(path, keepDays, busyTimeoutMs, server); })
{
}

std::unique_ptr<HistoryService> HistoryService::start(const QString& path, int keepDays, QString* why,
                                                      const HistoryServerSetup& server)
{
    try {
        return std::make_unique<HistoryService>(path, keepDays, HistoryStore::DefaultBusyTimeoutMs, nullptr, server);
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

QString HistoryService::describe(const std::vector<TestRecord>& pieces)
{
    QStringList ranges;
    for (const TestRecord& piece : pieces) ranges << piece.range;
    if (ranges.size() > 3) ranges = QStringList{ranges.front(), QStringLiteral("..."), ranges.back()};
    return ranges.join(QStringLiteral(", ")) + QStringLiteral(", ended ") +
           (pieces.empty() ? QString() : isoWithOffset(pieces.front().end));
}

void HistoryService::setKeepDays(int days)
{
    m_keepDays = days;
    hand({.kind = Task::KeepDays, .keepDays = days});
}

void HistoryService::record(std::vector<TestRecord> pieces)
{
    if (m_keepDays > 0 && !pieces.empty()) hand({.kind = Task::Record, .pieces = std::move(pieces)});
}

void HistoryService::prepareToRecord()
{
    if (m_keepDays > 0) hand({.kind = Task::Prepare});
}

void HistoryService::query(const HistoryRange& range, const QDateTime& now, const QString& fromScanner)
{
    hand({.kind = Task::Query, .range = range, .now = now, .fromScanner = fromScanner});
}

void HistoryService::readNames()
{
    hand({.kind = Task::Names});
}

void HistoryService::nameComputer(const QString& key, const QString& label, const QString& note)
{
    hand({.kind = Task::Name, .key = key, .label = label, .note = note});
}

void HistoryService::countTestsOlderThan(int days)
{
    hand({.kind = Task::Count, .now = QDateTime::currentDateTimeUtc(), .keepDays = days});
}

void HistoryService::readBaseline(std::vector<HistoryRange> pieces, int preset, int cap, quint64 token)
{
    hand({.kind = Task::Baseline, .ranges = std::move(pieces), .preset = preset, .cap = cap, .token = token});
}

void HistoryService::finishSoon()
{
    const std::lock_guard lock(m_mutex);
    m_finishing = true;
}

bool HistoryService::busy()
{
    const std::lock_guard lock(m_mutex);
    return m_unanswered > 0 || !m_answers.empty();
}

QStringList HistoryService::abandon()
{
    m_giveUp = true;
    QStringList unrecorded;
    const std::lock_guard lock(m_mutex);
    if (!m_underWay.isEmpty()) unrecorded << m_underWay;
    for (const Task& task : m_tasks)
        if (task.kind == Task::Record) unrecorded << describe(task.pieces);
    m_unanswered -= int(m_tasks.size());
    m_tasks.clear();
    return unrecorded;
}

void HistoryService::hand(Task task)
{
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
        ++m_unanswered;
    }
    m_taskWaiting.notify_one();
}

void HistoryService::work(const QString& path, int keepDays, int busyTimeoutMs, const HistoryServerSetup& server)
{
    // Its file work at a test's start (the open, the prune) must not hold up the echoes.
    if (std::string why; !lowerOwnPriority(BackgroundNiceness, why))
        qCDebug(lcHistory) << "the history's thread keeps its priority:" << why.c_str();
    Worker worker{HistoryStore(path, keepDays, busyTimeoutMs, &m_giveUp), {}, 0, false, nullptr};
    if (ServerLocation::isServer(path))
        worker.server = std::make_unique<ServerHistory>(path, server.scanner, server.spoolFile, keepDays);
    for (;;) {
        Task task;
        {
            std::unique_lock lock(m_mutex);
            m_taskWaiting.wait(lock, [this] { return !m_tasks.empty() || m_closing; });
            if (m_tasks.empty()) return;  // closing, and nothing left to write
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
            worker.closing = m_closing || m_finishing;
            if (task.kind == Task::Record) m_underWay = describe(task.pieces);
        }
        perform(worker, task);
        bool drained = false;
        {
            const std::lock_guard lock(m_mutex);
            m_underWay.clear();
            drained = --m_unanswered == 0;
        }
        if (drained) answer({.kind = Answer::Drained});
    }
}

void HistoryService::perform(Worker& worker, Task& task)
{
    if (worker.server && performOnServer(worker, task)) return;
    HistoryStore& store = worker.store;
    switch (task.kind) {
    case Task::KeepDays:
        store.setKeepDays(task.keepDays);
        worker.lastPrune = 0;  // a shorter choice prunes at the next test, not a day later
        return;
    case Task::Record: {
        if (m_giveUp) return;
        if (worker.closing && !worker.lastFailure.isEmpty()) {
            // The program is ending: no second wait, but a word for the test.
            qCWarning(lcHistory) << "the test of" << describe(task.pieces) << "is not recorded";
            return answer({.kind = Answer::Unrecorded, .text = describe(task.pieces)});
        }
        if (ensureOpen(worker, HistoryStore::Access::Write) != HistoryStore::Opened::Ready) return;
        const qint64 end = task.pieces.front().end.toSecsSinceEpoch();
        const bool prune = pruneDue(worker, end);
        KnownSightings learned;
        if (!store.record(task.pieces, prune, &learned)) return report(worker, store.lastError());
        if (prune) worker.lastPrune = end;
        worker.lastFailure.clear();
        QStringList ranges;
        for (const TestRecord& piece : task.pieces) ranges << piece.range;
        return answer({.kind = Answer::Recorded, .text = ranges.join(QStringLiteral(", ")), .whole = task.pieces.front().whole, .learned = std::move(learned)});
    }
    case Task::Prepare: {
        if (m_giveUp || ensureOpen(worker, HistoryStore::Access::Write) != HistoryStore::Opened::Ready) return;
        const QDateTime now = QDateTime::currentDateTime();
        if (!pruneDue(worker, now.toSecsSinceEpoch())) return;
        if (!store.prune(now)) return report(worker, store.lastError());
        worker.lastPrune = now.toSecsSinceEpoch();
        return;
    }
    case Task::Names:
    case Task::Name: return performNaming(worker, task);
    case Task::Count:
    case Task::Baseline: return performRead(worker, task);
    case Task::Query: {
        std::vector<ComputerHistory> computers;
        if (ensureOpen(worker, HistoryStore::Access::Read) == HistoryStore::Opened::Ready) {
            std::optional<std::vector<ComputerHistory>> read = store.computers(*task.range, task.now);
            if (read) computers = std::move(*read);
            else report(worker, store.lastError());
        }
        return answer({.kind = Answer::Read, .text = task.range->text(), .computers = std::move(computers)});
    }
    }
}

void HistoryService::performNaming(Worker& worker, Task& task)
{
    HistoryStore& store = worker.store;
    ServerHistory* const server = worker.server.get();
    // Each failure said once; a file not made yet holds no names.
    const auto known = [&](bool write, const std::function<bool(KnownComputers&)>& work) {
        if (server) return server->known(write, work) || (report(worker, server->lastError()), false);
        if (ensureOpen(worker, write ? HistoryStore::Access::Write : HistoryStore::Access::Read) != HistoryStore::Opened::Ready)
            return false;
        return store.known(write, work) || (report(worker, store.lastError()), false);
    };
    if (task.kind == Task::Name) {
        bool found = false;
        const bool ok = known(true, [&](KnownComputers& computers) {
            return task.label.isEmpty() ? computers.forget(task.key, &found) : computers.name(task.key, task.label, task.note);
        });
        answer({.kind = Answer::Named, .text = task.key, .whole = ok});
        if (!ok && server) return;  // the server is away: one line, and the names shown stay
    }
    KnownNames names;
    (void)known(false, [&](KnownComputers& computers) {
        std::optional<KnownNames> found = computers.names();
        if (found) names = std::move(*found);
        return found.has_value();
    });
    answer({.kind = Answer::NamesRead, .names = std::move(names)});
}

void HistoryService::performRead(Worker& worker, Task& task)
{
    HistoryStore& store = worker.store;
    Answer read{.kind = task.kind == Task::Count ? Answer::Counted : Answer::BaselineRead};
    // Counted carries the days asked about back, BaselineRead the caller's token.
    read.tag = task.kind == Task::Count ? quint64(task.keepDays) : task.token;
    const HistoryStore::Opened opened = ensureOpen(worker, HistoryStore::Access::Read);
    if (opened == HistoryStore::Opened::Absent) read.count = 0;  // no file: nothing to delete
    if (opened != HistoryStore::Opened::Ready) return answer(std::move(read));
    const bool ok = store.read([&](const QSqlDatabase& database, QString* reason) {
        if (task.kind == Task::Baseline)
            return readPresenceBaseline(database, task.ranges, task.preset, task.cap, &read.baseline, reason);
        const std::optional<qint64> count = testsOlderThan(database, task.keepDays, task.now, reason);
        read.count = count.value_or(-1);
        return count.has_value();
    });
    if (!ok) report(worker, store.lastError());
    answer(std::move(read));
}

bool HistoryService::pruneDue(const Worker& worker, qint64 now)
{
    return worker.lastPrune == 0 || now - worker.lastPrune >= 24 * 60 * 60 || now < worker.lastPrune;
}

HistoryStore::Opened HistoryService::ensureOpen(Worker& worker, HistoryStore::Access access)
{
    HistoryStore& store = worker.store;
    if (store.moved()) {
        // Every later write would go into the file that is gone.
        report(worker, store.path() + QStringLiteral(": deleted or replaced while in use, and what it held with it; "
                                                     "the tests from now on go into the file now there"));
        store.close();
        worker.lastPrune = 0;
    }
    if (access == HistoryStore::Access::Read ? store.isOpen() : store.isWritable()) return HistoryStore::Opened::Ready;
    const HistoryStore::Opened opened = store.open(access);
    if (opened == HistoryStore::Opened::Failed) report(worker, store.lastError());
    return opened;
}

void HistoryService::report(Worker& worker, const QString& message)
{
    if (message == worker.lastFailure) return;
    worker.lastFailure = message;
    answer({.kind = Answer::Failed, .text = message});
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
        case Answer::Recorded:
            Q_EMIT recorded(answer.text, answer.whole);
            if (alive && (!answer.learned.newComputers.empty() || !answer.learned.moves.empty())) Q_EMIT learned(answer.learned);
            break;
        case Answer::NamesRead: Q_EMIT namesRead(answer.names); break;
        case Answer::Named: Q_EMIT named(answer.text, answer.whole); break;
        case Answer::Read: Q_EMIT computersRead(answer.text, answer.computers); break;
        case Answer::Failed: Q_EMIT failed(answer.text); break;
        case Answer::Drained: Q_EMIT drained(); break;
        case Answer::ServerAway: Q_EMIT serverChanged(answer.text, false); break;
        case Answer::ServerBack: Q_EMIT serverChanged(answer.text, true); break;
        case Answer::Counted: Q_EMIT testsOlderCounted(int(answer.tag), answer.count); break;
        case Answer::BaselineRead: Q_EMIT baselineRead(answer.tag, answer.baseline); break;
        case Answer::Unrecorded: Q_EMIT unrecorded(answer.text); break;
        }
    }
}

bool HistoryService::performOnServer(Worker& worker, Task& task)
{
    ServerHistory& server = *worker.server;
    std::vector<ComputerHistory> computers;
    switch (task.kind) {
    case Task::KeepDays: server.setKeepDays(task.keepDays); return false;
    case Task::Prepare: break;  // the server's history is kept by the server
    case Task::Record:
        if (m_giveUp) return true;
        // A program that ends while the server is away only spools: no second wait for it.
        if (KnownSightings learned; server.record(task.pieces, worker.closing, &learned)) {
            QStringList ranges;
            for (const TestRecord& piece : task.pieces) ranges << piece.range;
            answer({.kind = Answer::Recorded, .text = ranges.join(QStringLiteral(", ")), .whole = task.pieces.front().whole,
                    .learned = std::move(learned)});
        } else {
            report(worker, server.lastError());
        }
        break;
    // Names go straight to the server, never into the spool: naming fails while it is away.
    case Task::Name:
    case Task::Names: performNaming(worker, task); break;
    // The server's tests are every scanner's: the notices count their own, in memory.
    case Task::Count: answer({.kind = Answer::Counted, .tag = quint64(task.keepDays)}); break;
    case Task::Baseline: answer({.kind = Answer::BaselineRead, .tag = task.token}); break;
    case Task::Query:
        if (std::optional<std::vector<ComputerHistory>> read = server.computers(*task.range, task.now, task.fromScanner))
            computers = std::move(*read);
        answer({.kind = Answer::Read, .text = task.range->text(), .computers = std::move(computers)});
        break;
    }
    for (const ServerHistory::Notice& notice : server.takeNotices())
        answer({notice.back ? Answer::ServerBack : Answer::ServerAway, notice.text, false, {}, {}, {}});
    return true;
}

