// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Tests of 192.0.2.1-20 written compactly: minutes after a fixed time, and the last octets that answered.
#pragma once

#include "history/HistoryStore.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <optional>
#include <vector>

struct Step {
    qint64 minute;
    bool whole;
    std::vector<int> answering;
    std::vector<int> onLink = {};  // seen in the neighbour table without answering
};

// Minutes after the start of this hour: near now, as the service prunes by the clock.
inline QDateTime at(qint64 minute)
{
    static const qint64 hour = QDateTime::currentSecsSinceEpoch() / 3600 * 3600;
    return QDateTime::fromSecsSinceEpoch(hour + minute * 60);
}

inline QString address(int octet)
{
    return QStringLiteral("192.0.2.%1").arg(octet);
}

inline TestRecord testRecord(const Step& step, const QString& range = QStringLiteral("192.0.2.1-20"))
{
    TestRecord test{range, 1, at(step.minute).addSecs(-10), at(step.minute), step.whole, {}};
    for (int octet : step.answering)
        test.computers.push_back({address(octet), true, QStringLiteral("host%1").arg(octet), {}, true, {}});
    for (int octet : step.onLink)
        test.computers.push_back({address(octet), false, {}, QStringLiteral("02:00:00:00:00:%1").arg(octet), true, {}});
    return test;
}

// A store in a fresh folder, its file history.sqlite.
struct TemporaryHistory {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("history.sqlite"));
    HistoryStore store{path, 365, 200};
    TemporaryHistory() { EXPECT_EQ(store.open(), HistoryStore::Opened::Ready) << store.lastError().toStdString(); }
    bool run(const std::vector<Step>& steps)
    {
        for (const Step& step : steps)
            if (!store.record({testRecord(step)})) return false;
        return true;
    }
    std::optional<ComputerHistory> computer(int octet, qint64 minute)
    {
        const auto all = store.computers(*HistoryRange::parse(QStringLiteral("192.0.2.0-255")), at(minute));
        if (!all) ADD_FAILURE() << store.lastError().toStdString();
        for (const ComputerHistory& computer : all.value_or(std::vector<ComputerHistory>{}))
            if (computer.address == address(octet)) return computer;
        return std::nullopt;
    }
};
