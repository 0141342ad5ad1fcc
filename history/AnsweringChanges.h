// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What a whole test just recorded changed, for notices that wait for N missed
// whole tests in a row. Stopped tests neither count as missed nor break a run.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

struct MissedComputer {
    QString address;
    int missedInRow = 0;  // whole tests without an answer since its last answer in one
};

struct ReturnedComputer {
    QString address;
    // Whole tests missed in a row before this answer; NeverAnswered: its
    // first answer in a whole test while an earlier whole test covered it.
    int missedBefore = 0;
    static constexpr int NeverAnswered = -1;
};

struct AnsweringChanges {
    std::vector<MissedComputer> missing;      // every known computer that once answered and missed this test
    std::vector<ReturnedComputer> returned;   // answered after missing one or more, or for the first time

    // The addresses that have now missed exactly notifyAfter whole tests in a row.
    QStringList stoppedAnswering(int notifyAfter) const;
    // The addresses that answer again after at least notifyAfter missed ones, or for the first time.
    QStringList startedAnswering(int notifyAfter) const;
};
