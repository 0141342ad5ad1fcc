#include "window/HandOver.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <sched.h>

std::shared_ptr<THandOver> THandOver::Create()
{
    return std::shared_ptr<THandOver>(new THandOver());
}

bool THandOver::Run(const std::function<void()>& work)
{
    auto* app = QCoreApplication::instance();
    if (app == nullptr) return false;
    if (QThread::currentThread() == app->thread()) {
        if (Closed()) return false;
        work();
        return true;
    }

    struct Job {
        bool Done = false;
    };
    auto job = std::make_shared<Job>();
    auto self = shared_from_this();
    std::unique_lock lock(Mutex);
    if (IsClosed) return false;
    // Posted under the lock: Close() cannot slip in between the check and the
    // post, and the application outlives every open gate.
    QMetaObject::invokeMethod(
        app,
        [self, job, work] {
            if (self->Closed()) return;
            try {
                work();
            } catch (...) {
                // Nothing may escape into the event loop; the worker is
                // released all the same, or it would wait until the close.
            }
            {
                std::lock_guard guard(self->Mutex);
                job->Done = true;
            }
            self->Done.notify_all();
            // The worker is often woken onto this core; let it go on before
            // the GUI thread paints what the work changed.
            sched_yield();
        },
        Qt::QueuedConnection);
    Done.wait(lock, [&] { return job->Done || IsClosed; });
    return job->Done;
}

void THandOver::Close()
{
    {
        std::lock_guard guard(Mutex);
        IsClosed = true;
    }
    Done.notify_all();
}

bool THandOver::Closed() const
{
    std::lock_guard guard(Mutex);
    return IsClosed;
}
