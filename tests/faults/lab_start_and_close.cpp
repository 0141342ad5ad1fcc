// The program as a process, in the test lab: a close in every state of the
// scan controller ends it cleanly with its settings written, and a binary
// given cap_net_raw gives up every capability once its window stands.
#include "tests/Lab.h"
#include "tests/TestFiles.h"
#include "tests/faults/SlowNameServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Bound = 60000;  // ms; generous upper bound of any wait

// The driver (or a copy of it) in a folder of its own, spoken to line by line.
// Started with fork and exec rather than QProcess: QProcess starts children
// with CLONE_VM | CLONE_VFORK, sharing this process's memory until exec, which
// ThreadSanitizer cannot follow (the child's calls change this thread's
// records, and later locks of this thread go unseen).
class TDriver {
public:
    explicit TDriver(const QString& workDir, const QString& program = QStringLiteral(START_DRIVER),
                     const QStringList& prefix = {}, const QStringList& extraEnv = {})
    {
        QStringList words = prefix;
        words << program;
        std::vector<std::string> args;
        for (const QString& word : words) args.push_back(word.toStdString());
        const QString found = QStandardPaths::findExecutable(words.front(), {QStringLiteral("/usr/bin"), QStringLiteral("/bin"), QStringLiteral("/usr/sbin")});
        const std::string path = found.isEmpty() ? args.front() : found.toStdString();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Slow look-ups may take as long as the test's name server holds them.
        env.insert(QStringLiteral("RES_OPTIONS"), QStringLiteral("timeout:30 attempts:1"));
        env.insert(QStringLiteral("HOME"), workDir);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), workDir);
        for (const QString& var : extraEnv) env.insert(var.section(QLatin1Char('='), 0, 0), var.section(QLatin1Char('='), 1));
        std::vector<std::string> vars;
        for (const QString& var : env.toStringList()) vars.push_back(var.toStdString());
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& v : vars) envp.push_back(v.data());
        envp.push_back(nullptr);
        const std::string dir = workDir.toStdString();

        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        FPid = fork();
        if (FPid == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            dup2(out[1], STDERR_FILENO);
            if (chdir(dir.c_str()) == 0) execve(path.c_str(), argv.data(), envp.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        FIn = in[1];
        FOut = out[0];
    }
    ~TDriver()
    {
        if (FPid > 0 && !FExited) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
        if (FIn >= 0) close(FIn);
        if (FOut >= 0) close(FOut);
    }
    TDriver(const TDriver&) = delete;
    TDriver& operator=(const TDriver&) = delete;

    void Send(const QByteArray& line)
    {
        const QByteArray bytes = line + '\n';
        for (qsizetype at = 0; FIn >= 0 && at < bytes.size();) {
            const ssize_t n = write(FIn, bytes.constData() + at, static_cast<size_t>(bytes.size() - at));
            if (n <= 0) break;
            at += n;
        }
    }
    // Waits until the driver has said a line that starts with text.
    bool WaitFor(const QByteArray& text)
    {
        const QDeadlineTimer deadline(Bound);
        while (!Said(text)) {
            if (deadline.hasExpired() || !Collect(100)) return Said(text);
        }
        return true;
    }
    // Reads everything until the driver ends; true when it ended by itself.
    bool Finish()
    {
        const QDeadlineTimer deadline(Bound);
        while (!deadline.hasExpired() && Collect(100)) {
        }
        int status = 0;
        for (;;) {
            const pid_t done = waitpid(FPid, &status, WNOHANG);
            if (done == FPid) break;
            if (done < 0 || deadline.hasExpired()) return false;
            usleep(10000);
        }
        FExited = true;
        if (!WIFEXITED(status)) return false;
        FExitCode = WEXITSTATUS(status);
        return true;
    }
    int ExitCode() const { return FExitCode; }
    QList<QByteArray> Lines() const { return FLines; }
    bool Said(const QByteArray& text) const { return IndexOf(text) >= 0; }
    qsizetype IndexOf(const QByteArray& text) const
    {
        for (qsizetype i = 0; i < FLines.size(); ++i)
            if (FLines[i].startsWith(text)) return i;
        return -1;
    }
    std::string Transcript() const { return (FLines.join('\n') + '\n' + FPending).toStdString(); }

private:
    // Reads what the driver wrote within waitMs; false once it has closed its output.
    bool Collect(int waitMs)
    {
        if (FOut < 0) return false;
        pollfd fd{FOut, POLLIN, 0};
        if (poll(&fd, 1, waitMs) <= 0) return true;
        char buffer[4096];
        const ssize_t n = read(FOut, buffer, sizeof buffer);
        if (n <= 0) {
            close(FOut);
            FOut = -1;
            return false;
        }
        FPending.append(buffer, n);
        for (qsizetype end; (end = FPending.indexOf('\n')) >= 0;) {
            FLines << FPending.left(end);
            FPending.remove(0, end + 1);
        }
        return true;
    }

    pid_t FPid = -1;
    int FIn = -1;
    int FOut = -1;
    bool FExited = false;
    int FExitCode = -1;
    QByteArray FPending;
    QList<QByteArray> FLines;
};

