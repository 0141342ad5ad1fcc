// A scan controller with a real pinger, and what it reported.
#pragma once

#include "scan/ScanController.h"
#include "tests/QtPrinters.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QStringList>
#include <QTest>

#include <memory>

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
        EchoRecorder& recorder = scan->recorder();
        recorder.setShowOnlyCorrectReplies(false);
        QObject::connect(&recorder, &EchoRecorder::resultLineAdded, &recorder, [this](const QString& line) { lines << line; });
        QObject::connect(scan.get(), &ScanController::progressed, scan.get(), [this](int octet) { steps.push_back(octet); });
        QObject::connect(scan.get(), &ScanController::finished, scan.get(), [this] { ++finished; });
    }

    void setUp(int o1, int o2, int o3, int min, int max, int preset, int repeatMinutes = 0)
    {
        scan->setParameters({o1, o2, o3}, min, max, repeatMinutes);
        scan->applySpeedPreset(preset);
    }
    // Runs one test to its end.
    bool runTest()
    {
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
    std::vector<int> steps;
    int finished = 0;
};
