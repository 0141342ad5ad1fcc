#include "scan/GuiHandOver.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <sched.h>

std::shared_ptr<GuiHandOver> GuiHandOver::create()
{
    return std::shared_ptr<GuiHandOver>(new GuiHandOver());
}

bool GuiHandOver::run(const std::function<void()>& work)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return false;
    if (QThread::currentThread() == app->thread()) {
        if (closed()) return false;
        work();
        return true;
    }

    auto finished = std::make_shared<bool>(false);
    auto self = shared_from_this();
    std::unique_lock lock(mutex);
    if (isClosed) return false;
    // Posted under the lock, so that close() cannot slip in between the check
    // and the post; the application outlives every open hand-over.
    QMetaObject::invokeMethod(
        app,
        [self, finished, work] {
            if (self->closed()) return;
            try {
                work();
            } catch (...) {
                // Nothing may reach the event loop; the worker is released all the same.
            }
            {
                const std::lock_guard guard(self->mutex);
                *finished = true;
            }
            self->done.notify_all();
            // The worker is often woken onto this core: let it go on before the
            // GUI thread paints what the work changed.
            sched_yield();
        },
        Qt::QueuedConnection);
    done.wait(lock, [&] { return *finished || isClosed; });
    return *finished;
}

void GuiHandOver::close()
{
    {
        const std::lock_guard guard(mutex);
        isClosed = true;
    }
    done.notify_all();
}

bool GuiHandOver::closed() const
{
    const std::lock_guard guard(mutex);
    return isClosed;
}
