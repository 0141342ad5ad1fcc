// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the benchmark driver's modes share: the clock, the arguments, the
// statistics, the process's memory and the "key value" lines they print.
#pragma once

#include <QEventLoop>
#include <QTimer>

#include <cstdint>
#include <string>
#include <vector>

int64_t nowNs();
std::string argument(int argc, char** argv, const char* name, const char* fallback = "");
bool flag(int argc, char** argv, const char* name);
double percentile(std::vector<double> values, double p);
double median(std::vector<double> values);
// A field of /proc/self/status in kB, such as "VmHWM:" or "VmRSS:".
long statusKb(const char* field);
double vmHwmMb();
double vmRssMb();
// Threads of this process: the scan thread and the name look-ups are
// detached, so their end shows only here.
int threadCount();
void put(const std::string& label, const char* key, double value);
double us(int64_t ns);
// Ends the address resolutions that an earlier pass (or fping) left behind.
// The kernel retries each one for seconds, and on a LAN of 238 silent
// addresses those retries would run through the next timed pass. Each timed
// pass then starts like a first scan of the LAN: nothing resolved yet.
void quietNeighbours();
// Echoes and name look-ups must stay inside the lab's namespaces.
bool insideLab(const char* mode);

// Runs the event loop until done() holds or boundMs passes; false on the bound.
template <class F> bool waitFor(F done, int boundMs)
{
    const int64_t until = nowNs() + int64_t{boundMs} * 1'000'000;
    while (!done()) {
        if (nowNs() > until) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
