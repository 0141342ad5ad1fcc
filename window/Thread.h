// Worker threads in the manner the program needs: created suspended,
// configured, resumed; they may free themselves, and their end handler runs on
// the GUI thread through the hand-over gate.
#pragma once

#include "window/HandOver.h"

#include <atomic>
#include <functional>
#include <memory>

class TThread {
public:
    // Created suspended: nothing runs until Resume().
    explicit TThread(std::shared_ptr<THandOver> gate);
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume();
    void Terminate() noexcept { FTerminated = true; }
    bool Terminated() const noexcept { return FTerminated; }
    // 0 normal, 1 one step above normal.
    void SetPriority(int step) noexcept { FPriority = step; }

    // When set, the object deletes itself on its own thread after OnTerminate.
    bool FreeOnTerminate = false;
    // Runs on the GUI thread after Execute, unless the gate is closed by then.
    std::function<void(TThread* Sender)> OnTerminate;

protected:
    virtual void Execute() = 0;
    // Runs method on the GUI thread and waits; false when the gate refused it.
    bool Synchronize(const std::function<void()>& method);
    const std::shared_ptr<THandOver>& Gate() const { return FGate; }

private:
    void Run();

    std::shared_ptr<THandOver> FGate;
    std::atomic<bool> FTerminated{false};
    int FPriority = 0;
    bool FStarted = false;
};
