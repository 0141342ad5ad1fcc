// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/ScanController.h"

#include "scan/RangeScanner.h"

#include <QMetaObject>

#include <sched.h>

#include <utility>

ScanController::ScanController(std::unique_ptr<Pinger> pinger, QObject* parent)
    : QObject(parent),
      m_echoPinger(std::move(pinger)),
      m_echoRecorder(m_found, [this](int row, const QString& address) { lookUpName(row, address); }),
      // The walk wakes the GUI thread only when events wait and none is
      // pending: a GUI thread that falls behind takes them in one go.
      m_events([this] { QMetaObject::invokeMethod(this, &ScanController::takeEvents, Qt::QueuedConnection); })
{
    m_drainTimer.setSingleShot(true);
    m_drainTimer.setTimerType(Qt::PreciseTimer);
    m_drainTimer.setInterval(std::chrono::milliseconds(16));
    connect(&m_drainTimer, &QTimer::timeout, this, &ScanController::takeEvents);
    // A name server that does not answer must not hold the notice for good.
    m_namesWait.setSingleShot(true);
    m_namesWait.setInterval(NamesWait);
    connect(&m_namesWait, &QTimer::timeout, this, &ScanController::announceChange);
    // A repeat period of minutes must not drift by a coarse timer's 5 %.
    m_repeatTimer.setTimerType(Qt::PreciseTimer);
    m_repeatTimer.setSingleShot(true);
    connect(&m_repeatTimer, &QTimer::timeout, this, [this] {
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
    m_testParameters.octet1 = octets[0];
    m_testParameters.octet2 = octets[1];
    m_testParameters.octet3 = octets[2];
    m_testParameters.rangeMin = rangeMin;
    m_testParameters.rangeMax = rangeMax;
    setRepeatInterval(static_cast<int>(repeatMinutes * m_minute.count()));
}

void ScanController::applySpeedPreset(int index)
{
    // The scan thread reads the pinger's settings: a test keeps the preset it started with.
    if (isRunning() || index < 0 || index >= static_cast<int>(SpeedPresets.size())) return;
    const SpeedPreset& preset = SpeedPresets[static_cast<size_t>(index)];
    m_echoPinger->setTimeout(std::chrono::milliseconds(preset.timeoutMs));
    m_echoPinger->setTtl(preset.ttl);
}

void ScanController::start()
{
    if (isRunning() || m_pinging) return;
    announceChange();
    setRepeatArmed(false);
    m_stopRequested = false;
    m_changes.testStarted(QStringLiteral("%1.%2.%3")
                            .arg(m_testParameters.octet1.load())
                            .arg(m_testParameters.octet2.load())
                            .arg(m_testParameters.octet3.load()),
                        m_testParameters.rangeMin, m_testParameters.rangeMax);
    m_scanner = std::make_unique<RangeScanner>(*m_echoPinger, m_testParameters, m_stopRequested, m_events);
    // The new thread often starts on this core: let its first echo go out
    // before the window locks its controls.
    sched_yield();
    updateState();
}

void ScanController::takeEvents()
{
    std::vector<ScanEvent> taken = m_events.takeAll();
    if (taken.empty()) {
        if (m_events.rearm()) return;
        taken = m_events.takeAll();
    }
    // What comes within the next frame waits for it: the walk wakes the GUI
    // thread once per frame, not once per echo.
    m_drainTimer.start();
    for (ScanEvent& event : taken) {
        try {
            if (event.end) {
                endTest();
                continue;
            }
            if (event.echo) {
                m_changes.echoed(event.address, event.echo->answered());
                m_echoRecorder.record(event.address, *event.echo);
            }
            Q_EMIT progressed(event.octet);
        } catch (const std::exception& e) {
            Q_EMIT failed(QString::fromLocal8Bit(e.what()));
        }
    }
}

void ScanController::endTest()
{
    const bool stopped = m_stopRequested;
    m_stopRequested = false;
    m_scanner.reset();  // the walk has ended: this joins at once
    setRepeatArmed(!stopped);
    updateState();
    m_unannounced = m_changes.testEnded(stopped);
    // A computer found late in the test is often still being named.
    if (m_pendingNames == 0) announceChange();
    else if (m_unannounced) m_namesWait.start();
    Q_EMIT finished();
}

void ScanController::announceChange()
{
    m_namesWait.stop();
    if (!m_unannounced) return;
    const auto named = [this](const QStringList& addresses) {
        QStringList items;
        for (const QString& address : addresses) {
            const QString name = m_found.name(m_found.rowOf(address));
            items << (name.isEmpty() ? address : address + QLatin1Char(' ') + name);
        }
        return items;
    };
    const RangeChange change = *std::exchange(m_unannounced, std::nullopt);
    Q_EMIT computersChanged(named(change.answeringNow), named(change.stoppedAnswering));
}

void ScanController::requestStop()
{
    if (!isRunning()) return;
    m_stopRequested = true;
    updateState();
}

void ScanController::halt()
{
    // Neither the walk's wait for room nor its echo may hold the close.
    m_events.close();
    m_names.close();
    m_unannounced.reset();
    m_namesWait.stop();
    if (m_scanner) m_echoPinger->abort();
    m_scanner.reset();
    setRepeatArmed(false);
}

void ScanController::pingOnce(const QString& address)
{
    if (isRunning() || m_pinging) return;  // one echo at a time per pinger
    setRepeatArmed(false);
    m_pinging = true;
    updateState();
    std::optional<EchoResult> result;
    try {
        result = m_echoPinger->ping(address.toStdString());
    } catch (...) {
        m_pinging = false;
        updateState();
        throw;
    }
    m_pinging = false;
    if (result) m_echoRecorder.record(address, *result);
    updateState();
}

void ScanController::lookUpName(int row, const QString& address)
{
    ++m_pendingNames;
    // The resolver's close waits for a delivery under way, and halt() closes
    // it before this object goes: the post always finds it.
    m_names.resolve(address.toStdString(), [this, row, address](const QString& name) {
        const std::lock_guard guard(m_namesMutex);
        if (m_namesFound.empty()) QMetaObject::invokeMethod(this, &ScanController::takeNames, Qt::QueuedConnection);
        m_namesFound.push_back({row, address, name});
    });
}

void ScanController::takeNames()
{
    std::vector<FoundName> taken;
    {
        const std::lock_guard guard(m_namesMutex);
        taken.swap(m_namesFound);
    }
    for (const FoundName& named : taken) {
        if (!named.name.isEmpty()) m_found.setHostName(named.row, named.address, named.name);
        if (--m_pendingNames == 0) {
            announceChange();
            Q_EMIT namesSettled();
        }
    }
}

void ScanController::setRepeatArmed(bool value)
{
    if (value == m_armed) return;
    m_armed = value;
    updateRepeatTimer();
}

void ScanController::setRepeatInterval(int ms)
{
    if (ms == m_repeatInterval) return;
    m_repeatInterval = ms;
    updateRepeatTimer();
}

void ScanController::updateRepeatTimer()
{
    if (m_armed && m_repeatInterval > 0) {
        m_repeatTimer.start(m_repeatInterval);  // (re)starts the countdown
        m_nextTest = QDateTime::currentDateTime().addMSecs(m_repeatInterval);
    } else {
        m_repeatTimer.stop();
        m_nextTest = {};
    }
    Q_EMIT nextTestChanged(m_nextTest);
    updateState();
}

void ScanController::updateState()
{
    ScanState now = ScanState::Idle;
    if (m_scanner)
        now = m_stopRequested ? ScanState::Stopping : ScanState::Running;
    else if (m_pinging)
        now = ScanState::PingingOnce;
    else if (m_repeatTimer.isActive())
        now = ScanState::WaitingToRepeat;
    if (now == m_currentState) return;
    m_currentState = now;
    Q_EMIT stateChanged(now);
}
