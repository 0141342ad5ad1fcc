// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: a report unlike its golden file in any format; result lines missing, extra or out of order; a report not
// in address order, or without a range given before a lower one; a wrong exit status; a report that cannot be written
// found only after the scan; a usage error on standard output or over several lines; SIGINT or SIGTERM that pings on,
// loses the report, its MACs and makers or the computers seen on the link alone, or exits wrongly; a scan that needs
// a display, or reads, writes or leaves a file beside its report; a thread that cannot start and ends the program
// instead of saying why; --interval that never reaches the sweep; a send refused by this host counted as silence;
// a link that cannot be seen taken for computers gone; a second MAC for an address dropped; reply times or the repeat
// that follow a wall clock stepped or out of step.
#include "tests/Lab.h"
#include "tests/Process.h"

#include <linux/if_ether.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <QDir>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>
#include <set>

namespace fs = std::filesystem;

const std::string Header = "address,name,answering,mac,vendor,seen_by,label,known,conflict,open_ports\r\n";
const std::string ArpOnlyRows = "198.51.100.40,,false,00:1c:42:5c:a1:40,\"Parallels, Inc.\",link,,false,,\r\n"
                                "198.51.100.41,,false,70:b3:d5:71:9a:41,2M Technology,link,,false,,\r\n"
                                "198.51.100.42,,false,02:5c:a1:00:00:42,(locally administered),link,,false,,\r\n";
const std::string LateOnLink = "198.51.100.30,late.lab,false,02:00:00:00:00:30,(locally administered),link,,false,,\r\n";
const std::string EchoRows3To10 = "198.51.100.5,echo5.lab,true,02:00:00:00:00:10,(locally administered),echo,,false,,\r\n"
                                  "198.51.100.10,alpha.lab,true,02:00:00:00:00:10,(locally administered),echo,,false,,\r\n";
const std::string Echo50Row = "198.51.100.50,echo50.lab,true,02:00:00:00:00:10,(locally administered),echo,,false,,\r\n";
// Where no helper may ask ARP, the one line that says why.
const std::string NoArpLine = "scanvet: the neighbour table tells who is on the link: no ARP through the helper: [^\n]*\n";

namespace {

// The built program, or the command given, run in the folder work without a display.
Process scanvet(const QTemporaryDir& work, const std::vector<const char*>& arguments,
                const std::vector<const char*>& program = {SCANVET})
{
    std::vector<const char*> argv{"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM"};
    argv.insert(argv.end(), program.begin(), program.end());
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return Process(work.path().toStdString(), argv);
}

// Only the time of the text report and the json report's "generated" change from scan to scan. The json report is
// compared by its content, written on one line.
std::string masked(const std::string& report, bool json)
{
    if (json) {
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(report));
        return std::regex_replace(document.toJson(QJsonDocument::Compact).toStdString() + '\n',
            std::regex(R"re(("generated":)"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d")re"), "$1\"TIME\"");
    }
    return std::regex_replace(report, std::regex("(Report generated at : )\\d\\d:\\d\\d:\\d\\d\r"), "$1TIME\r");
}

// The file's inode and times: a read moves its access time, which is set long past.
std::string stamp(const std::string& path)
{
    struct stat s{};
    stat(path.c_str(), &s);
    return std::to_string(s.st_ino) + ' ' + std::to_string(s.st_atim.tv_sec) + ' ' + std::to_string(s.st_mtim.tv_sec)
           + ' ' + std::to_string(s.st_ctim.tv_sec) + '.' + std::to_string(s.st_ctim.tv_nsec);
}

} // namespace

