// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: a close (File, Exit; title bar; SIGTERM, SIGINT, SIGHUP) in any state that hangs, fails, loses the
// settings, ends the test or pings on; a signal lost while a box is open, or a refused octet written; a close that
// waits for the name server or crashes while names are looked up, or that Solve IP holds while a name server is
// silent; a start without a ping socket that goes on,
// shows the wrong error or touches the settings; a thread keeping a capability.
#include "tests/Lab.h"
#include "tests/Process.h"
#include "tests/SlowNameServer.h"
#include "tests/window/SilentNameServer.h"

#include <QTemporaryDir>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

TEST(ProcessTest, shouldEndAtOnceAndWriteTheSettingsAnewWhenClosedInAnyState)
{
    SCANVET_REQUIRE_LAB();
    const std::pair<const char*, int> closers[] = {
        {"click &Exit", 0}, {"close", 0}, {"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"SIGHUP", SIGHUP}};
    // Range and repeat, presses of Run test, what the first brings. The silent .20 holds a scan in its 3000 ms echo.
    const std::tuple<const char*, const char*, int, QByteArray> states[] = {
        {"idle", "5\r\n6\r\n0", 0, ""}, {"running", "20\r\n22\r\n0", 1, "request"},
        {"stopping", "20\r\n22\r\n2", 2, "request"}, {"waiting for the repeat", "10\r\n10\r\n1", 1, "finished"}};
    for (const auto& [state, rangeAndRepeat, runs, awaited] : states) {
        for (const auto& [closer, signal] : closers) {
            SCOPED_TRACE(std::string(state) + ", " + closer);
            QTemporaryDir work;
            const std::string settings = "198\r\n51\r\n100\r\n1\r\n" + std::string(rangeAndRepeat) + "\r\n";
            const std::string file = work.filePath("Scanvet.cfg").toStdString();
            std::ofstream(file, std::ios::binary) << settings;
            Process driver(work.path().toStdString(), {DRIVER});
            ASSERT_TRUE(driver.waitFor("ready") && fs::remove(file) && driver.command("click slow"));
            for (int run = 0; run < runs; ++run)
                ASSERT_TRUE(driver.command("click runStopButton") && (run > 0 || driver.waitFor(awaited)));
            ASSERT_TRUE(signal != 0 ? driver.signal(signal) == 0 : driver.command(closer));

            EXPECT_EQ(driver.finish(), 0);
            EXPECT_EQ(driver.said("request"), std::min(runs, 1));
            EXPECT_EQ(driver.said("finished"), awaited == "finished" ? 1 : 0);
            EXPECT_EQ(fileText(file), settings);
        }
    }
}

// A termination signal while a message box is open: the start-up's box of a bad settings line, or the range
// message of an octet typed wrong. The program ends, and writes the fields as their checks leave them.
TEST(ProcessTest, shouldEndOnASignalWhileABoxIsOpenAndNeverWriteARefusedText)
{
    SCANVET_REQUIRE_LAB();
    const struct {
        const char *settings, *command, *box;
        int signal;
        const char* written;
    } rows[] = {{"198\r\n51\r\n100\r\n1\r\n1e3\r\n", "", "'1e3' is not a valid integer value.", SIGTERM,
                 "198\r\n51\r\n100\r\n1\r\n1\r\n254\r\n5\r\n"},
                {"198\r\n51\r\n100\r\n1\r\n5\r\n6\r\n0\r\n", "set firstOctetEdit abc", "Correct range is 0..255", SIGHUP,
                 "198\r\n51\r\n100\r\n1\r\n5\r\n6\r\n0\r\n"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.box);
        QTemporaryDir work;
        const std::string file = work.filePath("Scanvet.cfg").toStdString();
        std::ofstream(file, std::ios::binary) << row.settings;
        Process driver(work.path().toStdString(), {DRIVER});
        ASSERT_TRUE(driver.waitFor("ready") && (*row.command == '\0' || driver.command(row.command)));
        ASSERT_TRUE(driver.waitFor("box " + QByteArray(row.box)) && driver.signal(row.signal) == 0);
        EXPECT_EQ(driver.finish(), 0);
        EXPECT_EQ(fileText(file), row.written);
    }
}

// A close while the name server holds every look-up: nothing waits for it, and no look-up touches what is gone.
TEST(ProcessTest, shouldEndAtOnceWhileNamesAreStillBeingLookedUp)
{
    SCANVET_REQUIRE_LAB();
    QTemporaryDir work;
    const std::string file = work.filePath("Scanvet.cfg").toStdString();
    std::ofstream(file, std::ios::binary) << "198\r\n51\r\n100\r\n1\r\n101\r\n110\r\n0\r\n";
    const SlowNameServer server;
    ASSERT_TRUE(server.holds(0)) << "the name server (python3) did not start";
    Process driver(work.path().toStdString(), {DRIVER});
    ASSERT_TRUE(driver.waitFor("ready") && driver.command("click runStopButton") && driver.waitFor("finished"));
    EXPECT_TRUE(server.holds(4));
    ASSERT_TRUE(driver.command("close"));
    EXPECT_EQ(driver.finish(), 0);
    EXPECT_EQ(fileText(file), "198\r\n51\r\n100\r\n1\r\n101\r\n110\r\n0\r\n");
}

// Solve IP while the name server answers nothing: the window takes the next command meanwhile, and a close ends the
// program at once; the resolver would wait longer than the driver's hang guard.
TEST(ProcessTest, shouldEndAtOnceWhileANameServerHoldsSolveIp)
{
    SCANVET_REQUIRE_LAB();
    const SilentNameServer server;
    ASSERT_TRUE(server.listening());
    QTemporaryDir work;
    setenv("RES_OPTIONS", "timeout:30 attempts:2", 1);
    Process driver(work.path().toStdString(), {DRIVER});
    unsetenv("RES_OPTIONS");
    ASSERT_TRUE(driver.waitFor("ready") && driver.command("set hostNameEdit held.lab") &&
                driver.command("click solveButton") && server.queried());
    ASSERT_TRUE(driver.command("set firstOctetEdit 10") && driver.command("close"));
    EXPECT_EQ(driver.finish(), 0);
}

// The socket inodes of a process's descriptors that are raw IP or packet sockets.
std::set<std::string> rawSocketsOf(int pid)
{
    std::set<std::string> held, raw;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
        std::error_code error;
        const std::string target = fs::read_symlink(fd.path(), error).string();
        if (target.starts_with("socket:[")) held.insert(target.substr(8, target.size() - 9));
    }
    for (const char* table : {"/proc/net/raw", "/proc/net/packet"}) {
        std::istringstream lines(fileText(table));
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            for (std::string field; fields >> field;)
                if (held.contains(field)) raw.insert(field);
        }
    }
    return raw;
}

