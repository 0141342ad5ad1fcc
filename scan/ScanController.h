// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The GUI-thread side of a test, for the window and the command line alike:
// starts a test of a plan on a thread of its own, asks it to stop, abandons
// it at a close, repeats a finished test after the repeat period, and sends
// the single ping. It owns the pinger, the list of found computers, the echo
// recorder, the name look-ups, the sightings on the link with their makers,
// and the history, and it knows which state the test is in. Once a test's
// names and sightings are in (or their time is up) the test has settled:
// reports, notices and the history hang on that.
#pragma once

#include "history/HistoryService.h"
#include "link/LinkSightings.h"
#include "link/MakerTable.h"
#include "lookup/ReverseLookup.h"
#include "net/Pinger.h"
#include "scan/ChangeWatch.h"
#include "scan/EchoRecorder.h"
#include "scan/FoundComputers.h"
#include "scan/ScanEvents.h"
#include "scan/TestKnocks.h"
#include "scan/TestOutcome.h"
#include "scan/TestPlan.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

class RangeScanner;

// How long a test waits for its names before it settles without them:
// glibc's resolver gives up on a silent name server after about this long.
// The sightings have the link's own bound when it is longer.
inline constexpr std::chrono::seconds SettleWait{10};

enum class ScanState {
    Idle,
    Running,          // a test runs
    Stopping,         // asked to stop
    PingingOnce,      // the single ping blocks the GUI thread
    WaitingToRepeat,  // a finished test repeats when the period has passed
};

class ScanController : public QObject {
    Q_OBJECT
public:
    // prober: an ARP prober opened while the program still had the right to,
    // or null, when the kernel's neighbour table tells who is on the link.
    explicit ScanController(std::unique_ptr<Pinger> pinger, ArpProber* prober = nullptr, QObject* parent = nullptr);
    ~ScanController() override;

    Pinger& pinger() { return *m_pinger; }
    FoundComputers& foundComputers() { return m_found; }
    const FoundComputers& foundComputers() const { return m_found; }
    EchoRecorder& recorder() { return m_recorder; }
    // Each settled test goes into the history file, kept keepDays days; 0
    // keeps none. Its failures come as historyFailed(). A new choice of days
    // for the same file never waits for the file.
    void setHistory(const QString& file, int keepDays);
    // Null while the history is off.
    HistoryService* history() const { return m_history && m_history->keepDays() > 0 ? m_history.get() : nullptr; }

    ScanState state() const { return m_state; }
    bool isRunning() const { return m_state == ScanState::Running || m_state == ScanState::Stopping; }

    // The first three octets (host byte order) that a running test of one
    // /24 pings from its next address on.
    void setNetwork(uint32_t network);
    // The repeat period; a pending repeat moves to the end of the last test
    // plus the new period, and 0 cancels it.
    void setRepeatMinutes(int minutes);
    // A computer stops answering, for the change notices, after this many
    // whole tests in a row without an answer.
    void setNotifyAfter(int tests) { m_changes.setMissesBeforeGone(tests); }
    int notifyAfter() const { return m_changes.missesBeforeGone(); }

    // A new test of plan, with the plan's preset; it disarms the repeat.
    // False, with the reason in why, when it cannot start.
    [[nodiscard]] bool start(const TestPlan& plan, QString* why = nullptr);
    // No further request goes out; the running test ends with what has come
    // back, and no repeat follows.
    void requestStop();
    // Abandons a running test at once, for a close: no further echo, step,
    // finished() or settled test, and the pinger stays aborted. Names still
    // being looked up are never delivered.
    void halt();
    // One echo on the calling (GUI) thread with the preset, reported like a
    // test's; it cancels a pending repeat.
    void pingOnce(const QString& address, int preset);