TEST(HeadlessLab, shouldWriteEachFormatAsItsGoldenFileAndPrintTheRepliesInOrder)
{
    SCANVET_REQUIRE_LAB();
    QTemporaryDir work;
    // All three at once: every silent address waits out the fast preset, which the late host's reply fits.
    const auto scan = [&](const char* format, const char* file) {
        return scanvet(work, {"--range", "198.51.100.1-31", "--preset", "fast", "--format", format, "--report", file});
    };
    Process runs[] = {scan("text", "scan.txt"), scan("csv", "scan.csv"), scan("json", "scan.json")};
    const char* files[] = {"scan.txt", "scan.csv", "scan.json"};
    std::string replies;
    for (const char* host : {"2", "5", "10", "11", "12", "13", "30"})
        replies += std::string("Sending ping to 198.51.100.") + host + " Reply O.K. - in N msecs\n";
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(files[i]);
        EXPECT_EQ(runs[i].finish(), 0);
        EXPECT_EQ(std::regex_replace((runs[i].lines.join('\n') + '\n').toStdString(), std::regex(" in \\d+ msecs"),
                                     " in N msecs"), replies);
        EXPECT_EQ(masked(fileText(work.filePath(files[i]).toStdString()), i == 2),
                  fileText(std::string(GOLDEN "/") + files[i]));
        EXPECT_TRUE(runs[i].errors.isEmpty()) << runs[i].errors.join('\n').toStdString();
    }
}

