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
            m_scan = std::make_unique<ScanController>(std::make_unique<Pinger>());
        } catch (const PingSocketError& e) {
            GTEST_SKIP() << "no ping socket can be opened here: " << e.what();
        }
        m_scan->recorder().setShowOnlyCorrectReplies(false);
        ScanController* s = m_scan.get();
        QObject::connect(&s->recorder(), &EchoRecorder::resultLineAdded, s, [this](const QString& l) { m_lines << l; });
        QObject::connect(s, &ScanController::finished, s, [this] { ++m_finished; });
    }
    // Runs one test of network.min..max (network: host byte order) with the preset to its end.
    bool runTest(uint32_t network, int min, int max, int preset, bool oneAtATime = false)
    {
        const int before = m_finished;
        if (!m_scan->start({{lastOctetRange(network, min, max)}, preset, oneAtATime})) return false;
        return QTest::qWaitFor([&] { return m_finished > before; }, 60000);
    }
    QStringList entries() const
    {
        QStringList texts;
        for (int row = 0; row < m_scan->foundComputers().count(); ++row) texts << m_scan->foundComputers().text(row);
        return texts;
    }

    std::unique_ptr<ScanController> m_scan;
    QStringList m_lines;
    int m_finished = 0;
};
