// One test's walk of the range on a thread of its own: for every last octet
// from the range minimum to the maximum, the echoes to that address, then the
// progress step, each handed to the GUI thread while the walk waits.
#pragma once

#include "net/EchoSocket.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class GuiHandOver;
class Pinger;
struct TestParameters;

class RangeScanner {
public:
    // Each runs on the GUI thread while the walk waits for it.
    struct Steps {
        std::function<void(const QString& address, const EchoResult& result)> echoed;
        std::function<void(int octet)> progressed;  // once per address, after its last echo
        std::function<void()> finished;             // not after halt()
    };

    // Starts a walk of the parameters' range. The pinger, the parameters and
    // the stop flag must stay until it has finished or been halted. Throws
    // std::system_error when no thread starts.
    static std::shared_ptr<RangeScanner> start(Pinger& pinger, const TestParameters& parameters,
                                               const std::atomic<bool>& stopRequested,
                                               std::shared_ptr<GuiHandOver> handOver, Steps steps);

    // GUI thread, for a close that must not wait for an echo: no further
    // echo, hand-over or finished(). The caller first releases the walk's
    // waits (closes the hand-over, aborts the pinger); this returns once the
    // walk no longer uses anything it was given.
    void halt();

private:
    RangeScanner(Pinger& pinger, const TestParameters& parameters, const std::atomic<bool>& stopRequested,
                 std::shared_ptr<GuiHandOver> handOver, Steps steps);
    void walk();
    void leave();

    Pinger& pinger;
    const TestParameters& parameters;
    const std::atomic<bool>& stopRequested;
    std::shared_ptr<GuiHandOver> handOver;
    Steps steps;

    std::atomic<bool> halted{false};
    std::mutex mutex;
    std::condition_variable leftSignal;
    bool left = false;
};
