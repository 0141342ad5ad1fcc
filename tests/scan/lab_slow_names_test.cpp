// Catches: a scan or a GUI thread that waits for the host-name look-ups; a look-up that ends after
// Clear List and a new scan and writes its name into the entry of another computer.
#include "tests/Lab.h"
#include "tests/scan/ScanFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <thread>

extern char** environ;

class SlowNames : public ScanFixture {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        ScanFixture::SetUp();
        if (IsSkipped()) return;
        // Not QProcess: with it ThreadSanitizer reports races between the scan threads that are not there.
        std::string python = "python3", script = SLOW_NAME_SERVER, count = heldFile().toStdString();
        char* argv[] = {python.data(), script.data(), count.data(), nullptr};
        if (posix_spawnp(&server, argv[0], nullptr, nullptr, argv, environ) != 0)
            GTEST_SKIP() << "no python3 to run the name server";
        ASSERT_TRUE(waitHeld(0)) << "the name server did not start";
    }
    void TearDown() override { if (server > 0 && ::kill(server, SIGTERM) == 0) ::waitpid(server, nullptr, 0); }
    QString heldFile() const { return folder.filePath(QStringLiteral("held")); }
    bool waitHeld(int count) const
    {
        return QTest::qWaitFor([&] {
            QFile file(heldFile());
            return file.open(QIODevice::ReadOnly) && file.readAll().toInt() == count;
        }, 30000);
    }
    static qsizetype threadCount()
    {
        return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
    }

    QTemporaryDir folder;
    pid_t server = 0;
};

TEST_F(SlowNames, shouldScanOnWhileNamesWaitOnAFewThreadsAndNeverNameAnotherComputer)
{
    std::thread([] {}).join();  // ThreadSanitizer starts a thread of its own with the first new thread
    const qsizetype threadsBefore = threadCount();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] { ticks += scan->isRunning() ? 1 : 0; });
    ticker.start(0);
    ASSERT_TRUE(runTest({198, 51, 100}, 101, 150, 0));
    EXPECT_GT(ticks, 0) << "the GUI thread handled no timer during the scan";
    ASSERT_TRUE(waitHeld(HostNameResolver::DefaultThreads)) << "the look-ups did not reach the name server";
    EXPECT_LE(threadCount(), threadsBefore + HostNameResolver::DefaultThreads) << "a thread per found computer";

    scan->foundComputers().clear();
    ASSERT_TRUE(runTest({198, 51, 100}, 10, 13, 0));
    ::kill(server, SIGUSR1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return scan->namesPending() == 0; }, 60000)) << "look-ups still pending";
    EXPECT_EQ(entries(), (QStringList{entry("198.51.100.10 alpha.lab"), entry("198.51.100.11 bravo.lab"),
                                      entry("198.51.100.12 slow12.lab"), entry("198.51.100.13 slow13.lab")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return threadCount() == threadsBefore; }, 10000)) << "idle look-up threads";
}
