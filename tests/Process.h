// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A program that a test starts and reads; the tests of the whole program share it.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArrayList>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

// A program in a working folder, its input and output on one socket and its error stream apart, in
// errors; what it said is shown when the test has failed. Started with fork and exec: ThreadSanitizer
// cannot follow QProcess's vfork-like start.
class Process {
public:
    Process(const std::string& folder, std::vector<const char*> argv)
    {
        int ends[2], errorEnds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0 || pipe2(errorEnds, O_CLOEXEC) != 0)
            throw std::runtime_error("no socket pair or pipe");
        argv.push_back(nullptr);
        if ((pid = fork()) == 0) {
            for (int stream : {0, 1, 2}) dup2(stream < 2 ? ends[1] : errorEnds[1], stream);
            if (chdir(folder.c_str()) == 0) execv(argv[0], const_cast<char* const*>(argv.data()));
            _exit(127);
        }
        close(ends[1]);
        close(errorEnds[1]);
        errorStream = fdopen(errorEnds[0], "r");
        const timeval hangGuard{60, 0};  // a minute without a word
        setsockopt(ends[0], SOL_SOCKET, SO_RCVTIMEO, &hangGuard, sizeof hangGuard);
        output = fdopen(ends[0], "r");
    }
    Process(const Process&) = delete;
    ~Process()
    {
        if (signal(SIGKILL) == 0) waitpid(pid, nullptr, 0);
        fclose(output);
        fclose(errorStream);
        if (::testing::Test::HasFailure()) std::fprintf(stderr, "%s\n", (lines + errors).join('\n').constData());
    }
    bool waitFor(const QByteArray& text, int count = 1)
    {
        for (char line[4096]; said(text) < count && fgets(line, sizeof line, output);) lines << QByteArray(line).trimmed();
        if (ferror(output) != 0) signal(SIGKILL);
        return said(text) >= count;
    }
    bool command(const QByteArray& line)
    {
        return send(fileno(output), (line + '\n').constData(), size_t(line.size() + 1), MSG_NOSIGNAL) > line.size()
               && waitFor("> ", said("> ") + 1);
    }
    // Reads to the end; the exit status, or -1 for a hang or a crash.
    int finish()
    {
        int status = 0;
        waitFor("\n");  // in no line
        const bool exited = waitpid(std::exchange(pid, -1), &status, 0) > 0 && WIFEXITED(status);
        for (char line[4096]; fgets(line, sizeof line, errorStream);)
            errors << QByteArray(line).trimmed();
        return exited ? WEXITSTATUS(status) : -1;
    }
    int signal(int number) const { return pid > 0 ? kill(pid, number) : -1; }
    int said(const QByteArray& text) const
    {
        return int(std::ranges::count_if(lines, [&](const QByteArray& line) { return line.startsWith(text); }));
    }

    QByteArrayList lines, errors;
    pid_t pid = -1;
    FILE* output = nullptr;
    FILE* errorStream = nullptr;
};

inline std::string fileText(const std::string& path)
{
    std::string text;
    std::getline(std::ifstream(path, std::ios::binary), text, '\0');  // there is none in these files
    return text;
}
