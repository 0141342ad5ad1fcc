// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: a computer behind the router that ignores ping but refuses or accepts a TCP connection left out of the
// report, or put in it as answering or seen on the link; one that drops everything found; open ports reported
// without being asked, missing when asked, or outside the CSV's last column; --tcp-ports none still knocking; an
// exit status that does not count a computer found by a knock alone; a knock on the own link not asked for.
#include "tests/Lab.h"
#include "tests/Process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

TEST(HeadlessKnockLab, findsWhatRefusesOrAcceptsBehindTheRouterAndNothingThatDrops)
{
    SCANVET_REQUIRE_LAB();
    const std::string header = "address,name,answering,mac,vendor,seen_by,label,known,conflict,open_ports\r\n";
    const std::string far = "203.0.113.10,far.lab,true,,,echo,,false,,\r\n";
    struct Row {
        std::vector<const char*> options;
        int status;
        std::string csv;
    };
    const Row rows[] = {
        {{}, 0, header + far + "203.0.113.30,,false,,,tcp,,false,,\r\n203.0.113.31,,false,,,tcp,,false,,\r\n"},
        {{"--open-ports"}, 0, header + far + "203.0.113.30,,false,,,tcp,,false,,\r\n203.0.113.31,,false,,,tcp,,false,,443\r\n"},
        {{"--tcp-ports", "443,22", "--open-ports", "--preset", "slow"}, 0,
         header + far + "203.0.113.30,,false,,,tcp,,false,,\r\n203.0.113.31,,false,,,tcp,,false,,443\r\n"},
        {{"--tcp-ports", "none"}, 0, header + far},
        // Nobody but the quiet hosts: found by a knock alone, the test has found a computer.
        {{"--range", "203.0.113.30-30"}, 0, header + "203.0.113.30,,false,,,tcp,,false,,\r\n"},
        {{"--range", "203.0.113.32-32"}, 1, header},
        {{"--range", "203.0.113.30-31", "--tcp-ports", "none"}, 1, header},
    };
    for (const Row& row : rows) {
        QTemporaryDir work;
        std::vector<const char*> argv{SCANVET, "--no-history", "--format", "csv", "--report", "-"};
        if (row.options.empty() || std::string(row.options[0]) != "--range")
            argv.insert(argv.end(), {"--range", "203.0.113.9-33"});
        argv.insert(argv.end(), row.options.begin(), row.options.end());
        std::string arguments;
        for (const char* argument : argv) arguments += std::string(argument) + ' ';
        SCOPED_TRACE(arguments);
        Process run(work.path().toStdString(), argv);
        EXPECT_EQ(run.finish(), row.status);
        // The report is on standard output, the result lines on standard error.
        EXPECT_EQ(run.lines.join("\r\n").toStdString() + (run.lines.isEmpty() ? "" : "\r\n"), row.csv);
    }
    // JSON: a list of numbers, empty when not asked.
    QTemporaryDir work;
    Process run(work.path().toStdString(), {SCANVET, "--no-history", "--range", "203.0.113.31-31", "--open-ports",
                                            "--format", "json", "--report", "-"});
    EXPECT_EQ(run.finish(), 0);
    const QJsonObject computer =
        QJsonDocument::fromJson(run.lines.join('\n')).object().value("computers").toArray().at(0).toObject();
    EXPECT_EQ(computer.value("seen_by").toString(), "tcp");
    EXPECT_EQ(computer.value("open_ports").toArray(), QJsonArray{443});
}

// TCP segments that the ARP-only host .40 has taken in so far (its namespace's counter).
long tcpSegmentsInto40()
{
    const char* hosts = std::getenv("SCANVET_LAB_ARP_HOSTS");
    const std::string first = hosts != nullptr ? QString(hosts).section(' ', 0, 0).toStdString() : "";
    const std::string command = "ip netns exec " + first +
                                " awk '/^Tcp:/ { if (!c) { for (i = 1; i <= NF; i++) if ($i == \"InSegs\") c = i } else print $c }'"
                                " /proc/net/snmp";
    FILE* pipe = popen(command.c_str(), "r");
    long segments = -1;
    if (pipe != nullptr && std::fscanf(pipe, "%ld", &segments) != 1) segments = -1;
    if (pipe != nullptr) pclose(pipe);
    return segments;
}

TEST(HeadlessKnockLab, knocksOnTheOwnLinkOnlyForOpenPorts)
{
    SCANVET_REQUIRE_LAB();
    // ARP finds every computer on the link: a knock there adds nothing unless its open ports are asked for.
    for (const bool openPorts : {false, true}) {
        QTemporaryDir work;
        std::vector<const char*> argv{SCANVET, "--no-history", "--format", "csv", "--report", "-", "--range", "198.51.100.40-42"};
        if (openPorts) argv.push_back("--open-ports");
        SCOPED_TRACE(openPorts ? "--open-ports" : "no --open-ports");
        const long before = tcpSegmentsInto40();
        ASSERT_GE(before, 0);
        Process run(work.path().toStdString(), argv);
        EXPECT_EQ(run.finish(), 0);
        ASSERT_EQ(run.lines.size(), 4);
        for (const auto& host : Lab::ArpOnlyHosts)
            EXPECT_TRUE(run.lines.join('\n').contains(QString("%1,,false,%2,").arg(host.address, host.mac).toUtf8())) << host.address;
        for (int line = 1; line < run.lines.size(); ++line) EXPECT_TRUE(run.lines[line].contains(",link,")) << line;
        const long knocks = tcpSegmentsInto40() - before;
        if (openPorts)
            EXPECT_GE(knocks, 2) << "one knock a port";
        else
            EXPECT_EQ(knocks, 0);
    }
}