QByteArray Settings(std::initializer_list<const char*> lines)
{
    QByteArray bytes;
    for (const char* line : lines) bytes += QByteArray(line) + "\r\n";
    return bytes;
}

} // namespace

class CloseInEveryState : public ::testing::Test {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        ASSERT_TRUE(Dir.isValid());
    }
    QString Config() const { return Dir.filePath(QStringLiteral("Scanvet.cfg")); }
    // The program with its window standing and these fields typed in.
    std::unique_ptr<TDriver> Start(const QByteArray& fields)
    {
        auto driver = std::make_unique<TDriver>(Dir.path());
        EXPECT_TRUE(driver->WaitFor("ready")) << driver->Transcript();
        driver->Send("fields " + fields);
        return driver;
    }
    // A scan of .20 to .22 whose echo to the silent .20 (3000 ms) is pending.
    std::unique_ptr<TDriver> StartBlockedScan()
    {
        auto driver = Start("198 51 100 1 20 22 0 2");
        driver->Send("run");
        EXPECT_TRUE(driver->WaitFor("request 198.51.100.20")) << driver->Transcript();
        return driver;
    }
    // The program ended by itself, with exit code 0 and these settings written.
    void ExpectEndedWith(TDriver& driver, std::initializer_list<const char*> settings)
    {
        ASSERT_TRUE(driver.Finish()) << driver.Transcript();
        EXPECT_EQ(driver.ExitCode(), 0) << driver.Transcript();
        EXPECT_EQ(ReadFile(Config()), Settings(settings));
    }
    QTemporaryDir Dir;
};

TEST_F(CloseInEveryState, shouldEndCleanlyWhenIdle)
{
    const auto driver = Start("198 51 100 12 20 21 0 1");
    driver->Send("close");
    ExpectEndedWith(*driver, {"198", "51", "100", "12", "20", "21", "0"});
    EXPECT_TRUE(driver->Said("exit 0"));
}

// An echo to the silent address is pending (3000 ms time-out) when the close
// comes: nothing after it is pinged, and no end-of-test handling runs.
TEST_F(CloseInEveryState, shouldEndCleanlyWhileRunning)
{
    const auto driver = StartBlockedScan();
    driver->Send("exit");
    ExpectEndedWith(*driver, {"198", "51", "100", "1", "20", "22", "0"});
    EXPECT_FALSE(driver->Said("request 198.51.100.21")) << driver->Transcript();
    EXPECT_FALSE(driver->Said("done")) << driver->Transcript();
}

