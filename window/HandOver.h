// Blocking hand-over of work to the GUI thread, which a close can shut: the
// worker waits until the work has run there, or until the gate is closed.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class THandOver : public std::enable_shared_from_this<THandOver> {
public:
    // Create on the GUI thread.
    static std::shared_ptr<THandOver> Create();

    // Runs work on the GUI thread and returns when it has run there (directly
    // when called on the GUI thread). Returns false, with work not run, once
    // the gate is closed, also when it closes while the caller waits.
    bool Run(const std::function<void()>& work);
    // GUI thread only. Refuses every pending and later hand-over and releases
    // their waiters at once.
    void Close();
    bool Closed() const;

private:
    THandOver() = default;
    mutable std::mutex Mutex;
    std::condition_variable Done;
    bool IsClosed = false;
};
