// Catches: a close (File, Exit; title bar; SIGTERM, SIGINT, SIGHUP) in any state that hangs, fails, loses the settings, ends the test or pings on; a start without a ping socket that goes on, shows the wrong error or touches the settings; a thread keeping a capability.
#include "tests/Lab.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

// A program in a working folder, its standard streams on one socket; what it said is shown when the
// test has failed. Started with fork and exec: ThreadSanitizer cannot follow QProcess's vfork-like start.
class Process {
public:
    Process(const std::string& folder, std::vector<std::string> words)
    {
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) throw std::runtime_error("no socket pair");
        if ((pid = fork()) == 0) {
            for (int stream : {0, 1, 2}) dup2(ends[1], stream);
            if (chdir(folder.c_str()) == 0) execv(argv[0], argv.data());
            _exit(127);
        }
        close(ends[1]);
        const timeval hangGuard{60, 0};  // a minute without a word
        setsockopt(ends[0], SOL_SOCKET, SO_RCVTIMEO, &hangGuard, sizeof hangGuard);
        output = fdopen(ends[0], "r");
    }
    ~Process()
    {
        if (signal(SIGKILL) == 0) waitpid(pid, nullptr, 0);
        fclose(output);
        if (::testing::Test::HasFailure()) std::fprintf(stderr, "%s\n", log().c_str());
    }
    bool waitFor(const QByteArray& text, int count = 1)
    {
        for (char line[4096]; said(text) < count && fgets(line, sizeof line, output);) lines << QByteArray(line).trimmed();
        if (ferror(output) != 0) signal(SIGKILL);
        return said(text) >= count;
    }
    bool command(QByteArray line)
    {
        line += '\n';
        return send(fileno(output), line.data(), size_t(line.size()), MSG_NOSIGNAL) == line.size() &&
               waitFor("> ", ++commands);
    }
    // Reads to the end; the exit status, or -1 for a hang or a crash.
    int finish()
    {
        int status = 0;
        waitFor("\n");  // in no line
        return waitpid(std::exchange(pid, -1), &status, 0) > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int signal(int number) const { return pid > 0 ? kill(pid, number) : -1; }
    int said(const QByteArray& text) const
    {
        return int(std::ranges::count_if(lines, [&](const QByteArray& line) { return line.startsWith(text); }));
    }
    std::string log() const { return lines.join('\n').toStdString(); }

    QByteArrayList lines;
    pid_t pid = -1;
    FILE* output = nullptr;
    int commands = 0;
};

static std::string fileText(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

TEST(ProcessTest, shouldEndAtOnceWithTheSettingsWrittenWhenClosedInAnyState)
{
    SCANVET_REQUIRE_LAB();
    const std::pair<const char*, int> closers[] = {
        {"exit", 0}, {"close", 0}, {"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"SIGHUP", SIGHUP}};
    // Range and repeat, presses of Run test, what the first brings. The silent .20 holds a scan in its 3000 ms echo.
    const std::tuple<const char*, const char*, int, QByteArray> states[] = {
        {"idle", "5 6 0", 0, ""}, {"running", "20 22 0", 1, "request"}, {"stopping", "20 22 2", 2, "request"},
        {"waiting for the repeat", "10 10 1", 1, "finished"}};
    const QByteArrayList fields{"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit", "fourthOctetEdit",
                                "rangeMinEdit",   "rangeMaxEdit",    "repeatEdit"};
    for (const auto& [state, rangeAndRepeat, runs, awaited] : states) {
        for (const auto& [closer, signal] : closers) {
            SCOPED_TRACE(std::string(state) + ", " + closer);
            QTemporaryDir work;
            Process driver(work.path().toStdString(), {DRIVER});
            const QByteArrayList values = ("198 51 100 " + QByteArray::number(signal + 2) + ' ' + rangeAndRepeat).split(' ');
            for (int i = 0; i < 7; ++i) ASSERT_TRUE(driver.command("set " + fields[i] + ' ' + values[i]));
            ASSERT_TRUE(driver.command("click speed2"));
            for (int run = 0; run < runs; ++run) ASSERT_TRUE(driver.command("run") && (run > 0 || driver.waitFor(awaited)));
            ASSERT_TRUE(signal != 0 ? driver.signal(signal) == 0 : driver.command(closer));

            EXPECT_EQ(driver.finish(), 0);
            EXPECT_EQ(driver.said("request"), std::min(runs, 1));
            EXPECT_EQ(driver.said("finished"), awaited == "finished" ? 1 : 0);
            EXPECT_EQ(fileText(work.filePath("Scanvet.cfg").toStdString()), (values.join("\r\n") + "\r\n").toStdString());
        }
    }
}

// A copy of the driver named scanvet, run as user nobody where ping sockets are forbidden.
class AsNobody : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (Lab::socketKind() != "raw") GTEST_SKIP() << "needs the raw-socket lab";
        if (geteuid() != 0 || !fs::exists(asNobody[0])) GTEST_SKIP() << "needs root and setpriv (util-linux) to be nobody";
        fs::copy_file(DRIVER, copy);
        fs::permissions(folder, fs::perms::all);
    }
    QTemporaryDir work;
    const std::string folder = work.path().toStdString(), copy = folder + "/scanvet", settings = folder + "/Scanvet.cfg";
    const std::vector<std::string> asNobody{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", copy};
};

TEST_F(AsNobody, shouldEndWithTheApplicationErrorAndLeaveTheSettingsAloneWithoutAPingSocket)
{
    // Open to nobody, and with a line that is no number: a read would stop at an error box.
    std::ofstream(settings, std::ios::binary) << "10\r\n20\r\nabc\r\n";
    fs::permissions(settings, fs::perms(0666));
    const fs::file_time_type written = fs::last_write_time(settings);

    Process program(folder, asNobody);
    EXPECT_EQ(program.finish(), 1);
    EXPECT_TRUE(std::regex_search(program.log(), std::regex("(^|\n)Application Error: Exception TICMPException in module "
                                                            "scanvet at [0-9A-F]{16}\\.\nUnable to get ping handle\\.(\n|$)")));
    EXPECT_EQ(fileText(settings), "10\r\n20\r\nabc\r\n");
    EXPECT_EQ(fs::last_write_time(settings), written);
}

// Given cap_net_raw by setcap, the copy opens the raw socket, gives up every capability, and still pings.
TEST_F(AsNobody, shouldHoldNoCapabilityInAnyThreadAfterStartUpAndStillPing)
{
    if (std::string_view(SCANVET_SANITIZE) == "thread")
        GTEST_SKIP() << "ThreadSanitizer's own thread blocks every signal, so not every thread can drop its capabilities";
    if (std::system(("/usr/sbin/setcap cap_net_raw+ep " + copy).c_str()) != 0)
        GTEST_SKIP() << "setcap (package libcap2-bin) is missing or failed here";
    std::ofstream(settings, std::ios::binary) << "127\r\n0\r\n0\r\n1\r\n1\r\n1\r\n0\r\n";

    Process program(folder, asNobody);
    ASSERT_TRUE(program.command("click pingButton"));
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(program.pid) + "/task")) {
        const std::string status = fileText(task.path() / "status");
        for (const std::string set : {"CapInh", "CapPrm", "CapEff", "CapAmb"})
            EXPECT_TRUE(status.find(set + ":\t0000000000000000\n") != std::string::npos) << task.path() << ' ' << set;
    }
    EXPECT_TRUE(program.command("exit"));
    EXPECT_EQ(program.finish(), 0);
    EXPECT_EQ(program.said("status Sending ping to 127.0.0.1 Reply O.K."), 1);
}
