// The scan thread: walks one range of last octets, one echo after the other.
#pragma once

#include "window/Thread.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class TForm1;

// The progress step after an address's last echo. The scan thread offers it
// to the reply handler, which runs it in its own hand-over right after the
// echo's changes: one wait for the GUI thread per address instead of two.
struct TProgressStep {
    std::function<void()> Run;
    bool LastAttempt = false;  // no further echo to this address unless it answers
    bool Done = false;
};
// Set by the scan thread while it pings; null on every other thread.
extern thread_local TProgressStep* PendingProgressStep;

// Shared between one scan thread and the controller. The close halts the
// thread through it and waits, briefly, until the thread has left the form.
class TScanLatch {
public:
    void Halt() noexcept { FHalted = true; }
    bool Halted() const noexcept { return FHalted; }
    // Called by the scan thread as the last thing it does with the form.
    void Leave();
    // Returns once Leave() has been called.
    void WaitLeft();
    bool Left() const;

private:
    std::atomic<bool> FHalted{false};
    mutable std::mutex FMutex;
    std::condition_variable FLeftCv;
    bool FLeft = false;
};

class TCheckPing : public TThread {
public:
    // Created suspended; the form must outlive Execute (see TScanLatch).
    TCheckPing(TForm1* form, std::shared_ptr<TScanLatch> latch);
    ~TCheckPing() override;

    // GUI thread: the progress step and the end-of-test handler.
    void UpdateGauge();
    void TestDone(TThread* Sender);

    // Scan threads not yet destroyed, for tests.
    static int Alive() noexcept { return FAlive; }

protected:
    void Execute() override;

private:
    void Scan();
    static std::atomic<int> FAlive;

    TForm1* FForm;
    std::shared_ptr<TScanLatch> FLatch;
};
