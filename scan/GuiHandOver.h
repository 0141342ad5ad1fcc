// Blocking hand-over of work from a worker thread to the GUI thread, which a
// close can shut: the worker waits until the work has run there, or until the
// hand-over is closed.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class GuiHandOver : public std::enable_shared_from_this<GuiHandOver> {
public:
    static std::shared_ptr<GuiHandOver> create();

    // Runs work on the GUI thread and returns once it has run there (at once
    // when called on the GUI thread). False, with work not run, once closed,
    // also when the close comes while the caller waits. An error of the work
    // ends the work, never the event loop.
    bool run(const std::function<void()>& work);
    // GUI thread only: refuses every pending and later hand-over and releases
    // their waiters at once.
    void close();
    bool closed() const;

private:
    GuiHandOver() = default;

    mutable std::mutex mutex;
    std::condition_variable done;
    bool isClosed = false;
};
