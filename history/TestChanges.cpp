// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/TestChanges.h"

#include "history/Log.h"
#include "net/Ipv4.h"

#include <QSqlQuery>

namespace {

// A test recorded after a newer one (another program's) ends at most about
// this much before it; a stored time further ahead came from a clock that ran ahead.
constexpr qint64 LateTest = 60 * 60;

} // namespace

ComputerRow ComputerRow::fromQuery(const QSqlQuery& query, int first)
{
    const auto value = [&](int i) { return query.value(first + i); };
    return ComputerRow{value(0).toLongLong(), value(1).toLongLong(), value(2).toString(), value(3).toString(),
                       value(4).isNull() ? std::nullopt : std::optional<qint64>(value(4).toLongLong()),
                       value(5).toLongLong() != 0, value(6).toLongLong(), value(7), false};
}

TestChanges::TestChanges(const TestRecord& test, const HistoryRange& range, std::map<quint32, ComputerRow> known)
    : m_test(test), m_time(test.end.toSecsSinceEpoch()), m_computers(std::move(known))
{
    for (const ComputerResult& result : test.computers) {
        if (!result.answered && !result.seenOnLink && !result.answeredKnock) continue;
        const std::optional<quint32> address = parseAddress(result.address.toStdString());
        if (address && range.contains(*address)) m_seen[*address] = &result;
        else qCWarning(lcHistory) << "left out" << result.address << "of a test of" << test.range;
    }
}

// What a clock that ran ahead stored goes: the state is that of the last
// change before this test, or of the first sighting (present).
bool TestChanges::rewind(quint32 address, ComputerRow& computer, const Rewind& rewindStore)
{
    if (computer.stateTime <= m_time + LateTest) return true;
    qCWarning(lcHistory) << "a test of" << m_test.range << "stored a time ahead of the clock for"
                         << addressText(address).c_str() << "; this test's state replaces it";
    std::optional<StateChange> last;
    if (!rewindStore(address, m_time, &last)) return false;
    computer.state = last ? last->present : true;
    computer.stateTime = last ? last->time : std::min(computer.firstSeen, m_time);
    computer.present.reset();
    if (computer.lastSeen > m_time + LateTest) computer.lastSeen = m_time;
    return true;
}

bool TestChanges::compute(const Rewind& rewindStore)
{
    const auto flip = [&](quint32 address, ComputerRow& computer, bool present) {
        computer.state = present;
        m_flips.push_back({address, present});
    };
    const QString none(QLatin1String(""));  // not NULL: the columns hold text
    for (const auto& [address, result] : m_seen) {
        auto [it, isNew] = m_computers.try_emplace(address, ComputerRow{m_time, m_time, none, none, {}, true, m_time, {}, true});
        ComputerRow& computer = it->second;
        if (!rewind(address, computer, rewindStore)) return false;
        if (m_time >= computer.lastSeen) {
            computer.lastSeen = m_time;
            if (!result->name.isEmpty()) computer.name = result->name;
            if (!result->mac.isEmpty()) computer.mac = result->mac;
            computer.seenBy = result->answered     ? QStringLiteral("echo")
                              : result->seenOnLink ? QStringLiteral("link")
                                                   : QStringLiteral("tcp");
        }
        computer.firstSeen = std::min(computer.firstSeen, m_time);
        // A test older than the state's (another program's, recorded late) only adds sightings.
        if (m_time < computer.stateTime) continue;
        if (!isNew && !computer.state) flip(address, computer, true);
        computer.stateTime = m_time;
        if (m_test.whole) computer.present = 1;
    }
    for (auto& [address, computer] : m_computers) {
        if (!m_seen.contains(address)) {  // absent, which only a whole test tells
            if (!m_test.whole) continue;
            if (!rewind(address, computer, rewindStore)) return false;
            if ((computer.present == 0 && !computer.state) || m_time < computer.stateTime) continue;
            computer.present = 0;
            if (computer.state) flip(address, computer, false);
            computer.stateTime = m_time;
        }
        m_rows.emplace_back(address, &computer);
    }
    return true;
}
