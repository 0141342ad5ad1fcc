// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BenchTools.h"

#include <QDir>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

int64_t nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

std::string argument(int argc, char** argv, const char* name, const char* fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
    return fallback;
}

bool flag(int argc, char** argv, const char* name)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return true;
    return false;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty()) return std::nan("");
    std::sort(values.begin(), values.end());
    // Nearest rank.
    const auto rank = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

double median(std::vector<double> values)
{
    if (values.empty()) return std::nan("");
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long statusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0) return std::strtol(line.c_str() + length, nullptr, 10);
    return -1;
}

double vmHwmMb()
{
    return static_cast<double>(statusKb("VmHWM:")) / 1024.0;
}

double vmRssMb()
{
    return static_cast<double>(statusKb("VmRSS:")) / 1024.0;
}

int threadCount()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    return static_cast<int>(tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

void put(const std::string& label, const char* key, double value)
{
    std::printf("%s.%s %.6g\n", label.c_str(), key, value);
}

double us(int64_t ns)
{
    return static_cast<double>(ns) / 1e3;
}

void quietNeighbours()
{
    if (std::system("ip -4 neigh flush all >/dev/null 2>&1") != 0)
        std::fprintf(stderr, "scanvet_bench: could not flush the neighbour table\n");
}

bool insideLab(const char* mode)
{
    if (std::getenv("SCANVET_LAB") != nullptr && std::getenv("SCANVET_LAB_UNAVAILABLE") == nullptr) return true;
    std::fprintf(stderr, "scanvet_bench: %s runs only inside lab/netlab.sh\n", mode);
    return false;
}
