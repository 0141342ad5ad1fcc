// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lookup/HostNameResolver.h"

#include "base/Text.h"
#include "net/NameLookup.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

bool isControl(QChar c)
{
    const char16_t code = c.unicode();
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

// Linux threads carry their own nice value, inherited from their creator.
// Without CAP_SYS_NICE (or a raised RLIMIT_NICE) the kernel refuses the step
// and the thread stays at its creator's priority.
void raisePriorityOneStep()
{
    const auto thread = static_cast<id_t>(::gettid());
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, thread);
    if (errno == 0) ::setpriority(PRIO_PROCESS, thread, nice - 1);
}

// What the name service says of the address, before it is made printable.
// No Qt here: a look-up may return while the program is ending.
std::string rawListName(const std::string& address)
{
    if (address == "127.0.0.1") return "localhost";
    if (address.starts_with("127")) return "n/a";
    return trimmed(hostNameOf(address));
}

QString printable(const std::string& raw)
{
    QString name = QString::fromLocal8Bit(raw);
    for (QChar& c : name) {
        if (isControl(c)) c = u'?';
    }
    return name;
}

} // namespace

QString listNameOf(const std::string& address)
{
    return printable(rawListName(address));
}

struct HostNameResolver::Shared {
    struct Job {
        std::string address;
        std::function<void(const QString&)> deliver;
    };

    // Each worker keeps the shared state alive, never the resolver.
    static void work(const std::shared_ptr<Shared>& self)
    {
        raisePriorityOneStep();
        std::unique_lock lock(self->mutex);
        while (!self->closed && !self->jobs.empty()) {
            Job job = std::move(self->jobs.front());
            self->jobs.pop_front();
            lock.unlock();
            std::string raw;
            try {
                raw = rawListName(job.address);
            } catch (...) {
                // A failed look-up leaves the entry as it is.
            }
            lock.lock();
            if (self->closed) break;
            ++self->delivering;
            lock.unlock();
            try {
                job.deliver(printable(raw));
            } catch (...) {
            }
            lock.lock();
            --self->delivering;
            self->idle.notify_all();
        }
        --self->workers;
    }

    std::mutex mutex;
    std::condition_variable idle;
    std::deque<Job> jobs;
    int maxThreads = DefaultThreads;
    int workers = 0;
    int delivering = 0;
    bool closed = false;
};

HostNameResolver::HostNameResolver(int maxThreads) : m_shared(std::make_shared<Shared>())
{
    m_shared->maxThreads = std::max(1, maxThreads);
}

HostNameResolver::~HostNameResolver()
{
    close();
}

void HostNameResolver::resolve(const std::string& address, std::function<void(const QString& name)> deliver)
{
    const std::lock_guard guard(m_shared->mutex);
    if (m_shared->closed) return;
    m_shared->jobs.push_back({address, std::move(deliver)});
    if (m_shared->workers >= m_shared->maxThreads) return;
    // Detached: a worker may wait for a name server long after the program
    // has stopped caring, and nobody must wait for it.
    std::thread([self = m_shared] { Shared::work(self); }).detach();
    ++m_shared->workers;
}

void HostNameResolver::close()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->closed = true;
    m_shared->jobs.clear();
    m_shared->idle.wait(lock, [this] { return m_shared->delivering == 0; });
}
