#include "scan/RangeScanner.h"

#include "net/Pinger.h"
#include "scan/GuiHandOver.h"
#include "scan/TestParameters.h"

#include <thread>

RangeScanner::RangeScanner(Pinger& echoPinger, const TestParameters& testParameters, const std::atomic<bool>& stop,
                           std::shared_ptr<GuiHandOver> guiHandOver, Steps walkSteps)
    : pinger(echoPinger),
      parameters(testParameters),
      stopRequested(stop),
      handOver(std::move(guiHandOver)),
      steps(std::move(walkSteps))
{
}

std::shared_ptr<RangeScanner> RangeScanner::start(Pinger& pinger, const TestParameters& parameters,
                                                  const std::atomic<bool>& stopRequested,
                                                  std::shared_ptr<GuiHandOver> handOver, Steps steps)
{
    std::shared_ptr<RangeScanner> scanner(
        new RangeScanner(pinger, parameters, stopRequested, std::move(handOver), std::move(steps)));
    std::thread([scanner] {
        scanner->walk();
        scanner->leave();
    }).detach();
    return scanner;
}

void RangeScanner::walk()
{
    // The range is read once: later edits do not move a running test's ends.
    const int first = parameters.rangeMin;
    const int last = parameters.rangeMax;
    for (int octet = first; octet <= last; ++octet) {
        if (stopRequested || halted) return;
        // The octets are read afresh, so edits made during a test apply from
        // the next address on.
        const QString address = QStringLiteral("%1.%2.%3.%4")
                                    .arg(parameters.octet1.load())
                                    .arg(parameters.octet2.load())
                                    .arg(parameters.octet3.load())
                                    .arg(octet);
        const std::string target = address.toStdString();

        // At least one echo; a count below 1 must not loop for ever.
        bool stepped = false;
        int attempts = parameters.attempts;
        bool answered = false;
        do {
            const std::optional<EchoResult> result = pinger.ping(target);
            if (halted) return;
            --attempts;
            if (!result) continue;
            answered = result->answered();
            // The echo that ends the address carries its progress step: one
            // wait for the GUI thread per address instead of two.
            const bool lastEcho = answered || attempts <= 0;
            const EchoResult echo = *result;
            if (!handOver->run([this, address, echo, lastEcho, octet] {
                    steps.echoed(address, echo);
                    if (lastEcho) steps.progressed(octet);
                }))
                return;
            stepped = lastEcho;
        } while (attempts > 0 && !answered && !halted);

        if (!stepped && !handOver->run([this, octet] { steps.progressed(octet); })) return;
    }
}

void RangeScanner::leave()
{
    if (!halted) handOver->run([this] {
        if (!halted) steps.finished();
    });
    {
        const std::lock_guard guard(mutex);
        left = true;
    }
    leftSignal.notify_all();
}

void RangeScanner::halt()
{
    halted = true;
    std::unique_lock lock(mutex);
    leftSignal.wait(lock, [this] { return left; });
}