// Stop Test pressed during that echo, then the close before the echo is over.
TEST_F(CloseInEveryState, shouldEndCleanlyWhileStopping)
{
    const auto driver = StartBlockedScan();
    driver->Send("run");   // the button reads "&Stop Test" now
    driver->Send("close");
    ExpectEndedWith(*driver, {"198", "51", "100", "1", "20", "22", "0"});
    EXPECT_FALSE(driver->Said("request 198.51.100.21")) << driver->Transcript();
}

// A test of one address has ended and armed its repeat (1 minute).
TEST_F(CloseInEveryState, shouldEndCleanlyWhileWaitingForTheRepeat)
{
    const auto driver = Start("198 51 100 1 10 10 1 1");
    driver->Send("run");
    ASSERT_TRUE(driver->WaitFor("repeat armed")) << driver->Transcript();
    driver->Send("close");
    ExpectEndedWith(*driver, {"198", "51", "100", "1", "10", "10", "1"});
    EXPECT_EQ(driver->Lines().count("request 198.51.100.10"), 1) << driver->Transcript();
}

// Solve IP blocks the window while the name server holds its answer; the
// close asked for meanwhile comes once the look-up is over and its answer
// taken (the confirmation says Yes), and the settings hold that answer.
TEST_F(CloseInEveryState, shouldEndCleanlyWhenClosedDuringSolveIp)
{
    TSlowNameServer names;
    ASSERT_TRUE(names.Listening()) << "cannot listen on 127.0.0.1:53";
    names.Hold();
    const auto driver = Start("10 20 30 40 5 6 0 1");
    driver->Send("solve h198-51-100-11.slow.lab");
    ASSERT_TRUE(names.WaitHeld(1, Bound)) << driver->Transcript();
    driver->Send("close");
    EXPECT_FALSE(driver->Said("solved"));
    names.Release();
    ExpectEndedWith(*driver, {"198", "51", "100", "11", "5", "6", "0"});
    EXPECT_TRUE(driver->Said("confirm IP address of h198-51-100-11.slow.lab is : 198.51.100.11"))
        << driver->Transcript();
    EXPECT_LT(driver->IndexOf("solved"), driver->IndexOf("exit 0")) << driver->Transcript();
}

