#include "window/Thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

TThread::TThread(std::shared_ptr<THandOver> gate) : FGate(std::move(gate)) {}

TThread::~TThread() = default;

void TThread::Resume()
{
    if (FStarted) return;
    FStarted = true;
    std::thread([this] { Run(); }).detach();
}

bool TThread::Synchronize(const std::function<void()>& method)
{
    return FGate->Run(method);
}

void TThread::Run()
{
    if (FPriority > 0) {
        // Linux threads carry their own nice value; one step above normal is
        // nice -1. Without CAP_SYS_NICE (or a raised RLIMIT_NICE) the kernel
        // refuses it and the thread stays at normal priority.
        const auto tid = static_cast<id_t>(syscall(SYS_gettid));
        setpriority(PRIO_PROCESS, tid, -FPriority);
    }
    try {
        Execute();
    } catch (...) {
        // A worker's error ends the worker; it never reaches the process.
    }
    if (OnTerminate) {
        auto handler = OnTerminate;
        Synchronize([this, handler] { handler(this); });
    }
    if (FreeOnTerminate) delete this;
}