    // The repeat timer, armed at the end of a test that was not stopped.
    void setRepeatArmed(bool armed);
    bool repeatArmed() const { return m_armed; }
    // When the pending repeat starts the next test; invalid when none is pending.
    QDateTime nextTestAt() const { return m_nextTest; }
    // How long a repeat "minute" lasts: tests run the repeat in short minutes.
    void setMinuteLength(std::chrono::milliseconds length) { m_minute = length; }
    // Names asked for and not yet written into their entries.
    int namesPending() const { return m_pendingNames; }
    // The running or last test's sightings on the link are not in yet.
    bool sightingsPending() const { return m_sightingsPending; }
    // A test has ended and not yet settled.
    bool settling() const { return m_unsettled.has_value(); }
    // Settles the ended test without the names still on their way: now, or
    // once the link's sightings are in (within SettleWait).
    void settleNow();

Q_SIGNALS:
    void stateChanged(ScanState state);
    // After each address's echo, in address order: how many of the test's
    // addresses are done, of how many, and the address (host byte order).
    void progressed(qint64 done, qint64 total, quint32 address);
    // The test has ended by itself or after a stop (not after halt()).
    void finished();
    // The test that ended has settled: once per test, after finished().
    void testSettled(const TestOutcome& outcome);
    // The repeat period has passed while no test runs.
    void repeatDue();
    // The pending repeat has been set, moved or cancelled.
    void nextTestChanged(const QDateTime& at);
    // A step of the test failed; the test goes on. Sent after the events
    // being taken, never in their middle.
    void failed(const QString& message);
    // A whole test has settled, and computers of its range started or
    // stopped answering since the range's last whole test with the same
    // preset. range names the test's ranges; each item is the address, with
    // one blank and the host name where it is known.
    void computersChanged(const QString& range, const QStringList& answeringNow, const QStringList& stoppedAnswering);
    // The history file cannot be used; message names the file and the reason.
    void historyFailed(const QString& message);

private:
    void lookUpName(int row, const QString& address);
    void takeNames();
    void takeEvents();
    void takeEvent(ScanEvent& event);
    void endTest(bool whole, uint32_t lastSent = 0);
    void takeSightings(quint64 test, const LinkSightings::Seen& seen);
    void takeKnocks(quint64 test, const std::vector<TestOutcome::Knocked>& knocked);
    void trySettle();
    void settle();
    void record(const TestOutcome& outcome);
    void updateRepeatTimer();
    void updateState();

    std::unique_ptr<Pinger> m_pinger;
    FoundComputers m_found;
    ReverseLookupPool m_names;
    EchoRecorder m_recorder;
    ScanEvents m_events;
    ChangeWatch m_changes;
    LinkSightings m_link;
    TestKnocks m_knocks;
    bool m_knocksPending = false;  // the running or last test's TCP knocks have not come back yet
    MakerTable m_makers;
    std::unique_ptr<HistoryService> m_history;
    QString m_historyFile;
    std::atomic<uint32_t> m_network{0};
    std::atomic<bool> m_stopRequested{false};
    std::unique_ptr<RangeScanner> m_scanner;
    std::optional<TestOutcome> m_running;
    std::optional<TestOutcome> m_unsettled;  // waits for its names
    QTimer m_settleWait;
    QTimer m_drainTimer;  // the test's events are taken once per frame
    QTimer m_repeatTimer;
    QDateTime m_nextTest;
    QDateTime m_lastEnd;
    std::chrono::milliseconds m_minute{60000};
    int m_repeatMinutes = 0;
    int m_pendingNames = 0;
    qint64 m_total = 0;  // addresses of the running test
    // Names the look-up threads have found, waiting for the GUI thread.
    struct FoundName {
        int row;
        QString address;
        QString name;
    };
    std::mutex m_namesMutex;
    std::vector<FoundName> m_namesFound;
    bool m_sightingsPending = false;
    bool m_namesWaived = false;  // the ended test settles without its names: it was stopped, or settleNow()
    // Sightings come after their test; a later test must not take them.
    quint64 m_testNumber = 0;
    std::optional<std::pair<quint64, LinkSightings::Seen>> m_sightingsWaiting;  // for the maker lists
    std::chrono::milliseconds m_linkBound{0};  // the running test's sightings come this long after its end at most
    bool m_armed = false;
    bool m_pinging = false;
    ScanState m_state = ScanState::Idle;
};
