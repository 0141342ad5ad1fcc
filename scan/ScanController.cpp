// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/ScanController.h"

#include "scan/RangeScanner.h"

#include <QMetaObject>

#include <sched.h>

#include <utility>

ScanController::ScanController(std::unique_ptr<Pinger> pinger, QObject* parent)
    : QObject(parent),
      echoPinger(std::move(pinger)),
      echoRecorder(found, [this](int row, const QString& address) { lookUpName(row, address); }),
      // The walk wakes the GUI thread only when events wait and none is
      // pending: a GUI thread that falls behind takes them in one go.
      events([this] { QMetaObject::invokeMethod(this, &ScanController::takeEvents, Qt::QueuedConnection); })
{
    drainTimer.setSingleShot(true);
    drainTimer.setTimerType(Qt::PreciseTimer);
    drainTimer.setInterval(std::chrono::milliseconds(16));
    connect(&drainTimer, &QTimer::timeout, this, &ScanController::takeEvents);
    // A name server that does not answer must not hold the notice for good.
    namesWait.setSingleShot(true);
    namesWait.setInterval(NamesWait);
    connect(&namesWait, &QTimer::timeout, this, &ScanController::announceChange);
    // A repeat period of minutes must not drift by a coarse timer's 5 %.
    repeatTimer.setTimerType(Qt::PreciseTimer);
    repeatTimer.setSingleShot(true);
    connect(&repeatTimer, &QTimer::timeout, this, [this] {
        // The timer repeats until a test starts, as a repeating timer would.
        updateRepeatTimer();
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
    testParameters.rangeMin = rangeMin;
    testParameters.rangeMax = rangeMax;
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
    if (isRunning() || pinging) return;
    announceChange();
    setRepeatArmed(false);
    stopRequested = false;
    changes.testStarted(QStringLiteral("%1.%2.%3")
                            .arg(testParameters.octet1.load())
                            .arg(testParameters.octet2.load())
                            .arg(testParameters.octet3.load()),
                        testParameters.rangeMin, testParameters.rangeMax);
    scanner = std::make_unique<RangeScanner>(*echoPinger, testParameters, stopRequested, events);
    // The new thread often starts on this core: let its first echo go out
    // before the window locks its controls.
    sched_yield();
    updateState();
}

void ScanController::takeEvents()
{
    std::vector<ScanEvent> taken = events.takeAll();
    if (taken.empty()) {
        if (events.rearm()) return;
        taken = events.takeAll();
    }
    // What comes within the next frame waits for it: the walk wakes the GUI
    // thread once per frame, not once per echo.
    drainTimer.start();
    for (ScanEvent& event : taken) {
        try {
            if (event.end) {
                endTest();
                continue;
            }
            if (event.echo) {
                changes.echoed(event.address, event.echo->answered());
                echoRecorder.record(event.address, *event.echo);
            }
            Q_EMIT progressed(event.octet);
        } catch (const std::exception& e) {
            Q_EMIT failed(QString::fromLocal8Bit(e.what()));
        }
    }
}

void ScanController::endTest()
{
    const bool stopped = stopRequested;
    stopRequested = false;
    scanner.reset();  // the walk has ended: this joins at once
    setRepeatArmed(!stopped);
    updateState();
    unannounced = changes.testEnded(stopped);
    // A computer found late in the test is often still being named.
    if (pendingNames == 0) announceChange();
    else if (unannounced) namesWait.start();
    Q_EMIT finished();
}

void ScanController::announceChange()
{
    namesWait.stop();
    if (!unannounced) return;
    const auto named = [this](const QStringList& addresses) {
        QStringList items;
        for (const QString& address : addresses) {
            const QString name = found.name(found.rowOf(address));
            items << (name.isEmpty() ? address : address + QLatin1Char(' ') + name);
        }
        return items;
    };
    const RangeChange change = *std::exchange(unannounced, std::nullopt);
    Q_EMIT computersChanged(named(change.answeringNow), named(change.stoppedAnswering));
}

void ScanController::requestStop()
{
    if (!isRunning()) return;
    stopRequested = true;
    updateState();
}

void ScanController::halt()
{
    // Neither the walk's wait for room nor its echo may hold the close.
    events.close();
    names.close();
    unannounced.reset();
    namesWait.stop();
    if (scanner) echoPinger->abort();
    scanner.reset();
    setRepeatArmed(false);
}

void ScanController::pingOnce(const QString& address)
{
    if (isRunning() || pinging) return;  // one echo at a time per pinger
    setRepeatArmed(false);
    pinging = true;
    updateState();
    std::optional<EchoResult> result;
    try {
        result = echoPinger->ping(address.toStdString());
    } catch (...) {
        pinging = false;
        updateState();
        throw;
    }
    pinging = false;
    if (result) echoRecorder.record(address, *result);
    updateState();
}

void ScanController::lookUpName(int row, const QString& address)
{
    ++pendingNames;
    // The resolver's close waits for a delivery under way, and halt() closes
    // it before this object goes: the post always finds it.
    names.resolve(address.toStdString(), [this, row, address](const QString& name) {
        const std::lock_guard guard(namesMutex);
        if (namesFound.empty()) QMetaObject::invokeMethod(this, &ScanController::takeNames, Qt::QueuedConnection);
        namesFound.push_back({row, address, name});
    });
}

void ScanController::takeNames()
{
    std::vector<FoundName> taken;
    {
        const std::lock_guard guard(namesMutex);
        taken.swap(namesFound);
    }
    for (const FoundName& named : taken) {
        if (!named.name.isEmpty()) found.setHostName(named.row, named.address, named.name);
        if (--pendingNames == 0) {
            announceChange();
            Q_EMIT namesSettled();
        }
    }
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
    if (armed && repeatInterval > 0) {
        repeatTimer.start(repeatInterval);  // (re)starts the countdown
        nextTest = QDateTime::currentDateTime().addMSecs(repeatInterval);
    } else {
        repeatTimer.stop();
        nextTest = {};
    }
    Q_EMIT nextTestChanged(nextTest);
    updateState();
}

void ScanController::updateState()
{
    ScanState now = ScanState::Idle;
    if (scanner)
        now = stopRequested ? ScanState::Stopping : ScanState::Running;
    else if (pinging)
        now = ScanState::PingingOnce;
    else if (repeatTimer.isActive())
        now = ScanState::WaitingToRepeat;
    if (now == currentState) return;
    currentState = now;
    Q_EMIT stateChanged(now);
}
