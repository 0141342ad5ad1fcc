// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lookup/ReverseLookup.h"

#include "base/Text.h"
#include "lookup/Log.h"
#include "net/Ipv4.h"
#include "net/NameService.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// The classic resolver call took at most this many characters.
constexpr size_t MaxCallText = 255;

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

QString printableName(const std::string& raw)
{
    return printable(QString::fromLocal8Bit(raw));
}

} // namespace

std::string hostNameOf(const std::string& dottedAddress)
{
    return lookUpHostAddress(parseLenientAddress(dottedAddress.substr(0, MaxCallText))).value_or(std::string());
}

QString listNameOf(const std::string& address)
{
    return printableName(rawListName(address));
}

struct ReverseLookupPool::Shared {
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
            std::string failure;
            try {
                raw = rawListName(job.address);
            } catch (const std::exception& e) {
                failure = e.what();  // the entry keeps showing its address
            }
            lock.lock();
            if (self->closed) break;
            ++self->delivering;
            lock.unlock();
            // Logged only while a caller still waits: a worker that returns
            // after the close may outlive the program's logging.
            if (!failure.empty()) qCWarning(lcLookup) << "name of" << job.address.c_str() << "not found:" << failure.c_str();
            try {
                job.deliver(printableName(raw));
            } catch (const std::exception& e) {
                qCWarning(lcLookup) << "the name of" << job.address.c_str() << "was not taken:" << e.what();
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

ReverseLookupPool::ReverseLookupPool(int maxThreads) : m_shared(std::make_shared<Shared>())
{
    m_shared->maxThreads = std::max(1, maxThreads);
}

ReverseLookupPool::~ReverseLookupPool()
{
    close();
}

bool ReverseLookupPool::resolve(const std::string& address, std::function<void(const QString& name)> deliver)
{
    const std::lock_guard guard(m_shared->mutex);
    if (m_shared->closed) return false;
    m_shared->jobs.push_back({address, std::move(deliver)});
    if (m_shared->workers >= m_shared->maxThreads) return true;
    try {
        // Detached: a worker may wait for a name server long after the
        // program has stopped caring, and nobody must wait for it.
        std::thread([self = m_shared] { Shared::work(self); }).detach();
    } catch (const std::system_error& e) {
        qCWarning(lcLookup) << "no thread for the name of" << address.c_str() << ":" << e.what();
        // The workers that run take the job; without any it would wait for ever.
        if (m_shared->workers > 0) return true;
        m_shared->jobs.pop_back();
        return false;
    }
    ++m_shared->workers;
    return true;
}

void ReverseLookupPool::close()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->closed = true;
    m_shared->jobs.clear();
    m_shared->idle.wait(lock, [this] { return m_shared->delivering == 0; });
}
