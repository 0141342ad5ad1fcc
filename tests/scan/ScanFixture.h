// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A scan controller with a real pinger, and what it reported.
#pragma once

#include "scan/ScanController.h"
#include "tests/QtPrinters.h"

#include <gtest/gtest.h>

#include <QTest>

// A list entry's text: padded to the list's entry width.
inline QString entry(const char* text)
{
    return QString::fromUtf8(text).leftJustified(FoundComputers::EntryWidth);
}

class ScanFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        try {
            scan = std::make_unique<ScanController>(std::make_unique<Pinger>());
        } catch (const PingSocketError& e) {
            GTEST_SKIP() << "no ping socket can be opened here: " << e.what();
        }
        scan->recorder().setShowOnlyCorrectReplies(false);
        ScanController* s = scan.get();
        QObject::connect(&s->recorder(), &EchoRecorder::resultLineAdded, s, [this](const QString& l) { lines << l; });
        QObject::connect(s, &ScanController::finished, s, [this] { ++finished; });
    }
    // Runs one test of min..max with the preset to its end.
    bool runTest(std::array<int, 3> octets, int min, int max, int preset)
    {
        scan->setParameters(octets, min, max, 0);
        scan->applySpeedPreset(preset);
        const int before = finished;
        scan->start();
        return QTest::qWaitFor([&] { return finished > before; }, 60000);
    }
    QStringList entries() const
    {
        QStringList texts;
        for (int row = 0; row < scan->foundComputers().count(); ++row) texts << scan->foundComputers().text(row);
        return texts;
    }

    std::unique_ptr<ScanController> scan;
    QStringList lines;
    int finished = 0;
};
