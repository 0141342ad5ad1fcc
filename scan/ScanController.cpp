#include "scan/ScanController.h"

#include "lookup/HostNameResolver.h"
#include "scan/GuiHandOver.h"
#include "scan/RangeScanner.h"

#include <sched.h>

ScanController::ScanController(std::unique_ptr<Pinger> pinger, QObject* parent)
    : QObject(parent),
      echoPinger(std::move(pinger)),
      handOver(GuiHandOver::create()),
      echoRecorder(found,
                   [this](int row, const QString& address) {
                       // The list outlives every hand-over: halt() closes them first.
                       resolveInBackground(address.toStdString(),
                                           [handOver = handOver, list = &found, row, address](const QString& name) {
                                               handOver->run([=] { list->setHostName(row, address, name); });
                                           });
                   })
{
    // A repeat period of minutes must not drift by a coarse timer's 5 %.
    repeatTimer.setTimerType(Qt::PreciseTimer);
    connect(&repeatTimer, &QTimer::timeout, this, [this] {
        if (!isRunning()) Q_EMIT repeatDue();
    });
}

ScanController::~ScanController()
{
    halt();
}

void ScanController::setParameters(const std::array<int, 3>& octets, int rangeMin, int rangeMax, int repeatMinutes)
{
    testParameters.octet1 = octets[0];
    testParameters.octet2 = octets[1];
    testParameters.octet3 = octets[2];
    testParameters.attempts = 1;
    testParameters.rangeMin = rangeMin;
    testParameters.rangeMax = rangeMax;
    testParameters.repeatMinutes = repeatMinutes;
    setRepeatInterval(static_cast<int>(repeatMinutes * minute.count()));
}

void ScanController::applySpeedPreset(int index)
{
    // The scan thread reads the pinger's settings: a test keeps the preset it started with.
    if (isRunning() || index < 0 || index >= static_cast<int>(SpeedPresets.size())) return;
    const SpeedPreset& preset = SpeedPresets[static_cast<size_t>(index)];
    echoPinger->setTimeout(std::chrono::milliseconds(preset.timeoutMs));
    echoPinger->setTtl(preset.ttl);
}

void ScanController::start()
{
    if (isRunning()) return;
    setRepeatArmed(false);
    stopRequested = false;
    const auto guarded = [this](auto step) {
        try {
            step();
        } catch (const std::exception& e) {
            Q_EMIT failed(QString::fromLocal8Bit(e.what()));
        }
    };
    RangeScanner::Steps steps;
    steps.echoed = [this, guarded](const QString& address, const EchoResult& result) {
        guarded([&] { echoRecorder.record(address, result); });
    };
    steps.progressed = [this, guarded](int octet) { guarded([&] { Q_EMIT progressed(octet); }); };
    steps.finished = [this, guarded] { guarded([this] { endTest(); }); };
    scanner = RangeScanner::start(*echoPinger, testParameters, stopRequested, handOver, std::move(steps));
    // The new thread often starts on this core: let it send its first echo
    // before the window repaints its locked controls.
    sched_yield();
}

void ScanController::endTest()
{
    setRepeatArmed(!stopRequested);
    stopRequested = false;
    scanner.reset();
    Q_EMIT finished();
}

void ScanController::requestStop()
{
    stopRequested = true;
}

void ScanController::halt()
{
    handOver->close();
    if (!scanner) return;
    // Both waits of the scan thread end at once: the hand-over is shut and the
    // echo aborted, so the wait for it to let go is brief.
    echoPinger->abort();
    scanner->halt();
    scanner.reset();
}

void ScanController::pingOnce(const QString& address)
{
    if (isRunning()) return;  // one echo at a time per pinger
    setRepeatArmed(false);
    const std::optional<EchoResult> result = echoPinger->ping(address.toStdString());
    if (result) echoRecorder.record(address, *result);
}

void ScanController::setRepeatArmed(bool value)
{
    if (value == armed) return;
    armed = value;
    updateRepeatTimer();
}

void ScanController::setRepeatInterval(int ms)
{
    if (ms == repeatInterval) return;
    repeatInterval = ms;
    updateRepeatTimer();
}

void ScanController::updateRepeatTimer()
{
    if (armed && repeatInterval > 0)
        repeatTimer.start(repeatInterval);  // (re)starts the countdown
    else
        repeatTimer.stop();
}
