// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/TestRun.h"

#include "link/MakerTable.h"
#include "net/Ipv4.h"
#include "net/LocalNetworks.h"
#include "net/Pinger.h"
#include "scan/EchoRecorder.h"
#include "scan/FoundComputers.h"
#include "scan/Log.h"
#include "scan/NameLookups.h"
#include "scan/OwnSightings.h"
#include "scan/RangeScanner.h"

#include <QMetaObject>

#include <arpa/inet.h>
#include <sched.h>

#include <algorithm>
#include <system_error>
#include <utility>

TestRun::TestRun(const Parts& parts, const TestPlan& plan, QObject* parent)
    : QObject(parent),
      m_parts(parts),
      m_outcome{plan, QDateTime::currentDateTime(), {}, false, true, {}, {}},
      // The test wakes the GUI thread only when events wait and none is
      // pending: a GUI thread that falls behind takes them in one go.
      m_events([this] { QMetaObject::invokeMethod(this, &TestRun::takeEvents, Qt::QueuedConnection); }),
      m_link(parts.prober),
      // Read once: the sweep's bound, the sightings, the ARP requests and the knocks agree on the link.
      m_onLink(std::make_shared<const OnLink>(OnLink::ofSystem()))
{
    m_drainTimer.setSingleShot(true);
    m_drainTimer.setTimerType(Qt::PreciseTimer);
    m_drainTimer.setInterval(std::chrono::milliseconds(16));
    connect(&m_drainTimer, &QTimer::timeout, this, &TestRun::takeEvents);
    // A name server that does not answer must not hold the test for good.
    m_settleWait.setSingleShot(true);
    connect(&m_settleWait, &QTimer::timeout, this, &TestRun::settle);
    connect(&m_parts.makers, &MakerTable::loaded, this, [this] {
        if (auto waiting = std::exchange(m_sightingsWaiting, std::nullopt)) takeSightings(*waiting);
    });
    connect(&m_parts.names, &NameLookups::allIn, this, &TestRun::trySettle);

    const PlanAddresses addresses(plan.ranges);
    m_total = static_cast<qint64>(addresses.count());
    std::vector<uint32_t> candidates;
    candidates.reserve(addresses.count());
    for (size_t i = 0; i < addresses.count(); ++i) candidates.push_back(htonl(addresses.at(i)));
    const SpeedPreset& preset = SpeedPresets.at(static_cast<size_t>(plan.preset));
    const LinkSightings::Pace pace{plan.oneAtATime ? ArpProber::PacingInterval : plan.interval, true,
                                   std::chrono::milliseconds(preset.timeoutMs)};
    m_linkBound = m_link.longestAfterEnd(candidates.size(), pace);
    m_link.start(
        std::move(candidates), LinkSightings::Clock::now(),
        [this](LinkSightings::Seen seen) {
            QMetaObject::invokeMethod(this, [this, seen] { takeSightings(seen); }, Qt::QueuedConnection);
        },
        pace, true, m_onLink);
    m_knocks.start(plan, m_onLink, [this](std::vector<TestOutcome::Knocked> knocked) {
        QMetaObject::invokeMethod(this, [this, knocked] { takeKnocks(knocked); }, Qt::QueuedConnection);
    });
    m_linkBound = std::max(m_linkBound, TestKnocks::longestAfterEnd(plan));
    // The link's ARP requests follow the echoes, under the sweep's pace and bound.
    m_scanner = std::make_unique<RangeScanner>(m_parts.pinger, plan, m_parts.network, m_stopRequested, m_events,
                                               m_onLink, [this](uint32_t address) { m_link.echoSent(address); });
    // After the sweep's thread, which must not wait for a core behind the load.
    try {
        m_parts.makers.startLoading();
    } catch (const std::system_error& e) {
        qCWarning(lcScan) << "the maker lists are not loaded, the next test tries again:" << e.what();
    }
    // The new thread often starts on this core: let its first echo go out
    // before the window locks its controls.
    sched_yield();
}

TestRun::~TestRun()
{
    halt();
}

void TestRun::takeEvents()
{
    std::vector<ScanEvent> taken = m_events.takeAll();
    if (taken.empty()) {
        if (m_events.rearm()) return;
        taken = m_events.takeAll();
    }
    // What comes within the next frame waits for it: the test wakes the GUI
    // thread once per frame, not once per echo.
    m_drainTimer.start();
    QStringList failures;
    for (const ScanEvent& event : taken) {
        try {
            takeEvent(event);
        } catch (const std::exception& e) {
            failures << QString::fromLocal8Bit(e.what());
        }
    }
    // A box opened now would let the frame timer take newer events first.
    for (const QString& failure : std::as_const(failures)) {
        qCWarning(lcScan) << "a step of the test failed:" << failure;
        QMetaObject::invokeMethod(this, [this, failure] { Q_EMIT failed(failure); }, Qt::QueuedConnection);
    }
}

