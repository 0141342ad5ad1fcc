// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/ScanController.h"

#include "history/HistoryReader.h"
#include "net/Ipv4.h"
#include "scan/Log.h"

#include <QMetaObject>

#include <system_error>

namespace {

QString dotted(uint32_t address)
{
    return QString::fromStdString(addressText(address));
}

} // namespace

ScanController::ScanController(std::unique_ptr<Pinger> pinger, ArpProber* prober, QObject* parent)
    : QObject(parent),
      m_pinger(std::move(pinger)),
      m_prober(prober),
      m_names(m_found),
      m_recorder(m_found, [this](int row, const QString& address) { m_names.lookUp(row, address); })
{
    connect(&m_repeat, &RepeatTimer::nextTestChanged, this, [this](const QDateTime& at) {
        Q_EMIT nextTestChanged(at);
        updateState();
    });
    connect(&m_repeat, &RepeatTimer::due, this, [this] {
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
    m_repeat.setMinutes(minutes);
}

bool ScanController::isRunning() const
{
    return m_test && m_test->running();
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
    // The last test settles with what it has; it may be the caller of this.
    if (m_test) {
        m_test->settle();
        disconnect(m_test.get(), nullptr, this, nullptr);
        m_test.release()->deleteLater();
    }
    m_repeat.setArmed(false);
    const SpeedPreset& preset = SpeedPresets[static_cast<size_t>(plan.preset)];
    m_pinger->setTimeout(std::chrono::milliseconds(preset.timeoutMs));
    m_pinger->setTtl(preset.ttl);
    // A test of one /24 follows edits of the window's octets while it runs.
    const bool follow = plan.isOneNetworkPart();
    if (follow) m_network = plan.ranges[0].first & 0xFFFFFF00u;
    const TestRun::Parts parts{*m_pinger, m_prober, m_makers, m_found, m_recorder, m_names,
                               follow ? &m_network : nullptr};
    try {
        m_test = std::make_unique<TestRun>(parts, plan);
    } catch (const std::system_error& e) {
        return refuse(QStringLiteral("no thread for the test: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    connect(m_test.get(), &TestRun::progressed, this, &ScanController::progressed);
    connect(m_test.get(), &TestRun::failed, this, &ScanController::failed);
    connect(m_test.get(), &TestRun::linkNotSeen, this, &ScanController::linkNotSeen);
    connect(m_test.get(), &TestRun::ended, this, &ScanController::testEnded);
    connect(m_test.get(), &TestRun::settled, this, &ScanController::settled);
    m_changes.askHistory(history(), plan);
    if (history() != nullptr) m_history->prepareToRecord();
    // The names are read ahead of the click; only the first test after the history opens waits for them.
    if (history() != nullptr && m_namesPending) m_test->holdForUserNames();
    updateState();
    return true;
}

void ScanController::testEnded(bool whole)
{
    m_repeat.testEnded(whole);
    updateState();
    Q_EMIT finished();
}

void ScanController::settled(const TestOutcome& outcome)
{
    record(outcome);
    const QStringList conflicts = m_known.tested(outcome);
    const std::optional<RangeChange> change = m_changes.compare(outcome);
    if (change && !change->moved.empty()) announceMoves(outcome, change->moved);
    if (change && (!change->answeringNow.empty() || !change->stoppedAnswering.empty())) {
        const auto named = [this](const std::vector<uint32_t>& addresses) {
            QStringList items;
            for (const uint32_t address : addresses) {
                const QString text = dotted(address);
                const QString name = m_found.name(m_found.rowOf(text));
                items << (name.isEmpty() ? text : text + QLatin1Char(' ') + name);
            }
            return items;
        };
        Q_EMIT computersChanged(QString::fromStdString(planText(outcome.plan)), named(change->answeringNow),
                                named(change->stoppedAnswering));
    }
    if (!conflicts.isEmpty()) {
        for (const QString& conflict : conflicts) qCWarning(lcScan).noquote() << conflict;
        Q_EMIT addressConflicts(conflicts);
    }
    Q_EMIT testSettled(outcome);
}

void ScanController::settleNow()
{
    if (m_test) m_test->settleWithoutNames();
}

void ScanController::requestStop()
{
    if (!isRunning()) return;
    m_test->stop();
    updateState();
}

void ScanController::halt()
{
    m_halted = true;
    m_names.close();
    if (m_test) m_test->halt();
    m_repeat.setArmed(false);
}

void ScanController::pingOnce(const QString& address, int preset)
{
    if (isRunning() || m_pinging) return;  // one echo at a time per pinger
    m_repeat.setArmed(false);
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

void ScanController::updateState()
{
    ScanState now = ScanState::Idle;
    if (isRunning())
        now = m_test->stopping() ? ScanState::Stopping : ScanState::Running;
    else if (m_pinging)
        now = ScanState::PingingOnce;
    else if (m_repeat.pending())
        now = ScanState::WaitingToRepeat;
    if (now == m_state) return;
    m_state = now;
    Q_EMIT stateChanged(now);
}

void ScanController::setHistory(const QString& file, int keepDays, const HistoryServerSetup& server)
{
    if (m_history && file == m_historyFile && server.scanner == m_historyScanner) return m_history->setKeepDays(keepDays);
    // Another file only at the start; the old one's writes are waited for.
    m_history.reset();
    m_historyFile = file;
    m_historyScanner = server.scanner;
    if (keepDays <= 0) return;
    QString why;
    m_history = HistoryService::start(file, keepDays, &why, server);
    if (m_history) {
        connect(m_history.get(), &HistoryService::failed, this, &ScanController::historyFailed);
        connect(m_history.get(), &HistoryService::serverChanged, this, &ScanController::historyServerChanged);
        watchKnownComputers();
    } else {
        QMetaObject::invokeMethod(this, [this, why] { Q_EMIT historyFailed(why); }, Qt::QueuedConnection);
    }
}

void ScanController::record(const TestOutcome& outcome)
{
    if (history() == nullptr) return;
    const auto nameOf = [this](uint32_t address) { return m_found.name(m_found.rowOf(dotted(address))); };
    m_history->record(outcome.historyRecords(nameOf));
}

void ScanController::watchKnownComputers()
{
    connect(m_history.get(), &HistoryService::namesRead, this, [this](const KnownNames& names) {
        m_namesPending = false;
        m_found.setKnownNames(names);
        m_known.setKnownNames(names);
        if (m_test) m_test->userNamesIn();
    });
    // Another program (--name) may have named a computer in the same file: the next test shows it.
    connect(m_history.get(), &HistoryService::recorded, this, [this] {
        if (!m_halted) m_history->readNames();
    });
    connect(m_history.get(), &HistoryService::learned, this, [this](const KnownSightings& learned) {
        if (const QStringList computers = m_known.toTell(learned); !computers.isEmpty()) Q_EMIT newComputersSeen(computers);
    });
    m_namesPending = true;
    m_history->readNames();
}

bool ScanController::nameComputer(const QString& key, const QString& label, const QString& note)
{
    if (history() == nullptr) return false;
    m_history->nameComputer(key, label, note);
    return true;
}

void ScanController::announceMoves(const TestOutcome& outcome, const std::vector<AddressMove>& moves)
{
    QStringList lines;
    for (const AddressMove& move : moves) {
        const QString label = m_found.label(m_found.rowOf(dotted(move.to)));
        lines << (label.isEmpty() ? move.mac : label + QStringLiteral(" (") + move.mac + QLatin1Char(')')) +
                     QLatin1Char(' ') + HistoryReader::moveText(move.from, move.to, outcome.ended);
    }
    Q_EMIT computersMoved(QString::fromStdString(planText(outcome.plan)), lines);
}
