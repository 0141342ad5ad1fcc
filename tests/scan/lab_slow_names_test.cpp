// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: a scan or a GUI thread that waits for the host-name look-ups; a look-up that ends after
// Clear List and a new scan and writes its name into the entry of another computer.
#include "tests/Lab.h"
#include "tests/SlowNameServer.h"
#include "tests/scan/ScanFixture.h"

#include <QDir>

#include <thread>

class SlowNames : public ScanFixture {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        ScanFixture::SetUp();
        ASSERT_TRUE(m_server.holds(0)) << "the name server (python3) did not start";
    }
    static qsizetype threadCount()
    {
        return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
    }

    SlowNameServer m_server;
};

TEST_F(SlowNames, shouldScanOnWhileNamesWaitOnAFewThreadsAndNeverNameAnotherComputer)
{
    std::thread([] {}).join();  // ThreadSanitizer starts a thread of its own with the first new thread
    const qsizetype threadsBefore = threadCount();
    // The test's end comes through the GUI thread's event loop while the name server holds the look-ups.
    ASSERT_TRUE(runTest(0xC6336400, 101, 150, 0));
    ASSERT_TRUE(m_server.holds(ReverseLookupPool::DefaultThreads)) << "the look-ups did not reach the name server";
    // Beside the look-ups: the sightings on the link and the makers' loader.
    EXPECT_LE(threadCount(), threadsBefore + ReverseLookupPool::DefaultThreads + 2) << "a thread per found computer";

    m_scan->foundComputers().clear();
    ASSERT_TRUE(runTest(0xC6336400, 10, 13, 0));
    m_server.answer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_scan->namesPending() == 0; }, 60000)) << "look-ups still pending";
    EXPECT_EQ(entries(), (QStringList{entry("198.51.100.10 alpha.lab"), entry("198.51.100.11 bravo.lab"),
                                      entry("198.51.100.12 slow12.lab"), entry("198.51.100.13 slow13.lab")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return threadCount() == threadsBefore; }, 10000)) << "idle look-up threads";
}
