// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/ScanController.h"

#include "net/Ipv4.h"
#include "scan/Log.h"
#include "scan/OwnSightings.h"
#include "scan/RangeScanner.h"

#include <QMetaObject>

#include <arpa/inet.h>
#include <sched.h>

#include <algorithm>
#include <limits>
#include <system_error>
#include <utility>

namespace {

QString dotted(uint32_t address)
{
    return QString::fromStdString(dottedText(htonl(address)));
}

} // namespace

ScanController::ScanController(std::unique_ptr<Pinger> pinger, ArpProber* prober, QObject* parent)
    : QObject(parent),
      m_pinger(std::move(pinger)),
      m_recorder(m_found, [this](int row, const QString& address) { lookUpName(row, address); }),
      // The test wakes the GUI thread only when events wait and none is
      // pending: a GUI thread that falls behind takes them in one go.
      m_events([this] { QMetaObject::invokeMethod(this, &ScanController::takeEvents, Qt::QueuedConnection); }),
      m_link(prober)
{
    m_drainTimer.setSingleShot(true);
    m_drainTimer.setTimerType(Qt::PreciseTimer);
    m_drainTimer.setInterval(std::chrono::milliseconds(16));
    connect(&m_drainTimer, &QTimer::timeout, this, &ScanController::takeEvents);
    // A name server that does not answer must not hold the test for good.
    m_settleWait.setSingleShot(true);
    connect(&m_settleWait, &QTimer::timeout, this, &ScanController::settle);
    connect(&m_makers, &MakerTable::loaded, this, [this] {
        if (auto waiting = std::exchange(m_sightingsWaiting, std::nullopt)) takeSightings(waiting->first, waiting->second);
    });
    // A repeat period of minutes must not drift by a coarse timer's 5 %.
    m_repeatTimer.setTimerType(Qt::PreciseTimer);
    m_repeatTimer.setSingleShot(true);
    connect(&m_repeatTimer, &QTimer::timeout, this, [this] {
        // The timer repeats until a test starts, as a repeating timer would.
        m_lastEnd = QDateTime::currentDateTime();
        updateRepeatTimer();
        if (!isRunning()) Q_EMIT repeatDue();
    });
}

ScanController::~ScanController()
{
    halt();
}

void ScanController::setNetwork(uint32_t network)
{
    m_network = network & 0xFFFFFF00u;
}

void ScanController::setRepeatMinutes(int minutes)
{
    if (minutes == m_repeatMinutes) return;
    m_repeatMinutes = minutes;
    updateRepeatTimer();
}