// A normal user runs a copy of the program that setcap gave cap_net_raw,
// where ping sockets are forbidden: the program needs the raw socket and so
// the capability, and once its window stands no thread holds any capability.
// The raw socket it opened before still pings.
class LeastPrivilege : public ::testing::Test {
protected:
    void SetUp() override
    {
        SCANVET_REQUIRE_LAB();
        if (std::string(SCANVET_SANITIZE) == "thread")
            GTEST_SKIP() << "ThreadSanitizer's own thread blocks every signal, so no program may clear its capabilities";
        if (geteuid() != 0) GTEST_SKIP() << "needs root to give a binary a capability and run it as another user";
        Setcap = Tool("setcap");
        if (Setcap.isEmpty() || Tool("setpriv").isEmpty()) GTEST_SKIP() << "setcap or setpriv is missing (libcap2-bin, util-linux)";
        FormerRange = ReadFile(RangePath);
        ASSERT_TRUE(WriteFile(RangePath, "1 0\n")) << "cannot forbid ping sockets in the lab";
        ASSERT_TRUE(BinDir.isValid() && WorkDir.isValid());
        const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                          QFileDevice::ReadOther | QFileDevice::ExeOther;
        ASSERT_TRUE(QFile::setPermissions(BinDir.path(), open));
        ASSERT_TRUE(QFile::setPermissions(WorkDir.path(), open | QFileDevice::WriteOther));
        Copy = BinDir.filePath(QStringLiteral("scanvet"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(START_DRIVER), Copy));
        ASSERT_TRUE(QFile::setPermissions(Copy, open));
        QProcess give;
        give.start(Setcap, {QStringLiteral("cap_net_raw+ep"), Copy});
        ASSERT_TRUE(give.waitForFinished(Bound));
        if (give.exitCode() != 0)
            GTEST_SKIP() << "setcap failed here (no file capabilities on this file system?): "
                         << give.readAllStandardError().toStdString();
    }
    void TearDown() override
    {
        if (!FormerRange.isEmpty()) WriteFile(RangePath, FormerRange);
    }
    static QString Tool(const char* name)
    {
        const QString found = QStandardPaths::findExecutable(QLatin1String(name));
        return found.isEmpty() ? QStandardPaths::findExecutable(QLatin1String(name), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                               : found;
    }

    // Runs the copy as user nobody, pings, and checks every thread's sets.
    void Check(const QStringList& extraEnv)
    {
        TDriver driver(WorkDir.path(), Copy,
                       {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                        QStringLiteral("--clear-groups")},
                       extraEnv);
        ASSERT_TRUE(driver.WaitFor("ready")) << driver.Transcript();
        driver.Send("caps");
        driver.Send("fields 198 51 100 10 1 1 0 1");
        driver.Send("ping");
        ASSERT_TRUE(driver.WaitFor("status")) << driver.Transcript();
        driver.Send("exit");
        ASSERT_TRUE(driver.Finish()) << driver.Transcript();
        EXPECT_EQ(driver.ExitCode(), 0) << driver.Transcript();

        // It had the capability when it started...
        bool hadIt = false;
        for (const QByteArray& line : driver.Lines())
            if (line.startsWith("start ") && line != "start end")
                hadIt = hadIt || line.split(' ').value(3) != "0000000000000000";
        EXPECT_TRUE(hadIt) << "the copy did not start with cap_net_raw: " << driver.Transcript();
        // ... and no thread holds any afterwards.
        int threads = 0;
        for (const QByteArray& line : driver.Lines()) {
            if (!line.startsWith("caps ") || line == "caps end") continue;
            ++threads;
            const QList<QByteArray> sets = line.split(' ');
            ASSERT_EQ(sets.size(), 6) << line.toStdString();
            for (int i = 2; i < 6; ++i) EXPECT_EQ(sets[i], "0000000000000000") << line.toStdString();
        }
        EXPECT_GE(threads, 1) << driver.Transcript();
        EXPECT_TRUE(driver.Said("status Sending ping to 198.51.100.10 Reply O.K. - in ")) << driver.Transcript();
        EXPECT_EQ(ReadFile(WorkDir.filePath(QStringLiteral("Scanvet.cfg"))),
                  Settings({"198", "51", "100", "10", "1", "1", "0"}));
    }

    static inline const QString RangePath = QStringLiteral("/proc/sys/net/ipv4/ping_group_range");
    QByteArray FormerRange;
    QString Setcap;
    QTemporaryDir BinDir;
    QTemporaryDir WorkDir;
    QString Copy;
};

TEST_F(LeastPrivilege, shouldHoldNoCapabilityAfterStartUp)
{
    Check({});
}

// On a display the window system's thread exists before the window, so it
// starts with the capability too and must give it up as well.
TEST_F(LeastPrivilege, shouldHoldNoCapabilityInAnyThreadOnADisplay)
{
    const QString xvfb = Tool("Xvfb");
    if (xvfb.isEmpty()) GTEST_SKIP() << "Xvfb is missing (package xvfb)";
    // Xvfb picks a free display and writes its number to standard output.
    QProcess server;
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-ac"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted());
    QByteArray said;
    const QDeadlineTimer deadline(Bound);
    while (!said.contains('\n') && !deadline.hasExpired() && server.state() == QProcess::Running) {
        server.waitForReadyRead(100);
        said += server.readAllStandardOutput();
    }
    const QString display = QString::fromLatin1(said.trimmed());
    ASSERT_FALSE(display.isEmpty()) << server.readAllStandardError().toStdString();
    Check({QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY=:") + display});
    server.terminate();
    server.waitForFinished(Bound);
}
