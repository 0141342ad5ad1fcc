// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/ServerHistory.h"

#include "files/Report.h"
#include "history/Log.h"

#include <QUuid>

ServerHistory::ServerHistory(const QString& uri, const QString& scanner, const QString& spoolFile, int keepDays)
    : m_store(uri, scanner, keepDays), m_spool(spoolFile)
{
}

std::vector<ServerHistory::Notice> ServerHistory::takeNotices()
{
    return std::exchange(m_notices, {});
}

void ServerHistory::away(const QString& reason)
{
    m_error = reason;
    if (std::exchange(m_away, true)) return;
    m_notices.push_back({false, QStringLiteral("the history server is away: %1; the tests wait in %2 until it answers")
                                    .arg(reason, m_spool.path())});
}

bool ServerHistory::sayRefused(const std::vector<TestRecord>& pieces, const QString& reason)
{
    QStringList ranges;
    for (const TestRecord& piece : pieces) ranges << piece.range;
    if (ranges.size() > 3) ranges = QStringList{ranges.front(), QStringLiteral("..."), ranges.back()};
    const QString text = QStringLiteral("the history server refused the test of %1, ended %2: %3; it is set aside in %4")
                             .arg(ranges.join(QStringLiteral(", ")), isoWithOffset(pieces.front().end), reason, m_spool.path());
    qCWarning(lcHistory).noquote() << text;
    m_notices.push_back({true, text});
    return true;
}

bool ServerHistory::send(const QString& uid, const std::vector<TestRecord>& pieces, KnownSightings* learned)
{
    // Older rows go with the first test and then once a day of tests, as in the file.
    const qint64 end = pieces.front().end.toSecsSinceEpoch();
    const bool prune = m_lastPrune == 0 || end - m_lastPrune >= 24 * 60 * 60 || end < m_lastPrune;
    KnownSightings sightings;
    if (!m_store.record(uid, pieces, prune, &sightings)) return false;
    if (learned) {
        learned->newComputers.insert(learned->newComputers.end(), sightings.newComputers.begin(), sightings.newComputers.end());
        learned->moves.insert(learned->moves.end(), sightings.moves.begin(), sightings.moves.end());
    }
    if (prune) m_lastPrune = end;
    return true;
}

bool ServerHistory::sendSpool(KnownSightings* learned)
{
    qint64 sent = 0;
    for (;;) {
        std::optional<HistorySpool::Entry> entry = m_spool.oldest();
        if (!entry) {
            if (!m_spool.lastError().isEmpty()) {
                m_error = m_spool.lastError();
                return false;
            }
            break;
        }
        if (!send(entry->uid, entry->pieces, learned)) {
            if (!m_store.refused()) {
                away(m_store.lastError());
                return false;
            }
            // The tests behind it go on.
            if (!m_spool.setAside(entry->id, m_store.lastError())) {
                m_error = m_spool.lastError();
                return false;
            }
            sayRefused(entry->pieces, m_store.lastError());
            continue;
        }
        // Confirmed: a removal that fails sends it again, and the server takes it once.
        if (!m_spool.remove(entry->id)) {
            m_error = m_spool.lastError();
            return false;
        }
        ++sent;
    }
    if (std::exchange(m_away, false) || sent > 0)
        m_notices.push_back({true, QStringLiteral("the history server is back: %1; %2 waiting test(s) sent")
                                       .arg(m_store.uri()).arg(sent)});
    return true;
}

bool ServerHistory::record(const std::vector<TestRecord>& pieces, bool closing, KnownSightings* learned)
{
    const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    // Nothing waits: straight to the server, and to the spool only if it fails.
    if (!m_away && m_spool.count() == 0 && m_spool.lastError().isEmpty()) {
        if (send(uid, pieces, learned)) return true;
        if (m_store.refused()) {
            if (m_spool.add(uid, pieces, m_store.lastError())) return sayRefused(pieces, m_store.lastError());
            m_error = m_spool.lastError();
            qCWarning(lcHistory).noquote() << "a test is lost:" << m_error;
            return false;
        }
        away(m_store.lastError());
    }
    if (!m_spool.add(uid, pieces)) {
        m_error = m_spool.lastError();
        qCWarning(lcHistory).noquote() << "a test is lost:" << m_error;
        return false;
    }
    if (!(closing && m_away)) (void)sendSpool(learned);  // in order: the spool's older tests before this one
    return true;
}

std::optional<std::vector<ComputerHistory>> ServerHistory::computers(const HistoryRange& range, const QDateTime& now,
                                                                     const QString& fromScanner)
{
    if (m_spool.count() > 0) (void)sendSpool();
    std::optional<std::vector<ComputerHistory>> computers = m_store.computers(range, now, fromScanner);
    if (!computers) away(m_store.lastError());
    return computers;
}

bool ServerHistory::known(bool write, const std::function<bool(KnownComputers&)>& work)
{
    if (m_store.known(write, work)) return true;
    // A name waits in no spool: it is given again once the server answers.
    m_error = write && !m_store.isOpen()
        ? QStringLiteral("the name is not kept: the history server is away (%1); give it again once the server answers")
              .arg(m_store.lastError())
        : m_store.lastError();
    return false;
}
