// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The GUI-thread side of scanning, for the window and the command line
// alike: what lasts across tests. It starts each test (a TestRun), asks it
// to stop, abandons it at a close, repeats finished tests, and sends the
// single ping. It owns the pinger, the list of found computers, the echo
// recorder, the name look-ups, the makers, the change notices and the
// history; each settled outcome goes to the history, the notices and
// testSettled(), in that order.
#pragma once

#include "history/HistoryService.h"
#include "link/MakerTable.h"
#include "net/Pinger.h"
#include "scan/ChangeWatch.h"
#include "scan/EchoRecorder.h"
#include "scan/FoundComputers.h"
#include "scan/KnownComputerWatch.h"
#include "scan/NameLookups.h"
#include "scan/RepeatTimer.h"
#include "scan/TestRun.h"

#include <QDateTime>
#include <QObject>

#include <atomic>
#include <chrono>
#include <memory>

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
    // file may be a postgresql:// URI: the history on that server, as server says.
    void setHistory(const QString& file, int keepDays, const HistoryServerSetup& server = {});
    // Null while the history is off.
    HistoryService* history() const { return m_history && m_history->keepDays() > 0 ? m_history.get() : nullptr; }

    // Which new computers bring a notice (newComputersSeen()).
    KnownComputerWatch& knownComputers() { return m_known; }
    // Names a computer by its MAC or address (an empty label forgets it), in
    // the history; the list shows it once kept. False while the history is off.
    bool nameComputer(const QString& key, const QString& label, const QString& note);

    ScanState state() const { return m_state; }
    bool isRunning() const;

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
    void setRepeatArmed(bool armed) { m_repeat.setArmed(armed); }
    bool repeatArmed() const { return m_repeat.armed(); }
    // When the pending repeat starts the next test; invalid when none is pending.
    QDateTime nextTestAt() const { return m_repeat.nextTestAt(); }
    // How long a repeat "minute" lasts: tests run the repeat in short minutes.
    void setMinuteLength(std::chrono::milliseconds length) { m_repeat.setMinuteLength(length); }
    // Names asked for and not yet written into their entries.
    int namesPending() const { return m_names.pending(); }
    // The running or last test's sightings on the link are not in yet.
    bool sightingsPending() const { return m_test && m_test->sightingsPending(); }
    // A test has ended and not yet settled.
    bool settling() const { return m_test && m_test->settling(); }
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
    // The test's link could not be looked at (why): it proves nobody gone.
    void linkNotSeen(const QString& why);
    // A whole test has settled, and computers of its range started or
    // stopped answering since the range's last whole test with the same
    // preset. range names the test's ranges; each item is the address, with
    // one blank and the host name where it is known.
    void computersChanged(const QString& range, const QStringList& answeringNow, const QStringList& stoppedAnswering);
    // The history saw these MACs for the first time ("ADDRESS, MAC (maker)"), as KnownComputerWatch lets through.
    void newComputersSeen(const QStringList& computers);
    // Two MACs answered for one address in a test, and did not in the last tests of that address: each item
    // "Address conflict at ADDRESS: MAC (maker, LABEL) and MAC (maker, LABEL) both answer for it". Always sent.
    void addressConflicts(const QStringList& conflicts);
    // A whole test found known MACs at other addresses than before: each
    // item "NAME (MAC) moved from .23 to .57 at 14:05", in neither list of computersChanged().
    void computersMoved(const QString& range, const QStringList& moves);
    // The history file cannot be used; message names the file and the reason.
    void historyFailed(const QString& message);
    // The history server is away (its tests wait in the spool), or answers again.
    void historyServerChanged(const QString& message, bool answering);

private:
    void testEnded(bool whole);
    void settled(const TestOutcome& outcome);
    void record(const TestOutcome& outcome);
    void announceMoves(const TestOutcome& outcome, const std::vector<AddressMove>& moves);
    void watchKnownComputers();
    void updateState();

    std::unique_ptr<Pinger> m_pinger;
    ArpProber* m_prober;
    FoundComputers m_found;
    NameLookups m_names;
    EchoRecorder m_recorder;
    ChangeWatch m_changes;
    MakerTable m_makers;
    RepeatTimer m_repeat;
    KnownComputerWatch m_known;
    std::unique_ptr<HistoryService> m_history;
    QString m_historyFile;
    QString m_historyScanner;
    std::atomic<uint32_t> m_network{0};
    // The running test, or the last one until the next starts.
    std::unique_ptr<TestRun> m_test;
    ScanState m_state = ScanState::Idle;
    bool m_pinging = false;
    bool m_halted = false;  // for good: no test follows, nor a read of the names
    bool m_namesPending = false;  // the user's names are being read for the first time since the history opened
};
