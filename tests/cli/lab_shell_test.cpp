// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches, where shell users combine tools: result lines mixed into a report on standard output; a report on
// /dev/stdout that replaces the shell's file, or one on /dev/null, a FIFO, a process substitution or a terminal
// that fails; a hard link broken or a mode lost by a save; a write error or a full disk passing as success, or
// result lines that fail without a word; a pipe to head that kills the scan before its report file; a report that
// waits for names without end; a report written twice, or no JSON Lines, under --repeat; a test missing from the
// history, or a broken history that stops the scan, goes unsaid or is changed; a test lab that runs its command
// where it cannot be built, or takes more hosts than fit.
#include "tests/Lab.h"
#include "tests/Process.h"
#include "tests/SlowNameServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>

namespace {

// bash runs line in the folder work, $S being the built program, without a display.
Process shell(const QTemporaryDir& work, const std::string& line)
{
    setenv("S", SCANVET, 1);
    return Process(work.path().toStdString(), {"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                               "QT_QPA_PLATFORM", "/bin/bash", "-c", line.c_str()});
}

const std::string Csv = "address,name,answering,mac,vendor,seen_by,label,known,conflict,open_ports\r\n"
                        "198.51.100.5,echo5.lab,true,02:00:00:00:00:10,(locally administered),echo,,false,,\r\n";

} // namespace

TEST(Shell, shouldWriteReportsWhereverTheShellPointsThemAndSayWhenItCannot)
{
    SCANVET_REQUIRE_LAB();
    const std::string scan = "$S --range 198.51.100.5-5 --preset lan";
    // With the report on standard output, the result lines go to standard error.
    const std::string line = "Sending ping to 198\\.51\\.100\\.5 Reply O\\.K\\. - in \\d+ msecs";
    const struct {
        std::string line;       // its last command's exit status is the row's
        int status;
        std::string file;       // read afterwards, with what it must hold ("" for nothing)
        std::string expected;
        std::string errors;     // a pattern of the whole error stream
    } rows[] = {
        {"echo before > log; " + scan + " --format csv --report /dev/stdout >> log", 0, "log", "before\n" + Csv, line},
        {scan + " --format csv --report - | cat > out", 0, "out", Csv, line},
        {scan + " --report /dev/null", 0, "", "", ""},
        {"mkfifo f; cat f > got & " + scan + " --format csv --report f; s=$?; wait; exit $s", 0, "got", Csv, ""},
        {scan + " --format csv --report >(cat > got); s=$?; wait $!; exit $s", 0, "got", Csv, ""},
        {"script -qec '" + scan + " --format csv --report /dev/stdout' /dev/null > typescript", 0, "typescript", "", ""},
        {"echo old > a; ln a b; chmod 640 a; " + scan + " --format csv --report a; stat -c '%h %a' b", 0, "b", Csv, ""},
        {scan + " --format csv --report - > /dev/full", 4, "", "",
         line + "\nscanvet: cannot write the report: cannot write to standard output: No space left on device"},
        {"$S --help > /dev/full", 4, "", "", "scanvet: cannot write to standard output: No space left on device"},
        {scan + " --format csv --report f > /dev/full", 4, "f", Csv,
         "scanvet: cannot write to standard output: No space left on device"},
        {scan + " --report missing/x", 4, "", "", "scanvet: cannot write the report to missing/x: No such file or directory"},
        {"$S --range 198.51.100.1-254 --preset lan --all-lines --format csv --report rep | head -1; exit ${PIPESTATUS[0]}",
         0, "rep", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        QTemporaryDir work;
        Process run = shell(work, row.line);
        EXPECT_EQ(run.finish(), row.status);
        EXPECT_TRUE(std::regex_match(run.errors.join('\n').toStdString(), std::regex(row.errors)))
            << run.errors.join('\n').toStdString();
        const std::string written = fileText(work.filePath(QString::fromStdString(row.file)).toStdString());
        EXPECT_TRUE(row.expected.empty() || written == row.expected) << written;
        EXPECT_TRUE(row.file != "b" || run.lines.value(run.lines.size() - 1) == "2 640") << "the link and the mode kept";
        EXPECT_TRUE(row.file != "rep" || (run.lines.size() == 1 && written.starts_with("address,name,answering,")));
        EXPECT_TRUE(row.file != "typescript" || written.find("198.51.100.5,echo5.lab,true") != std::string::npos);
    }
}

TEST(Shell, shouldWriteEachTestsReportOnceAndNotWaitForNamesWithoutEnd)
{
    SCANVET_REQUIRE_LAB();
    // Interrupted while waiting for the repeat: the one test's report, once, on a line of its own.
    QTemporaryDir work;
    Process repeat = shell(work, "exec $S --range 198.51.100.5-5 --preset lan --repeat 1 --format json --report -");
    ASSERT_TRUE(repeat.waitFor("{"));
    ASSERT_EQ(repeat.signal(SIGTERM), 0);
    EXPECT_EQ(repeat.finish(), 143);
    ASSERT_EQ(repeat.lines.size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(repeat.lines[0]).object().value("computers").toArray().size(), 1);
    EXPECT_TRUE(repeat.errors.value(0).startsWith("Test of 198.51.100.5-5 at "));

    // A name server that holds every look-up: the report goes out without the name, once its wait is up.
    const SlowNameServer nameServer;
    ASSERT_TRUE(nameServer.holds(0));
    Process held = shell(work, "exec $S --range 198.51.100.12-12 --preset lan --format csv --report -");
    EXPECT_EQ(held.finish(), 0);
    EXPECT_EQ(held.lines.join('\n'), "address,name,answering,mac,vendor,seen_by,label,known,conflict,open_ports\n198.51.100.12,,true,02:00:00:00:00:10,"
                                      "(locally administered),echo,,false,,");
    EXPECT_TRUE(nameServer.holds(1));
}

TEST(Shell, shouldKeepEveryTestInTheHistoryAndSayOnceWhyItCannot)
{
    SCANVET_REQUIRE_LAB();
    QTemporaryDir work;
    const std::string data = "XDG_DATA_HOME=" + work.filePath("data").toStdString() + ' ';
    const std::string scan = data + "$S --range 198.51.100.10-13 --preset lan --quiet";
    // Two tests, .11 gone between them (from the scanner's neighbour table too), then the history of the range.
    const std::string hosts = std::getenv("SCANVET_LAB_HOSTS");
    Process run = shell(work, scan + " && ip -n " + hosts + " addr del 198.51.100.11/24 dev eth0 && ip -4 neigh flush all && sleep 1 && " +
                                  scan + "; " + data + "$S --history 198.51.100.1-20 --format csv");
    EXPECT_EQ(run.finish(), 0);
    ASSERT_EQ(run.lines.size(), 5) << "a header and four computers";
    const std::pair<const char*, const char*> rows[] = {{"198.51.100.10,alpha.lab,02:00:00:00:00:10,", ",true,echo,100,100,0,,"},
                                                        {"198.51.100.11,bravo.lab,02:00:00:00:00:10,", ",false,echo,50,50,1,,"},
                                                        {"198.51.100.12,,02:00:00:00:00:10,", ",true,echo,100,100,0,,"}};
    for (const auto& [start, end] : rows) {
        const auto line = std::find_if(run.lines.begin(), run.lines.end(), [&](const QByteArray& l) { return l.startsWith(start); });
        ASSERT_NE(line, run.lines.end()) << start;
        EXPECT_TRUE(line->endsWith(end)) << line->toStdString();
    }
    // Another program holds the file: the report and the status are the scan's, one line says why.
    const QString file = work.filePath("data/scanvet/history.sqlite");
    Process locked = shell(work, data + "python3 -c 'import sqlite3, subprocess, sys; c = sqlite3.connect(sys.argv[1], "
                                        "isolation_level=None); c.execute(\"BEGIN IMMEDIATE\"); "
                                        "sys.exit(subprocess.run(sys.argv[2:]).returncode)' " + file.toStdString() +
                                        " $S --range 198.51.100.10-10 --preset lan --format csv --report -");
    EXPECT_EQ(locked.finish(), 0);
    EXPECT_EQ(locked.lines.size(), 2);
    EXPECT_TRUE(locked.errors.contains("scanvet: the history is not kept: " + file.toUtf8() + ": database is locked"))
        << locked.errors.join('\n').constData();
    // A history file that is not one: the scan and its report go on, one line says why, the file stays as it was.
    const std::string garbage(4096, 'x');
    ASSERT_TRUE(QFile::remove(file) && QFile(file).open(QIODevice::WriteOnly) && std::ofstream(file.toStdString()) << garbage);
    Process broken = shell(work, data + "$S --range 198.51.100.10-10 --preset lan --format csv --report -");
    EXPECT_EQ(broken.finish(), 0);
    EXPECT_EQ(broken.lines.size(), 2);
    EXPECT_TRUE(std::ranges::any_of(broken.errors, [&](const QByteArray& e) {
        return e.startsWith("scanvet: the history is not kept: " + file.toUtf8() + ": ");
    })) << broken.errors.join('\n').constData();
    EXPECT_EQ(fileText(file.toStdString()), garbage);
}

TEST(Shell, shouldNeverRunTheLabsCommandWhereTheLabCannotBeBuiltNorTakeMoreHostsThanFit)
{
    SCANVET_REQUIRE_LAB();  // root, and nowhere a command could reach the real network
    if (geteuid() != 0 || !std::filesystem::exists("/usr/bin/setpriv")) GTEST_SKIP() << "needs root and setpriv";
    const std::string lab = "bash " NETLAB " run ", run = "-- touch ran";
    const std::string nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    const std::string failingIp = "mkdir bin; printf '#!/bin/sh\\nexit 1\\n' > bin/ip; chmod +x bin/ip; PATH=$PWD/bin:$PATH ";
    const std::string notAvailable = "netlab: test lab not available: ", notRun = "; the command is not run ";
    const std::string root = "needs root to create network namespaces";
    const struct {
        std::string line;
        int status;
        std::string errors;
    } rows[] = {
        {nobody + lab + run, 77, notAvailable + root + notRun + "(skipped)"},
        {"SCANVET_LAB_REQUIRED=1 " + nobody + lab + run, 1, notAvailable + root + notRun + "(SCANVET_LAB_REQUIRED=1: failing)"},
        {failingIp + lab + run, 77,
         notAvailable + "cannot create network namespaces (ip netns add failed)" + notRun + "(skipped)"},
        {lab + "--lan-hosts 154 " + run, 2,
         "netlab: --lan-hosts 154 does not fit: 0 to 153 hosts (.101 to .253, below the router's .254)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        QTemporaryDir work;
        std::filesystem::permissions(work.path().toStdString(), std::filesystem::perms::all);
        Process tried = shell(work, "unset SCANVET_LAB_REQUIRED; " + row.line);
        EXPECT_EQ(tried.finish(), row.status);
        EXPECT_EQ(tried.errors.join('\n').toStdString(), row.errors);
        EXPECT_FALSE(QFile::exists(work.filePath("ran"))) << "the command ran outside the lab";
    }
}
