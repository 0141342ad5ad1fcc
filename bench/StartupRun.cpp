// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BenchModes.h"
#include "BenchTools.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

// Spawns the program entry and times it from just before the fork until it
// reports its window shown (the probe in startup_probe.cpp prints the time).
int startup(int argc, char** argv)
{
    const std::string exe = argument(argc, argv, "--exe");
    const std::string label = argument(argc, argv, "--label", "startup");
    const int reps = std::max(1, std::atoi(argument(argc, argv, "--reps", "1").c_str()));
    if (exe.empty()) return 2;
    int failures = 0;
    for (int rep = 0; rep < reps; ++rep) {
        char dir[] = "/tmp/scanvet-bench-XXXXXX";
        if (mkdtemp(dir) == nullptr) return 1;
        std::fflush(stdout);
        const int64_t start = nowNs();
        const pid_t forked = fork();
        if (forked == 0) {
            if (chdir(dir) != 0) _exit(127);
            setenv("SCANVET_BENCH_T0", std::to_string(start).c_str(), 1);
            setenv("SCANVET_BENCH_LABEL", label.c_str(), 1);
            if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
            execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        if (forked < 0 || waitpid(forked, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failures;
        std::remove((std::string(dir) + "/Scanvet.cfg").c_str());
        rmdir(dir);
    }
    return failures == 0 ? 0 : 1;
}