TEST(HeadlessLab, shouldExitWithItsStatusAndNeitherNeedADisplayNorTouchTheSettingsFile)
{
    SCANVET_REQUIRE_LAB();
    struct Row {
        std::vector<const char*> arguments;
        int status, resultLines;
        std::string errors;            // a pattern of the whole error stream
        std::string report = {};       // found.csv, when one is written
        bool asNobody = false;
        bool noThread = false;         // as nobody, who may start no thread (RLIMIT_NPROC)
    };
    const Row rows[] = {
        {{"--range", "198.51.100.20-20", "--format", "csv", "--report", "found.csv"}, 1, 0, "", Header},
        // The late host's reply comes after the LAN preset's time-out: it never counts, swept or walked; the link
        // still sees the host.
        {{"--range", "198.51.100.30-30", "--preset", "lan", "--format", "csv", "--report", "found.csv"}, 0, 0, "",
         Header + LateOnLink},
        {{"--range", "198.51.100.30-30", "--preset", "lan", "--one-at-a-time", "--format", "csv", "--report",
          "found.csv"}, 0, 0, "", Header + LateOnLink},
        {{"--range", "198.51.100.5-5", "--preset", "fast", "--format", "csv", "--report", "found.csv"}, 0, 1, "",
         Header + "198.51.100.5,echo5.lab,true,02:00:00:00:00:10,(locally administered),echo,,false,,\r\n"},
        {{"--range", "198.51.100.40-42", "--format", "csv", "--report", "found.csv"}, 0, 0, "", Header + ArpOnlyRows},
        // Every computer in address order, whatever saw it, and each range scanned whatever order they come in.
        {{"--range", "198.51.100.40-60", "--range", "198.51.100.3-10", "--format", "csv", "--report", "found.csv"}, 0, 3, "",
         Header + EchoRows3To10 + ArpOnlyRows + Echo50Row},
        {{"--range", "198.51.100.3-10", "--range", "198.51.100.40-60", "--format", "csv", "--report", "found.csv"}, 0, 3, "",
         Header + EchoRows3To10 + ArpOnlyRows + Echo50Row},
        {{"--range", "198.51.100.5-5", "--preset", "quick"}, 2, 0,
         "scanvet: --preset: 'quick' is not lan, fast or slow"},
        {{"--range", "198.51.100.5-5", "--preset", "fast", "--report", "missing/found.csv"}, 4, 0,
         "scanvet: cannot write the report to missing/found\\.csv: No such file or directory"},
        {{}, 1, 0, "scanvet: [^\n]*--range[^\n]*"},
        // The copy has no helper beside it, nor where the package puts one.
        {{"--range", "198.51.100.5-5", "--report", "found.csv"}, 3, 0, NoArpLine + "scanvet: no echo socket opens \\(ICMP "
         "datagram socket: Permission denied; raw socket: no helper: [^\n]*/libexec/scanvet/scanvet-helper: No such file "
         "or directory\\)\nscanvet: allow it with sysctl net\\.ipv4\\.ping_group_range=\"0 2147483647\", or with setcap "
         "cap_net_raw\\+ep on [^\n]*/scanvet-helper", "", true},
        {{"--range", "198.51.100.5-5", "--preset", "fast"}, 5, 0,
         NoArpLine + "scanvet: cannot start the test: no thread for the test: Resource temporarily unavailable\n"
         "scanvet: the history is not kept: [^\n]*: no thread for the history: Resource temporarily unavailable", "",
         true, true},
    };
    for (const Row& row : rows) {
        // Only in the raw-socket lab is no echo socket left to a user without privileges; in the other one
        // nobody pings, and without threads the test cannot start.
        if (row.asNobody && (Lab::rawSocket() != !row.noThread || geteuid() != 0 || !fs::exists("/usr/bin/setpriv") ||
                             !fs::exists("/usr/bin/prlimit")))
            continue;
        std::string arguments;
        for (const char* argument : row.arguments) arguments += std::string(argument) + ' ';
        SCOPED_TRACE(arguments);
        QTemporaryDir work, bin;
        const std::string settings = work.filePath("Scanvet.cfg").toStdString();
        const std::string copy = bin.filePath("scanvet").toStdString();
        std::ofstream(settings, std::ios::binary) << "198\r\n51\r\n100\r\nabc\r\n";
        if (row.asNobody) fs::copy_file(SCANVET, copy);
        for (const QTemporaryDir* folder : {&work, &bin}) fs::permissions(folder->path().toStdString(), fs::perms::all);
        const timespec longPast[2] = {{1000000000, 0}, {1000000000, 0}};
        utimensat(AT_FDCWD, settings.c_str(), longPast, 0);
        const std::string before = stamp(settings);

        std::vector<const char*> command;
        // LeakSanitizer needs a thread of its own at the exit.
        const char* sanitizer = std::getenv("ASAN_OPTIONS");
        const std::string noLeakCheck = std::string("ASAN_OPTIONS=") + (sanitizer ? sanitizer : "") + ":detect_leaks=0";
        if (row.noThread) command = {"/usr/bin/prlimit", "--nproc=1", "/usr/bin/env", noLeakCheck.c_str()};
        if (row.asNobody)
            for (const char* part : {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", copy.c_str()})
                command.push_back(part);
        else
            command.push_back(SCANVET);
        Process run = scanvet(work, row.arguments, command);
        EXPECT_EQ(run.finish(), row.status);
        EXPECT_EQ(run.lines.size(), row.resultLines);
        EXPECT_TRUE(std::regex_match(run.errors.join('\n').toStdString(), std::regex(row.errors)))
            << run.errors.join('\n').toStdString();
        EXPECT_EQ(stamp(settings), before);
        EXPECT_EQ(fileText(settings), "198\r\n51\r\n100\r\nabc\r\n");
        std::set<std::string> files, expectedFiles{"Scanvet.cfg"};
        if (!row.report.empty()) expectedFiles.insert("found.csv");
        for (const auto& file : fs::directory_iterator(work.path().toStdString())) files.insert(file.path().filename());
        EXPECT_EQ(files, expectedFiles);
        EXPECT_EQ(fileText(work.filePath("found.csv").toStdString()), row.report);
    }
}

TEST(HeadlessLab, shouldEndAfterTheEchoItIsOnAndWriteWhatItFoundWhenInterrupted)
{
    SCANVET_REQUIRE_LAB();
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE(status);
        QTemporaryDir work;
        // Entries of an earlier run would mislead: .42's would say nothing of this sweep (awaited below), and an
        // address resolution still under way for .14 to .22 would end, and fail their echoes, within this run.
        ASSERT_EQ(std::system("ip -4 neigh flush to 198.51.100.0/24"), 0);
        // .13 answers; .14 to .22 are nobody's here, so each holds the scan for the slow preset's whole wait. The
        // ARP-only hosts, swept after them before the interrupt, come into the report with every MAC and maker.
        // No TCP knock: its connects would have the kernel resolve .42 before the echoes reach it.
        Process run = scanvet(work, {"--range", "198.51.100.40-42", "--range", "198.51.100.13-22", "--preset", "slow",
                                     "--all-lines", "--tcp-ports", "none", "--format", "csv", "--report", "found.csv"});
        ASSERT_TRUE(run.waitFor("Sending ping to 198.51.100.13 Reply O.K."));
        // A scan without a window maps no GUI library, and with the history in a file, no libpq.
        const std::string maps = fileText("/proc/" + std::to_string(run.pid) + "/maps");
        EXPECT_NE(maps.find("libQt6Core.so"), std::string::npos);
        for (const char* gui : {"libQt6Gui.so", "libQt6Widgets.so", "libQt6Svg.so", "libQt6DBus.so", "libpq.so"})
            EXPECT_EQ(maps.find(gui), std::string::npos) << gui;
        // Interrupted once the sweep has reached .42: the kernel has its MAC from the echo's address resolution.
        for (int i = 0; i < 200 && std::system("ip -4 neigh show 198.51.100.42 | grep -q lladdr") != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(run.signal(signal), 0);
        EXPECT_EQ(run.finish(), status);
        EXPECT_EQ(run.said("Sending ping to 198.51.100.15"), 0);
        // .42 comes in where its sighting was decided before the interrupt; the others always do, with their makers.
        const std::string found = fileText(work.filePath("found.csv").toStdString());
        const std::string before = Header + "198.51.100.13,,true,02:00:00:00:00:10,(locally administered),echo,,false,,\r\n";
        const std::string without42 = ArpOnlyRows.substr(0, ArpOnlyRows.find("198.51.100.42,"));
        EXPECT_TRUE(found == before + ArpOnlyRows || found == before + without42) << found;
        EXPECT_TRUE(run.errors.isEmpty());
    }
}

// A request that this host refuses to send (a firewall's drop on the way out) says why, and is no word about the
// address: the computer is not reported gone, nor is it counted absent.
TEST(HeadlessLab, shouldSayASendFailedAndCountNobodyAbsentFromTheTest)
{
    SCANVET_REQUIRE_LAB();
    struct DropOnTheWayOut {
        DropOnTheWayOut()
        {
            ok = std::system("nft add table ip scanvet_refuse && nft add chain ip scanvet_refuse out "
                             "'{ type filter hook output priority 0; }' && nft add rule ip scanvet_refuse out "
                             "ip daddr 203.0.113.10 icmp type echo-request drop") == 0;
        }
        ~DropOnTheWayOut() { std::system("nft delete table ip scanvet_refuse 2>/dev/null"); }
        bool ok = false;
    };
    QTemporaryDir work;
    // No TCP knock: the far host refuses connections, which would find it.
    const std::vector<const char*> scan{"--range", "203.0.113.10-10", "--preset", "fast", "--all-lines", "--tcp-ports", "none"};
    {
        Process answered = scanvet(work, scan);
        EXPECT_EQ(answered.finish(), 0);
    }
    {
        const DropOnTheWayOut drop;
        ASSERT_TRUE(drop.ok) << "no nftables rule in the lab";
        Process refused = scanvet(work, scan);
        EXPECT_EQ(refused.finish(), 1);
        EXPECT_EQ(refused.lines, QByteArrayList{"Sending ping to 203.0.113.10 Send failed: Operation not permitted"});
    }
    // Whole tests only count someone absent: the refused one made nobody gone.
    Process history = scanvet(work, {"--history", "203.0.113.1-20", "--format", "csv"});
    EXPECT_EQ(history.finish(), 0);
    ASSERT_EQ(history.said("203.0.113.10,"), 1);
    const auto row = std::ranges::find_if(history.lines, [](const QByteArray& l) { return l.startsWith("203.0.113.10,"); });
    EXPECT_TRUE(row->contains(",true,echo,")) << row->constData();
}

// Reply times and the repeat keep to the monotonic clock: a wall clock an hour ahead of the kernel's receive stamps
// changes no reply time, and one stepped back two hours while the repeat waits does not hold the next test.
TEST(HeadlessLab, shouldTimeRepliesAndTheRepeatOnTheMonotonicClock)
{
    SCANVET_REQUIRE_LAB();
    // Where the helper relays the echoes (the raw lab), their stamps are its own, on the monotonic clock: the same
    // expectations hold.
    const char* const library = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
    ASSERT_TRUE(fs::exists(library)) << "faketime is not installed";
    QTemporaryDir work;
    const std::string clock = work.filePath("clock").toStdString();
    std::ofstream(clock) << "+3600\n";
    const std::string preload = std::string("LD_PRELOAD=") + library, file = "FAKETIME_TIMESTAMP_FILE=" + clock;
    Process run = scanvet(work, {"--range", "198.51.100.10-10", "--preset", "fast", "--repeat", "1", "--no-history",
                                 "--tcp-ports", "none"},
                          {"/usr/bin/env", preload.c_str(), file.c_str(), "FAKETIME_NO_CACHE=1", "DONT_FAKE_MONOTONIC=1",
                           SCANVET});
    const QByteArray answered = "Sending ping to 198.51.100.10 Reply O.K. - in ";
    ASSERT_TRUE(run.waitFor(answered));
    const int ms = run.lines.back().mid(answered.size()).split(' ').front().toInt();
    EXPECT_TRUE(ms >= 0 && ms < 600) << run.lines.back().constData();  // within the time-out, not an hour off
    std::ofstream(clock) << "-3600\n";
    const timeval repeatAndMore{150, 0};  // the repeat's minute, with room
    setsockopt(fileno(run.output), SOL_SOCKET, SO_RCVTIMEO, &repeatAndMore, sizeof repeatAndMore);
    EXPECT_TRUE(run.waitFor(answered, 2)) << "no second test a minute later";
}

// A second MAC that answers ARP for a computer's address is the report's conflict, beside the computer's own, and
// one line on standard error.
TEST(HeadlessLab, shouldReportASecondMacAnsweringForAnAddressAsAConflict)
{
    SCANVET_REQUIRE_LAB();
    if (geteuid() != 0) GTEST_SKIP() << "only the helper's ARP sees both replies, and only root starts it here";
    QTemporaryDir work;
    // The spoofer's script goes into the working folder: this test's own, left before it goes.
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    std::string ours;
    std::getline(std::ifstream("/sys/class/net/eth0/address"), ours);
    const Lab::ArpOnlyHost& host = Lab::ArpOnlyHosts[0];
    std::thread intruder = Lab::sendArpReply(host.address, "02:00:00:00:99:99", ours, ours, "198.51.100.2", 150);
    ASSERT_TRUE(Lab::spoofing(host.address));
    Process run = scanvet(work, {"--range", "198.51.100.40-40", "--tcp-ports", "none", "--no-history", "--format", "csv",
                                 "--report", "found.csv"});
    EXPECT_EQ(run.finish(), 0);
    intruder.join();
    EXPECT_EQ(fileText(work.filePath("found.csv").toStdString()),
              Header + "198.51.100.40,,false,00:1c:42:5c:a1:40,\"Parallels, Inc.\",link,,false,02:00:00:00:99:99,\r\n");
    EXPECT_EQ(run.errors.count("scanvet: Address conflict at 198.51.100.40: 00:1c:42:5c:a1:40 (Parallels, Inc.) and "
                               "02:00:00:00:99:99 (private (random) address) both answer for it"), 1)
        << run.errors.join('\n').toStdString();
}

// A look at the link that fails tells nothing: the computers seen on it before are not recorded gone, and one line
// says why.
TEST(HeadlessLab, shouldRecordNobodyGoneWhenTheLinkCannotBeSeen)
{
    SCANVET_REQUIRE_LAB();
    QTemporaryDir work;
    const std::string file = work.filePath("history.sqlite").toStdString();
    const std::vector<const char*> scan{"--range", "198.51.100.40-42", "--tcp-ports", "none", "--history-db", file.c_str()};
    {
        Process seen = scanvet(work, scan);
        EXPECT_EQ(seen.finish(), 0);
    }
    {
        Process blind = scanvet(work, scan, {WITHOUT_NETLINK, SCANVET});
        EXPECT_EQ(blind.finish(), 1);
        EXPECT_EQ(blind.errors.count("scanvet: the link is not seen, so nobody counts as gone: the interfaces cannot be "
                                     "read: Permission denied"), 1)
            << blind.errors.join('\n').toStdString();
    }
    Process history = scanvet(work, {"--history", "198.51.100.1-254", "--history-db", file.c_str(), "--format", "csv"});
    EXPECT_EQ(history.finish(), 0);
    for (const char* address : {"198.51.100.40,", "198.51.100.41,", "198.51.100.42,"}) {
        const auto row = std::ranges::find_if(history.lines, [&](const QByteArray& l) { return l.startsWith(address); });
        ASSERT_NE(row, history.lines.end()) << address;
        EXPECT_TRUE(row->contains(",true,link,")) << row->constData();
    }
}

// --interval reaches the sweep: the requests leave the scanner's interface no closer together than the interval
// (a lower bound, which a busy machine only widens).
TEST(HeadlessLab, shouldSendItsRequestsNoCloserThanTheIntervalAsked)
{
    SCANVET_REQUIRE_LAB();
    // ETH_P_ALL: only such a tap sees the packets that leave.
    const int capture = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ALL));
    ASSERT_GE(capture, 0) << std::strerror(errno);
    const int on = 1;
    setsockopt(capture, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    const timeval quiet{0, 300000};
    setsockopt(capture, SOL_SOCKET, SO_RCVTIMEO, &quiet, sizeof quiet);
    QTemporaryDir work;
    // Routed and silent: each request leaves at once, with no address resolution to wait for.
    Process run = scanvet(work, {"--range", "192.0.2.20-25", "--preset", "lan", "--interval", "40", "--no-history"});
    std::vector<int64_t> sent;  // ns, of each echo request to the range, in the order they left
    for (int idle = 0; idle < 10 && sent.size() < 6; ++idle) {
        for (;;) {
            unsigned char packet[128];
            char control[64];
            iovec part{packet, sizeof packet};
            sockaddr_ll from{};
            msghdr message{};
            message.msg_name = &from;
            message.msg_namelen = sizeof from;
            message.msg_iov = &part;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            const ssize_t n = recvmsg(capture, &message, 0);
            if (n < 0) break;
            // IPv4 to 192.0.2.20-25, ICMP echo request.
            const size_t header = size_t(packet[0] & 0x0F) * 4;
            if (n < 28 || from.sll_pkttype != PACKET_OUTGOING || from.sll_protocol != htons(ETH_P_IP) ||
                packet[9] != IPPROTO_ICMP || packet[16] != 192 || packet[17] != 0 || packet[18] != 2 ||
                packet[19] < 20 || packet[19] > 25 || packet[header] != 8)
                continue;
            for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
                if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS) continue;
                timespec stamp{};
                std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
                sent.push_back(int64_t{stamp.tv_sec} * 1'000'000'000 + stamp.tv_nsec);
            }
        }
    }
    close(capture);
    EXPECT_EQ(run.finish(), 1);
    ASSERT_EQ(sent.size(), 6u);
    // Half the interval: the tap stamps a request when the kernel lets it go, which a loaded machine can delay for
    // one request and not the next; a pace that ignored --interval (a quarter of a millisecond here) stays far below.
    for (size_t i = 1; i < sent.size(); ++i) EXPECT_GE(sent[i] - sent[i - 1], 20'000'000) << "request " << i;
}