bool ScanController::start(const TestPlan& plan, QString* why)
{
    const auto refuse = [&](const QString& reason) {
        qCWarning(lcScan) << "no test started:" << reason;
        if (why != nullptr) *why = reason;
        return false;
    };
    if (isRunning() || m_pinging) return refuse(QStringLiteral("a test or a ping is under way"));
    if (plan.preset < 0 || plan.preset >= static_cast<int>(SpeedPresets.size()))
        return refuse(QStringLiteral("no speed preset is chosen"));
    settle();
    setRepeatArmed(false);
    const SpeedPreset& preset = SpeedPresets[static_cast<size_t>(plan.preset)];
    m_pinger->setTimeout(std::chrono::milliseconds(preset.timeoutMs));
    m_pinger->setTtl(preset.ttl);
    m_stopRequested = false;
    // A test of one /24 follows edits of the window's octets while it runs.
    const bool follow = plan.isOneNetworkPart();
    if (follow) m_network = plan.ranges[0].first & 0xFFFFFF00u;
    m_running = TestOutcome{plan, QDateTime::currentDateTime(), {}, false, true, {}, {}, {}};
    const PlanAddresses addresses(plan.ranges);
    m_total = static_cast<qint64>(addresses.count());
    std::vector<uint32_t> candidates;
    candidates.reserve(addresses.count());
    for (size_t i = 0; i < addresses.count(); ++i) candidates.push_back(htonl(addresses.at(i)));
    try {
        const quint64 test = ++m_testNumber;
        const LinkSightings::Pace pace{plan.oneAtATime ? ArpProber::PacingInterval : plan.interval};
        m_linkBound = m_link.longestAfterEnd(candidates.size(), pace);
        m_link.start(
            std::move(candidates), LinkSightings::Clock::now(),
            [this, test](LinkSightings::Seen seen) {
                QMetaObject::invokeMethod(this, [this, test, seen] { takeSightings(test, seen); }, Qt::QueuedConnection);
            },
            pace);
        m_sightingsPending = true;
        m_knocksPending = true;
        m_knocks.start(plan, [this, test](std::vector<TestOutcome::Knocked> knocked) {
            QMetaObject::invokeMethod(this, [this, test, knocked] { takeKnocks(test, knocked); }, Qt::QueuedConnection);
        });
        m_linkBound = std::max(m_linkBound, m_knocks.longestAfterEnd(plan));
        m_makers.startLoading();
        m_scanner = std::make_unique<RangeScanner>(*m_pinger, plan, follow ? &m_network : nullptr, m_stopRequested,
                                                   m_events);
    } catch (const std::system_error& e) {
        m_link.cancel();
        m_knocks.cancel();
        m_sightingsPending = m_knocksPending = false;
        m_running.reset();
        return refuse(QStringLiteral("no thread for the test: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    // The new thread often starts on this core: let its first echo go out
    // before the window locks its controls.
    sched_yield();
    updateState();
    return true;
}

void ScanController::takeEvents()
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
    for (ScanEvent& event : taken) {
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

void ScanController::takeEvent(ScanEvent& event)
{
    if (event.end) {
        endTest(event.whole, event.lastSent);
        return;
    }
    if (!m_running) return;
    if (event.echo) {
        if (!m_running->plan.contains(event.address)) m_running->comparable = false;
        if (event.echo->answered()) m_running->answered.push_back({event.address, event.echo->roundTripMs});
        m_recorder.record(dotted(event.address), *event.echo);
    }
    Q_EMIT progressed(static_cast<qint64>(event.index) + 1, m_total, event.address);
}

void ScanController::endTest(bool whole, uint32_t lastSent)
{
    m_stopRequested = false;
    m_scanner.reset();  // the test has ended: this joins at once
    // A stopped test asks the link nothing beyond where its echoes got.
    m_link.testEnded(whole ? std::nullopt : std::optional(lastSent));
    m_lastEnd = QDateTime::currentDateTime();
    setRepeatArmed(whole);
    updateState();
    if (m_running) {
        m_running->ended = m_lastEnd;
        m_running->whole = whole;
        m_unsettled = std::exchange(m_running, std::nullopt);
    }
    Q_EMIT finished();
    // A computer found late in a whole test is often still being named, and
    // the link answers after the echoes; a stopped test waits for the link
    // alone, which brings the MACs and the computers that ignore the echo.
    // Names have SettleWait; the link its own bound, from its pace and size.
    m_namesWaived = !whole;
    if (m_unsettled) m_settleWait.start(std::max<std::chrono::milliseconds>(SettleWait, m_linkBound + SettleWait / 10));
    trySettle();
}

void ScanController::takeSightings(quint64 test, const LinkSightings::Seen& link)
{
    if (test != m_testNumber) return;  // an earlier test's, come after the next one started
    TestOutcome* outcome = m_unsettled ? &*m_unsettled : m_running ? &*m_running : nullptr;
    std::vector<LinkSighting> sightings = link.sightings;
    if (outcome != nullptr) OwnSightings::addTo(sightings, *outcome, localInterfaces());
    // A maker named later would miss the notice, the report and the history.
    if (!sightings.empty() && !m_makers.isLoaded()) {
        m_sightingsWaiting.emplace(test, link);
        return;
    }
    m_sightingsPending = false;
    // A link not looked at proves nobody gone: such a test brings no notice and no departure in the history.
    if (!link.known && outcome != nullptr) outcome->comparable = false;
    std::vector<TestOutcome::Sighting> seen =
        TestOutcome::sightingsOf(sightings, [this](const MacAddress& mac) { return m_makers.makerOf(mac); });
    // The list shows what the last test saw on the link, of its addresses.
    if (outcome != nullptr)
        for (const int row : m_found.showSightings(outcome->plan, seen)) lookUpName(row, m_found.address(row));
    if (m_unsettled) m_unsettled->onLink = std::move(seen);
    else if (m_running) m_running->onLink = std::move(seen);
    trySettle();
}

void ScanController::takeKnocks(quint64 test, const std::vector<TestOutcome::Knocked>& knocked)
{
    if (test != m_testNumber) return;  // an earlier test's
    m_knocksPending = false;
    TestOutcome* outcome = m_unsettled ? &*m_unsettled : m_running ? &*m_running : nullptr;
    if (outcome == nullptr) return;
    outcome->knocked = knocked;
    for (const int row : m_found.showKnocks(outcome->plan, knocked)) lookUpName(row, m_found.address(row));
    trySettle();
}

void ScanController::trySettle()
{
    if (m_unsettled && (m_pendingNames == 0 || m_namesWaived) && !m_sightingsPending && !m_knocksPending) settle();
}

void ScanController::settle()
{
    m_settleWait.stop();
    m_namesWaived = false;
    if (!m_unsettled) return;
    const TestOutcome outcome = *std::exchange(m_unsettled, std::nullopt);
    record(outcome);
    if (const std::optional<RangeChange> change = m_changes.compare(outcome)) {
        const auto named = [this](const std::vector<uint32_t>& addresses) {
            QStringList items;
            for (const uint32_t address : addresses) {
                const QString text = dotted(address);
                const QString name = m_found.name(m_found.rowOf(text));
                items << (name.isEmpty() ? text : text + QLatin1Char(' ') + name);
            }
            return items;
        };
        Q_EMIT computersChanged(QString::fromStdString(planText(outcome.plan)), named(change->answeringNow), named(change->stoppedAnswering));
    }
    Q_EMIT testSettled(outcome);
}

void ScanController::settleNow()
{
    m_namesWaived = true;
    trySettle();
}

void ScanController::requestStop()
{
    if (!isRunning()) return;
    m_stopRequested = true;
    m_scanner->stop();
    m_knocks.stopSending();
    updateState();
}

void ScanController::halt()
{
    // Neither the test's wait for room nor its echo may hold the close.
    m_events.close();
    m_names.close();
    m_link.cancel();
    m_knocks.cancel();
    m_sightingsWaiting.reset();
    m_sightingsPending = m_knocksPending = false;
    m_unsettled.reset();
    m_settleWait.stop();
    if (m_scanner) m_pinger->abort();
    m_scanner.reset();
    m_running.reset();
    setRepeatArmed(false);
}

void ScanController::pingOnce(const QString& address, int preset)
{
    if (isRunning() || m_pinging) return;  // one echo at a time per pinger
    setRepeatArmed(false);
    if (preset >= 0 && preset < static_cast<int>(SpeedPresets.size())) {
        m_pinger->setTimeout(std::chrono::milliseconds(SpeedPresets[static_cast<size_t>(preset)].timeoutMs));
        m_pinger->setTtl(SpeedPresets[static_cast<size_t>(preset)].ttl);
    }
    m_pinging = true;
    updateState();
    std::optional<EchoResult> result;
    try {
        result = m_pinger->ping(address.toStdString());
    } catch (...) {
        m_pinging = false;
        updateState();
        throw;
    }
    m_pinging = false;
    if (result) m_recorder.record(address, *result);
    updateState();
}

void ScanController::lookUpName(int row, const QString& address)
{
    // The pool's close waits for a delivery under way, and halt() closes it
    // before this object goes: the post always finds it.
    const bool asked = m_names.resolve(address.toStdString(), [this, row, address](const QString& name) {
        const std::lock_guard guard(m_namesMutex);
        if (m_namesFound.empty()) QMetaObject::invokeMethod(this, &ScanController::takeNames, Qt::QueuedConnection);
        m_namesFound.push_back({row, address, name});
    });
    if (asked) ++m_pendingNames;
}

void ScanController::takeNames()
{
    std::vector<FoundName> taken;
    {
        const std::lock_guard guard(m_namesMutex);
        taken.swap(m_namesFound);
    }
    for (const FoundName& named : taken) {
        // Rows move as computers are inserted in address order: find it again.
        if (!named.name.isEmpty()) m_found.setHostName(m_found.rowOf(named.address), named.address, named.name);
        if (--m_pendingNames == 0) trySettle();
    }
}

void ScanController::setRepeatArmed(bool value)
{
    if (value == m_armed) return;
    m_armed = value;
    updateRepeatTimer();
}

void ScanController::updateRepeatTimer()
{
    const qint64 period = m_repeatMinutes * static_cast<qint64>(m_minute.count());
    if (m_armed && period > 0 && m_lastEnd.isValid()) {
        m_nextTest = m_lastEnd.addMSecs(period);
        const qint64 left = QDateTime::currentDateTime().msecsTo(m_nextTest);
        m_repeatTimer.start(static_cast<int>(std::clamp<qint64>(left, 0, std::numeric_limits<int>::max())));
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
    if (now == m_state) return;
    m_state = now;
    Q_EMIT stateChanged(now);
}

void ScanController::setHistory(const QString& file, int keepDays)
{
    if (m_history && file == m_historyFile) return m_history->setKeepDays(keepDays);
    // Another file only at the start; the old one's writes are waited for.
    m_history.reset();
    m_historyFile = file;
    if (keepDays <= 0) return;
    QString why;
    m_history = HistoryService::start(file, keepDays, &why);
    if (m_history) connect(m_history.get(), &HistoryService::failed, this, &ScanController::historyFailed);
    else QMetaObject::invokeMethod(this, [this, why] { Q_EMIT historyFailed(why); }, Qt::QueuedConnection);
}

void ScanController::record(const TestOutcome& outcome)
{
    if (history() == nullptr) return;
    const auto nameOf = [this](uint32_t address) { return m_found.name(m_found.rowOf(dotted(address))); };
    m_history->record(outcome.historyRecords(nameOf));
}