void TestRun::takeEvent(const ScanEvent& event)
{
    if (event.end) return end(event.whole, event.lastSent);
    if (m_ended) return;
    if (event.echo) {
        // Beyond the plan, or refused by this host: nobody can be counted absent from this test.
        if (!m_outcome.plan.contains(event.address) || event.echo->status == EchoStatus::SendFailed)
            m_outcome.comparable = false;
        if (event.echo->answered()) m_outcome.answered.push_back({event.address, event.echo->roundTripMs});
        m_parts.recorder.record(QString::fromStdString(addressText(event.address)), *event.echo);
    }
    Q_EMIT progressed(static_cast<qint64>(event.index) + 1, m_total, event.address);
}

void TestRun::end(bool whole, uint32_t lastSent)
{
    m_scanner.reset();  // the test has ended: this joins at once
    m_stopRequested = false;
    // A stopped test asks the link nothing beyond where its echoes got.
    m_link.testEnded(whole ? std::nullopt : std::optional(lastSent));
    m_outcome.ended = QDateTime::currentDateTime();
    m_outcome.whole = whole;
    m_ended = true;
    // A computer found late in a whole test is often still being named, and
    // the link answers after the echoes; a stopped test waits for the link
    // alone, which brings the MACs and the computers that ignore the echo.
    // Names have SettleWait; the link its own bound, from its pace and size.
    m_namesWaived = !whole;
    m_settleWait.start(std::max<std::chrono::milliseconds>(SettleWait, m_linkBound + SettleWait / 10));
    Q_EMIT ended(whole);
    trySettle();
}

void TestRun::takeSightings(const LinkSightings::Seen& link)
{
    if (m_settled) return;
    std::vector<LinkSighting> sightings = link.sightings;
    OwnSightings::addTo(sightings, m_outcome, m_onLink->interfaces);
    // A maker named later would miss the notice, the report and the history.
    if (!sightings.empty() && !m_parts.makers.isLoaded()) {
        m_sightingsWaiting = link;
        return;
    }
    m_sightingsPending = false;
    // A link not looked at proves nobody gone: such a test brings no notice and no departure in the history.
    if (!link.known) {
        m_outcome.comparable = false;
        Q_EMIT linkNotSeen(QString::fromStdString(link.why));
    }
    m_outcome.onLink = TestOutcome::sightingsOf(
        sightings, [this](const MacAddress& mac) { return m_parts.makers.makerOf(mac); });
    // The list shows what the test saw on the link, of its addresses.
    for (const int row : m_parts.found.showSightings(m_outcome.plan, m_outcome.onLink))
        m_parts.names.lookUp(row, m_parts.found.address(row));
    trySettle();
}

void TestRun::takeKnocks(const std::vector<TestOutcome::Knocked>& knocked)
{
    if (m_settled) return;
    m_knocksPending = false;
    m_outcome.knocked = knocked;
    for (const int row : m_parts.found.showKnocks(m_outcome.plan, knocked))
        m_parts.names.lookUp(row, m_parts.found.address(row));
    trySettle();
}

void TestRun::trySettle()
{
    if (settling() && (m_parts.names.pending() == 0 || m_namesWaived) && !m_sightingsPending && !m_userNamesPending &&
        !m_knocksPending)
        settle();
}

void TestRun::userNamesIn()
{
    m_userNamesPending = false;
    trySettle();
}

void TestRun::settleWithoutNames()
{
    m_namesWaived = true;
    trySettle();
}

void TestRun::settle()
{
    if (!settling()) return;
    m_settleWait.stop();
    m_settled = true;
    m_sightingsPending = false;
    m_sightingsWaiting.reset();
    // Its sightings are in or their time is up: the prober is free for the next test.
    m_link.cancel();
    m_knocks.cancel();
    Q_EMIT settled(m_outcome);
}

void TestRun::stop()
{
    if (!running()) return;
    m_stopRequested = true;
    m_scanner->stop();
    m_knocks.stopSending();
}

void TestRun::halt()
{
    // Neither the test's wait for room nor its echo may hold the close.
    m_events.close();
    m_link.cancel();
    m_knocks.cancel();
    m_settleWait.stop();
    m_drainTimer.stop();
    if (m_scanner) m_parts.pinger.abort();
    m_scanner.reset();
    m_ended = m_settled = true;
}
