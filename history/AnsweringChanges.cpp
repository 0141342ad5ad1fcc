// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/AnsweringChanges.h"

QStringList AnsweringChanges::stoppedAnswering(int notifyAfter) const
{
    QStringList addresses;
    for (const MissedComputer& computer : missing)
        if (computer.missedInRow == notifyAfter) addresses << computer.address;
    return addresses;
}

QStringList AnsweringChanges::startedAnswering(int notifyAfter) const
{
    QStringList addresses;
    for (const ReturnedComputer& computer : returned)
        if (computer.missedBefore == ReturnedComputer::NeverAnswered || computer.missedBefore >= notifyAfter)
            addresses << computer.address;
    return addresses;
}
