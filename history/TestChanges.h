// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What one test does to the computers of its range, by the history's rules,
// computed once for the file and the server alike: which rows it writes and
// which presence changes it flips. The store reads the rows first and writes
// the outcome; only a time a clock that ran ahead stored needs it in between.
#pragma once

#include "history/HistoryRange.h"
#include "history/StateTimeline.h"
#include "history/TestRecord.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class QSqlQuery;

// A computer's row as a test finds and leaves it.
struct ComputerRow {
    qint64 firstSeen = 0, lastSeen = 0;
    QString name, mac;
    std::optional<qint64> present;  // at the last whole test
    bool state = false;
    qint64 stateTime = 0;
    QVariant seenBy;  // "echo", "link", "tcp"; null: not yet known
    bool isNew = false;

    // From the columns first_seen, last_seen, name, mac, answering, state,
    // state_time, seen_by, starting at column first.
    static ComputerRow fromQuery(const QSqlQuery& query, int first);
};

class TestChanges {
public:
    struct Flip {
        quint32 address = 0;
        bool present = false;
    };
    // The store's part for a time ahead of the clock: drops the address's
    // changes after time and gives the last one left (none: none left).
    // False: the store failed (its reason is its own).
    using Rewind = std::function<bool(quint32 address, qint64 time, std::optional<StateChange>* last)>;

    // known: the stored rows of the test's range, by address.
    TestChanges(const TestRecord& test, const HistoryRange& range, std::map<quint32, ComputerRow> known);

    // False where rewind failed.
    [[nodiscard]] bool compute(const Rewind& rewind);
    qint64 time() const { return m_time; }
    // Each to be flipped at time(): a change at that time already kept is
    // removed instead, so that the changes kept always alternate.
    const std::vector<Flip>& flips() const { return m_flips; }
    // The rows to write, by address; isNew: to be inserted.
    const std::vector<std::pair<quint32, const ComputerRow*>>& rows() const { return m_rows; }

private:
    bool rewind(quint32 address, ComputerRow& computer, const Rewind& rewindStore);

    const TestRecord& m_test;
    qint64 m_time;
    std::map<quint32, ComputerRow> m_computers;
    std::map<quint32, const ComputerResult*> m_seen;
    std::vector<Flip> m_flips;
    std::vector<std::pair<quint32, const ComputerRow*>> m_rows;
};
