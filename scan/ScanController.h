// The GUI-thread side of a range test: starts the scan thread, asks it to
// stop, abandons it at a close, repeats a finished test after the repeat
// period, and sends the single ping. It owns the pinger, the test
// parameters, the list of found computers and the echo recorder.
#pragma once

#include "net/Pinger.h"
#include "scan/EchoRecorder.h"
#include "scan/FoundComputers.h"
#include "scan/TestParameters.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>

class GuiHandOver;
class RangeScanner;

struct SpeedPreset {
    int timeoutMs;
    int ttl;
};
// LAN, fast Internet, slow Internet or heavy traffic.
inline constexpr std::array<SpeedPreset, 3> SpeedPresets{{{1, 1}, {600, 255}, {3000, 255}}};

class ScanController : public QObject {
    Q_OBJECT
public:
    explicit ScanController(std::unique_ptr<Pinger> pinger, QObject* parent = nullptr);
    ~ScanController() override;

    Pinger& pinger() { return *echoPinger; }
    FoundComputers& foundComputers() { return found; }
    EchoRecorder& recorder() { return echoRecorder; }
    // Atomic values: written here from any thread, they apply from the next address on.
    TestParameters& parameters() { return testParameters; }

    // What the window shows, for the next address, test or ping. The repeat
    // period also sets the repeat interval (a new one restarts a pending
    // countdown; 0 minutes never repeats).
    void setParameters(const std::array<int, 3>& octets, int rangeMin, int rangeMax, int repeatMinutes);
    // The time-out and time to live of preset index, between tests; any other index changes nothing.
    void applySpeedPreset(int index);

    bool isRunning() const { return scanner != nullptr; }
    bool isStopping() const { return isRunning() && stopRequested; }
    // A new scan thread for the parameters' range; disarms the repeat.
    void start();
    // The running test ends after the echo it is on; no repeat follows.
    void requestStop();
    // Abandons a running test at once, for a close: no further echo, step or
    // finished(), and the pinger stays aborted. Also stops the look-ups'
    // hand-overs of the host names.
    void halt();
    // One echo on the calling (GUI) thread, reported like a test's; it cancels
    // a pending repeat.
    void pingOnce(const QString& address);

    // The repeat timer, armed at the end of a test that was not stopped.
    void setRepeatArmed(bool armed);
    bool repeatArmed() const { return armed; }
    bool repeatCounting() const { return repeatTimer.isActive(); }
    int repeatIntervalMs() const { return repeatInterval; }
    // How long a repeat "minute" lasts: tests run the repeat in short minutes.
    void setMinuteLength(std::chrono::milliseconds length) { minute = length; }

Q_SIGNALS:
    // Once per address, after its last echo.
    void progressed(int octet);
    // The scan thread has ended by itself or after a stop (not after halt()).
    void finished();
    // The repeat period has passed while no test runs.
    void repeatDue();
    // A step of the test failed; the test goes on.
    void failed(const QString& message);

private:
    void setRepeatInterval(int ms);
    void updateRepeatTimer();
    void endTest();

    std::unique_ptr<Pinger> echoPinger;
    TestParameters testParameters;
    FoundComputers found;
    std::shared_ptr<GuiHandOver> handOver;
    EchoRecorder echoRecorder;
    std::atomic<bool> stopRequested{false};
    std::shared_ptr<RangeScanner> scanner;
    QTimer repeatTimer;
    std::chrono::milliseconds minute{60000};
    int repeatInterval = 0;
    bool armed = false;
};
