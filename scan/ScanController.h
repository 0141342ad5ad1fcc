// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The GUI-thread side of a range test: starts the scan thread, asks it to
// stop, abandons it at a close, repeats a finished test after the repeat
// period, and sends the single ping. It owns the pinger, the test
// parameters, the list of found computers, the echo recorder and the name
// look-ups, and it knows which state the test is in.
#pragma once

#include "lookup/HostNameResolver.h"
#include "scan/ChangeWatch.h"
#include "net/Pinger.h"
#include "scan/EchoRecorder.h"
#include "scan/FoundComputers.h"
#include "scan/ScanEvents.h"
#include "scan/TestParameters.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class RangeScanner;

struct SpeedPreset {
    int timeoutMs;
    int ttl;
};
// LAN, fast Internet, slow Internet or heavy traffic.
inline constexpr std::array<SpeedPreset, 3> SpeedPresets{{{1, 1}, {600, 255}, {3000, 255}}};

// How long a notice of change waits for the names of its test: glibc's
// resolver gives up on a silent name server after about this long.
inline constexpr std::chrono::seconds NamesWait{10};

enum class ScanState {
    Idle,
    Running,          // the scan thread walks the range
    Stopping,         // asked to stop; it ends after the echo it is on
    PingingOnce,      // the single ping blocks the GUI thread
    WaitingToRepeat,  // a finished test repeats when the period has passed
};

class ScanController : public QObject {
    Q_OBJECT
public:
    explicit ScanController(std::unique_ptr<Pinger> pinger, QObject* parent = nullptr);
    ~ScanController() override;

    Pinger& pinger() { return *m_echoPinger; }
    FoundComputers& foundComputers() { return m_found; }
    const FoundComputers& foundComputers() const { return m_found; }
    EchoRecorder& recorder() { return m_echoRecorder; }
    // Atomic values: written here from any thread, they apply from the next address on.
    TestParameters& parameters() { return m_testParameters; }

    ScanState state() const { return m_currentState; }
    bool isRunning() const { return m_currentState == ScanState::Running || m_currentState == ScanState::Stopping; }

    // What the window shows, for the next address, test or ping. The repeat
    // period also sets the repeat interval (a new one restarts a pending
    // countdown; 0 minutes never repeats).
    void setParameters(const std::array<int, 3>& octets, int rangeMin, int rangeMax, int repeatMinutes);
    // The time-out and time to live of preset index, between tests; any other index changes nothing.
    void applySpeedPreset(int index);

    // A new scan thread for the parameters' range; disarms the repeat.
    void start();
    // The running test ends after the echo it is on; no repeat follows.
    void requestStop();
    // Abandons a running test at once, for a close: no further echo, step or
    // finished(), and the pinger stays aborted. Names still being looked up
    // are never delivered.
    void halt();
    // One echo on the calling (GUI) thread, reported like a test's; it cancels
    // a pending repeat.
    void pingOnce(const QString& address);

    // The repeat timer, armed at the end of a test that was not stopped.
    void setRepeatArmed(bool armed);
    bool repeatArmed() const { return m_armed; }
    // When the pending repeat starts the next test; invalid when none is pending.
    QDateTime nextTestAt() const { return m_nextTest; }
    // How long a repeat "minute" lasts: tests run the repeat in short minutes.
    void setMinuteLength(std::chrono::milliseconds length) { m_minute = length; }
    // Names asked for and not yet written into their entries.
    int namesPending() const { return m_pendingNames; }

Q_SIGNALS:
    void stateChanged(ScanState state);
    // Once per address, after its echo.
    void progressed(int octet);
    // The scan thread has ended by itself or after a stop (not after halt()).
    void finished();
    // The repeat period has passed while no test runs.
    void repeatDue();
    // The pending repeat has been set, moved or cancelled.
    void nextTestChanged(const QDateTime& at);
    // A step of the test failed; the test goes on.
    void failed(const QString& message);
    // The last name asked for has been looked up.
    void namesSettled();
    // A test has run to its end, and computers of its range started or
    // stopped answering since the range's last whole test. Each item is the
    // address, with one blank and the host name where it is known. It comes
    // once the test's names are in, or NamesWait after the end at the latest.
    void computersChanged(const QStringList& answeringNow, const QStringList& stoppedAnswering);

private:
    void lookUpName(int row, const QString& address);
    void takeNames();
    void takeEvents();
    void endTest();
    void announceChange();
    void setRepeatInterval(int ms);
    void updateRepeatTimer();
    void updateState();

    std::unique_ptr<Pinger> m_echoPinger;
    TestParameters m_testParameters;
    FoundComputers m_found;
    HostNameResolver m_names;
    EchoRecorder m_echoRecorder;
    ScanEvents m_events;
    ChangeWatch m_changes;
    std::optional<RangeChange> m_unannounced;  // waits for the names of its test
    QTimer m_namesWait;
    std::atomic<bool> m_stopRequested{false};
    std::unique_ptr<RangeScanner> m_scanner;
    QTimer m_drainTimer;  // the scan's events are taken once per frame
    QTimer m_repeatTimer;
    QDateTime m_nextTest;
    std::chrono::milliseconds m_minute{60000};
    int m_repeatInterval = 0;
    int m_pendingNames = 0;
    // Names the look-up threads have found, waiting for the GUI thread.
    struct FoundName {
        int row;
        QString address;
        QString name;
    };
    std::mutex m_namesMutex;
    std::vector<FoundName> m_namesFound;
    bool m_armed = false;
    bool m_pinging = false;
    ScanState m_currentState = ScanState::Idle;
};