// A copy of the driver named scanvet with its helper beside it, run as user nobody where ping sockets are forbidden:
// it cannot start while the helper has no capability; once the helper has cap_net_raw, it pings through the helper
// while no thread of its own holds a capability and no descriptor of its own is a raw or packet socket.
TEST(ProcessTest, shouldNeedAPingSocketAndHoldNoCapabilityNorRawSocket)
{
    SCANVET_REQUIRE_LAB();
    if (!Lab::rawSocket()) return;  // the raw-socket run of this test holds it
    if (geteuid() != 0 || !fs::exists("/usr/bin/setpriv"))
        GTEST_SKIP() << "needs root and setpriv (util-linux) to be nobody";
    QTemporaryDir work;
    const std::string folder = work.path().toStdString(), copy = folder + "/scanvet", settings = folder + "/Scanvet.cfg";
    const std::string helper = folder + "/scanvet-helper";
    const std::vector asNobody{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", copy.c_str()};
    fs::copy_file(DRIVER, copy);
    fs::copy_file(fs::path(DRIVER).parent_path() / "scanvet-helper", helper);
    fs::permissions(folder, fs::perms::all);
    // Open to nobody, and with a line that is no number: a read would stop at an error box.
    std::ofstream(settings, std::ios::binary) << "10\r\n20\r\nabc\r\n";
    fs::permissions(settings, fs::perms(0666));

    Process unable(folder, asNobody);
    EXPECT_EQ(unable.finish(), 1);
    EXPECT_TRUE(std::regex_search(unable.errors.join('\n').toStdString(), std::regex("(^|\n)Application Error: Exception "
                "TICMPException in module scanvet at [0-9A-F]{16}\\.\nUnable to get ping handle\\. \\(ICMP datagram socket: "
                "Permission denied; raw socket: Operation not permitted\\)(\n|$)")));
    EXPECT_EQ(fileText(settings), "10\r\n20\r\nabc\r\n");

    if (std::system(("/usr/sbin/setcap cap_net_raw+ep " + helper).c_str()) != 0)
        GTEST_SKIP() << "setcap (package libcap2-bin) is missing or failed here";
    std::ofstream(settings, std::ios::binary) << "127\r\n0\r\n0\r\n1\r\n1\r\n1\r\n0\r\n";
    Process program(folder, asNobody);
    ASSERT_TRUE(program.command("click pingButton"));
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(program.pid) + "/task")) {
        const std::string status = fileText(task.path() / "status");
        if (status.empty()) continue;  // a thread that ended since the listing
        for (const std::string set : {"CapInh", "CapPrm", "CapEff", "CapAmb"})
            EXPECT_TRUE(status.find(set + ":\t0000000000000000\n") != std::string::npos) << task.path() << ' ' << set;
    }
    EXPECT_EQ(rawSocketsOf(program.pid), std::set<std::string>());
    EXPECT_TRUE(program.waitFor("status Sending ping to 127.0.0.1 Reply O.K."));
}
