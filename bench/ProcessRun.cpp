// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BenchModes.h"
#include "BenchTools.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// Runs COMMAND once and times the whole process, from just before the fork
// to its exit as wait4() sees it; its peak resident memory is the kernel's
// (ru_maxrss of the child). The command's standard output goes to --stdout
// FILE or /dev/null; its standard error stays.
int runProcess(int argc, char** argv)
{
    const std::string label = argument(argc, argv, "--label", "run");
    const std::string out = argument(argc, argv, "--stdout", "/dev/null");
    const double floorMs = std::atof(argument(argc, argv, "--floor-ms", "0").c_str());
    int command = 2;
    while (command < argc && std::strcmp(argv[command], "--") != 0) ++command;
    if (++command >= argc) {
        std::fprintf(stderr, "scanvet_bench run: no command after --\n");
        return 2;
    }
    std::fflush(stdout);
    const int64_t start = nowNs();
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) _exit(126);
        execvp(argv[command], argv + command);
        std::fprintf(stderr, "scanvet_bench run: cannot start %s: %s\n", argv[command], std::strerror(errno));
        _exit(127);
    }
    if (child < 0) {
        std::fprintf(stderr, "scanvet_bench run: fork: %s\n", std::strerror(errno));
        return 1;
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) < 0) {
        std::fprintf(stderr, "scanvet_bench run: wait4: %s\n", std::strerror(errno));
        return 1;
    }
    const double ms = static_cast<double>(nowNs() - start) / 1e6;
    put(label, "ms", ms);
    put(label, "peak_rss_mb", static_cast<double>(usage.ru_maxrss) / 1024.0);
    put(label, "exit", WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    if (floorMs > 0) {
        put(label, "floor_ms", floorMs);
        put(label, "over_floor", ms / floorMs);
    }
    std::fflush(stdout);
    return WIFEXITED(status) && WEXITSTATUS(status) < 126 ? 0 : 1;
}
