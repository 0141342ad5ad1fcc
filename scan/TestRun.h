// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One test, from its start to its settled outcome. It owns the sweep on a
// thread of its own, takes its echoes on the GUI thread once per frame, and
// asks the link who is there and knocks on TCP ports, in flight with the
// echoes. Once the test has
// ended and its names and sightings are in, or their time is up, it
// settles: the outcome it hands on then is all that the reports, the notices
// and the history get.
#pragma once

#include "link/LinkSightings.h"
#include "scan/ScanEvents.h"
#include "scan/TestKnocks.h"
#include "scan/TestOutcome.h"
#include "scan/TestPlan.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

class EchoRecorder;
class FoundComputers;
class MakerTable;
class NameLookups;
class Pinger;
class RangeScanner;

// How long a test waits for its names before it settles without them:
// glibc's resolver gives up on a silent name server after about this long.
// The sightings have the link's own bound when it is longer.
inline constexpr std::chrono::seconds SettleWait{10};

class TestRun : public QObject {
    Q_OBJECT
public:
    // What a test uses and does not own: they outlast it.
    struct Parts {
        Pinger& pinger;
        ArpProber* prober;  // null: the neighbour table tells
        MakerTable& makers;
        FoundComputers& found;
        EchoRecorder& recorder;
        NameLookups& names;
        // The first three octets that a test of one /24 follows, or null.
        const std::atomic<uint32_t>* network;
    };

    // Starts the test. Throws std::system_error where no thread starts.
    TestRun(const Parts& parts, const TestPlan& plan, QObject* parent = nullptr);
    ~TestRun() override;  // halt()

    // The sweep runs (stopping too).
    [[nodiscard]] bool running() const { return m_scanner != nullptr; }
    [[nodiscard]] bool stopping() const { return running() && m_stopRequested; }
    // Ended and not yet settled.
    [[nodiscard]] bool settling() const { return m_ended && !m_settled; }
    [[nodiscard]] bool sightingsPending() const { return m_sightingsPending; }

    // No further request goes out; the test ends with what has come back.
    void stop();
    // Settles without the names still on their way: now, or once the
    // link's sightings are in (within their bound).
    void settleWithoutNames();
    // The user's names for the computers are being read: the test settles
    // once they are in (or its time is up), so that its outcome shows them.
    void holdForUserNames() { m_userNamesPending = true; }
    void userNamesIn();
    // Settles now with what is in: a new test is starting.
    void settle();
    // Abandons the test, for a close: no further event, end or outcome.
    void halt();

Q_SIGNALS:
    // After each address's echo, in address order: how many of the test's
    // addresses are done, of how many, and the address (host byte order).
    void progressed(qint64 done, qint64 total, quint32 address);
    // The sweep has ended by itself (whole) or after a stop.
    void ended(bool whole);
    // Once, after ended().
    void settled(const TestOutcome& outcome);
    // A step of the test failed; the test goes on.
    void failed(const QString& message);
    // The link could not be looked at (why): the test proves nobody gone.
    void linkNotSeen(const QString& why);

private:
    void takeEvents();
    void takeEvent(const ScanEvent& event);
    void end(bool whole, uint32_t lastSent);
    void takeSightings(const LinkSightings::Seen& seen);
    void takeKnocks(const std::vector<TestOutcome::Knocked>& knocked);
    void trySettle();

    Parts m_parts;
    TestOutcome m_outcome;
    qint64 m_total = 0;
    ScanEvents m_events;
    LinkSightings m_link;
    std::shared_ptr<const OnLink> m_onLink;  // the link as the test found it at its start
    std::chrono::milliseconds m_linkBound{0};
    TestKnocks m_knocks;
    bool m_knocksPending = true;
    std::atomic<bool> m_stopRequested{false};
    std::unique_ptr<RangeScanner> m_scanner;
    QTimer m_drainTimer;  // the events are taken once per frame
    QTimer m_settleWait;
    std::optional<LinkSightings::Seen> m_sightingsWaiting;  // for the makers
    bool m_sightingsPending = true;
    bool m_namesWaived = false;
    bool m_userNamesPending = false;
    bool m_ended = false;
    bool m_settled = false;
};
