// The program as a process, inside the test lab: the close while an echo and
// a name look-up are pending, and the start without any ICMP socket.
#include "tests/Lab.h"
#include "tests/TestFiles.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <set>
#include <string>

namespace {

// A name server on the lab's loopback that takes queries and never answers.
class TSilentNameServer {
public:
    TSilentNameServer()
    {
        FSocket = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(53);
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (FSocket >= 0 && bind(FSocket, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
            close(FSocket);
            FSocket = -1;
        }
    }
    ~TSilentNameServer()
    {
        if (FSocket >= 0) close(FSocket);
    }
    TSilentNameServer(const TSilentNameServer&) = delete;
    TSilentNameServer& operator=(const TSilentNameServer&) = delete;
    bool Listening() const { return FSocket >= 0; }
    int Queries()
    {
        char packet[512];
        while (FSocket >= 0 && recv(FSocket, packet, sizeof packet, 0) > 0) ++FCount;
        return FCount;
    }

private:
    int FSocket = -1;
    int FCount = 0;
};

// Names in a folder that were opened, created or changed while it was watched.
class TFolderWatch {
public:
    explicit TFolderWatch(const QString& folder)
    {
        FFd = inotify_init1(IN_NONBLOCK);
        if (FFd >= 0)
            inotify_add_watch(FFd, QFile::encodeName(folder).constData(),
                              IN_OPEN | IN_ACCESS | IN_CREATE | IN_MODIFY | IN_MOVED_TO | IN_ATTRIB);
    }
    ~TFolderWatch()
    {
        if (FFd >= 0) close(FFd);
    }
    TFolderWatch(const TFolderWatch&) = delete;
    TFolderWatch& operator=(const TFolderWatch&) = delete;
    std::set<std::string> Touched()
    {
        alignas(inotify_event) char buffer[8192];
        ssize_t n = 0;
        while (FFd >= 0 && (n = read(FFd, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0) FNames.insert(event->name);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return FNames;
    }

private:
    int FFd = -1;
    std::set<std::string> FNames;
};

// Reads the lab's ping_group_range and restores it at the end.
class TPingGroupRange {
public:
    TPingGroupRange() : FFormer(ReadFile(Path)) {}
    ~TPingGroupRange()
    {
        if (!FFormer.isEmpty()) WriteFile(Path, FFormer);
    }
    TPingGroupRange(const TPingGroupRange&) = delete;
    TPingGroupRange& operator=(const TPingGroupRange&) = delete;
    bool ForbidAll() const { return !FFormer.isEmpty() && WriteFile(Path, "1 0\n"); }

private:
    static inline const QString Path = QStringLiteral("/proc/sys/net/ipv4/ping_group_range");
    QByteArray FFormer;
};

bool WaitForLine(QProcess& process, const QByteArray& line, QByteArray& seen)
{
    const QDeadlineTimer deadline(60000);
    while (!seen.contains(line + '\n')) {
        if (deadline.hasExpired() || process.state() == QProcess::NotRunning) return false;
        process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        seen += process.readAllStandardOutput();
    }
    return true;
}

} // namespace

// The close neither waits for the pending echo (3000 ms time-out) nor for the
// resolver that waits for the silent name server.
TEST(ProcessLabTest, shouldEndAtOnceWhenClosedDuringAnEchoAndALookUp)
{
    SCANVET_REQUIRE_LAB();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TSilentNameServer nameServer;

    QProcess driver;
    driver.setWorkingDirectory(dir.path());
    driver.start(QStringLiteral(CLOSE_DRIVER), {});
    ASSERT_TRUE(driver.waitForStarted());
    QByteArray out;
    const bool pending = WaitForLine(driver, "echo pending", out);
    // The echo to the silent address times out 3000 ms after it was sent; the
    // program must be gone before that.
    const QDeadlineTimer echoTimeout(3000);
    const bool finished = pending && driver.waitForFinished(static_cast<int>(echoTimeout.remainingTime()));
    const bool endedLater = !finished && driver.waitForFinished(30000);
    if (driver.state() != QProcess::NotRunning) {
        driver.kill();
        driver.waitForFinished();
    }
    out += driver.readAllStandardOutput();
    const QByteArray err = driver.readAllStandardError();
    SCOPED_TRACE(("stdout: " + out + "\nstderr: " + err).toStdString());

    ASSERT_TRUE(pending) << "the scan never sent its echo to " << Lab::Silent;
    EXPECT_TRUE(finished) << (endedLater ? "the close waited for the echo" : "the program did not end");
    EXPECT_EQ(driver.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(driver.exitCode(), 0);
    EXPECT_TRUE(out.contains("closed\n"));
    EXPECT_EQ(ReadFile(dir.filePath("Scanvet.cfg")), QByteArray("198\r\n51\r\n100\r\n12\r\n20\r\n20\r\n1\r\n"));
    if (nameServer.Listening()) {
        EXPECT_GE(nameServer.Queries(), 1) << "no resolver asked the name server before the close";
    }
}

// Without an ICMP socket the window cannot be built: the "Application Error"
// box, exit code 1, and the settings file neither read nor written.
TEST(ProcessLabTest, shouldStopWithTheApplicationErrorWhenNoIcmpSocketMayBeOpened)
{
    SCANVET_REQUIRE_LAB();
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) GTEST_SKIP() << "setpriv is missing";
    TPingGroupRange pingGroups;
    ASSERT_TRUE(pingGroups.ForbidAll()) << "cannot forbid the ping socket in the lab";

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Open to the unprivileged user, so that only the program's own choice keeps it off the file.
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                      QFileDevice::WriteOther | QFileDevice::ExeOther));
    const QString settings = dir.filePath(QStringLiteral("Scanvet.cfg"));
    const QByteArray former("10\r\n20\r\nabc\r\n");
    ASSERT_TRUE(WriteFile(settings, former));
    ASSERT_TRUE(QFile::setPermissions(settings, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ReadOther | QFileDevice::WriteOther));
    TFolderWatch watch(dir.path());

    QProcess program;
    program.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    program.setProcessEnvironment(env);
    program.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                              QStringLiteral("--clear-groups"), QStringLiteral(ENTRY_DRIVER)});
    const bool finished = program.waitForFinished(60000);
    if (!finished) {
        program.kill();
        program.waitForFinished();
    }
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    SCOPED_TRACE(err.toStdString());
    ASSERT_TRUE(finished) << "the program started although no ICMP socket may be opened";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Application Error: Exception TICMPException in module "
                                                  "entry_driver at [0-9A-F]{8,16}\\.\\nUnable to get ping handle\\.$"),
                                   QRegularExpression::MultilineOption)
                    .match(err)
                    .hasMatch());
    const auto touched = watch.Touched();
    for (const auto& name : touched) EXPECT_EQ(name.rfind("Scanvet.cfg", 0), std::string::npos) << name;
    EXPECT_EQ(ReadFile(settings), former);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Scanvet.cfg"});
}
