// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BenchModes.h"
#include "BenchTools.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Target {
    const char* key;
    const char* text;
    double limit;
    bool inclusive;
};

// The goals the benchmark is held to, by key.
constexpr Target Targets[] = {
    {"sweep1.scan_over_floor", "<= 1.03", 1.03, true},
    {"sweep1.scan_over_fping", "<= 0.88", 0.88, true},
    {"sweep1_10k.handover_over_empty", "<= 1.05", 1.05, true},
    {"sweep1_100k.handover_over_empty", "<= 1.05", 1.05, true},
    {"sweep1_100k.scan_over_empty", "<= 1.05", 1.05, true},
    {"sweep2.gui_timer_worst_late_ms", "< 20", 20, false},
    {"sweep2.peak_rss_mb", "< 80", 80, false},
    {"blocked.rss_growth_mb", "< 1", 1, false},
    {"blocked.events_waiting_after_block", "<= 256", 256, true},
    {"soak.rss_mb_end", "< 150", 150, false},
    {"soak.last_over_first", "<= 1.05", 1.05, true},
    {"startup.startup_ms", "< 300", 300, false},
};

// Every "key value" line of the files, each key's values in file order,
// the keys in the order first seen.
struct Rows {
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> values;
};

Rows readRows(const std::vector<std::string>& files)
{
    Rows rows;
    for (const std::string& file : files) {
        std::ifstream in(file);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string key;
            double value = 0;
            if (!(fields >> key >> value)) continue;
            if (!rows.values.count(key)) rows.order.push_back(key);
            rows.values[key].push_back(value);
        }
    }
    return rows;
}

const Target* targetOf(const std::string& key)
{
    for (const Target& t : Targets)
        if (key == t.key) return &t;
    return nullptr;
}

} // namespace

int table(int argc, char** argv)
{
    if (argc < 3) return 2;
    const Rows rows = readRows(std::vector<std::string>(argv + 2, argv + argc));
    std::printf("| measure | median | min | max | runs | target | met |\n");
    std::printf("|---|---:|---:|---:|---:|---|---|\n");
    int missed = 0;
    for (const std::string& key : rows.order) {
        const auto& v = rows.values.at(key);
        const double middle = median(v);
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        std::string target, met;
        if (const Target* t = targetOf(key)) {
            target = t->text;
            const bool ok = t->inclusive ? middle <= t->limit : middle < t->limit;
            met = ok ? "yes" : "**NO**";
            missed += ok ? 0 : 1;
        }
        std::printf("| %s | %.4g | %.4g | %.4g | %zu | %s | %s |\n", key.c_str(), middle, *lo, *hi, v.size(),
                    target.c_str(), met.c_str());
    }
    std::printf("\nTargets missed: %d\n", missed);
    return 0;
}

// The rows that both runs have: medians (min-max) side by side.
int compare(int argc, char** argv)
{
    if (argc != 4) return 2;
    const Rows before = readRows({argv[2]});
    const Rows after = readRows({argv[3]});
    std::printf("| measure | before: median (min-max), runs | after: median (min-max), runs | after / before |\n");
    std::printf("|---|---|---|---:|\n");
    const auto cell = [](const std::vector<double>& v) {
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        char text[96];
        std::snprintf(text, sizeof text, "%.4g (%.4g-%.4g), %zu", median(v), *lo, *hi, v.size());
        return std::string(text);
    };
    for (const std::string& key : after.order) {
        if (!before.values.count(key)) continue;
        const auto& b = before.values.at(key);
        const auto& a = after.values.at(key);
        std::printf("| %s | %s | %s | %.3f |\n", key.c_str(), cell(b).c_str(), cell(a).c_str(),
                    median(a) / median(b));
    }
    return 0;
}
