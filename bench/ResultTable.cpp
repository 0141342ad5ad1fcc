// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BenchModes.h"
#include "BenchTools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// How a target judges a measure's runs: the median, or every run alike.
enum class Judge { MedianAtMost, MedianBelow, EveryRunEqual };

struct Target {
    const char* key;
    const char* text;
    double limit;
    Judge judge;
};

// The goals the benchmark is held to, by key.
constexpr Target Targets[] = {
    {"sweep1.scan_over_floor", "<= 1.03", 1.03, Judge::MedianAtMost},
    {"sweep1.scan_over_fping", "<= 0.88", 0.88, Judge::MedianAtMost},
    {"sweep1_10k.handover_over_empty", "<= 1.05", 1.05, Judge::MedianAtMost},
    {"sweep1_100k.handover_over_empty", "<= 1.05", 1.05, Judge::MedianAtMost},
    {"sweep1_100k.scan_over_empty", "<= 1.05", 1.05, Judge::MedianAtMost},
    {"wire_lan.wire_over_fping", "<= 0.4", 0.4, Judge::MedianAtMost},
    {"wire_lan_known.scan_over_unnamed", "<= 1.05", 1.05, Judge::MedianAtMost},
    {"wire_lan_known.settled_over_unnamed", "<= 1.05", 1.05, Judge::MedianAtMost},
    {"cli_lan.over_fping", "<= 0.6", 0.6, Judge::MedianAtMost},
    {"cli_lan_no_report.over_floor", "<= 1.25", 1.25, Judge::MedianAtMost},
    {"cli_routed24_fast.over_fping", "<= 0.9", 0.9, Judge::MedianAtMost},
    {"cli_routed24_slow.over_fping", "<= 0.95", 0.95, Judge::MedianAtMost},
    {"cli_routed16.over_floor", "<= 1.1", 1.1, Judge::MedianAtMost},
    {"cli_routed16.peak_rss_mb", "<= 80", 80, Judge::MedianAtMost},
    {"all_lan.list_entries", "254 in every run", 254, Judge::EveryRunEqual},
    {"all_fast.list_entries", "254 in every run", 254, Judge::EveryRunEqual},
    {"all_slow.list_entries", "254 in every run", 254, Judge::EveryRunEqual},
    {"all_lan.gui_timer_worst_late_ms", "< 20", 20, Judge::MedianBelow},
    {"all_fast.gui_timer_worst_late_ms", "< 20", 20, Judge::MedianBelow},
    {"all_slow.gui_timer_worst_late_ms", "< 20", 20, Judge::MedianBelow},
    {"all_fast.peak_rss_mb", "< 80", 80, Judge::MedianBelow},
    {"blocked.rss_growth_mb", "< 1", 1, Judge::MedianBelow},
    {"blocked.events_waiting_after_block", "<= 256", 256, Judge::MedianAtMost},
    {"soak.rss_mb_end", "< 150", 150, Judge::MedianBelow},
    {"soak.last_over_first", "<= 1.05", 1.05, Judge::MedianAtMost},
    {"soak.wire_last_over_first", "<= 1.1", 1.1, Judge::MedianAtMost},
    {"startup.startup_ms", "< 300", 300, Judge::MedianBelow},
};

bool met(const Target& target, const std::vector<double>& runs)
{
    switch (target.judge) {
    case Judge::MedianAtMost: return median(runs) <= target.limit;
    case Judge::MedianBelow: return median(runs) < target.limit;
    case Judge::EveryRunEqual:
        return std::all_of(runs.begin(), runs.end(), [&](double v) { return v == target.limit; });
    }
    return false;
}

// The rows of the overview: a measure, what it is set against, and the key
// its target judges.
struct OverviewRow {
    const char* title;
    const char* value;
    const char* fping;   // "" when none
    const char* floor;   // ""
    const char* judged;  // the value itself when ""
};

constexpr OverviewRow Overview[] = {
    {"silent routed /24, fast preset, whole process, ms", "cli_routed24_fast.ms", "fping_routed24_fast.ms",
     "cli_routed24_fast.floor_ms", "cli_routed24_fast.over_fping"},
    {"silent routed /24, slow preset, whole process, ms", "cli_routed24_slow.ms", "fping_routed24_slow.ms",
     "cli_routed24_slow.floor_ms", "cli_routed24_slow.over_fping"},
    {"LAN /24, LAN preset, whole process, ms", "cli_lan.ms", "fping_t1_i1.ms", "cli_lan.floor_ms",
     "cli_lan.over_fping"},
    {"LAN /24, LAN preset, whole process without a report, ms", "cli_lan_no_report.ms", "fping_t1_i1.ms",
     "cli_lan_no_report.floor_ms", "cli_lan_no_report.over_floor"},
    {"the command line's start-up (--version), whole process, ms", "cli_startup.ms", "", "", ""},
    {"the window's start-up until it is shown, ms", "startup.startup_ms", "", "", ""},
    {"the window's LAN sweep on the wire, first request to last, ms", "wire_lan.wire_ms", "fping_t1_i1.ms",
     "wire_lan.floor_ms", "wire_lan.wire_over_fping"},
    {"the same with 1,000 known computers named, click to end, ms", "wire_lan_known.scan_ms", "", "",
     "wire_lan_known.scan_over_unnamed"},
    {"the same, click to settled (names shown), ms", "wire_lan_known.settled_ms", "", "",
     "wire_lan_known.settled_over_unnamed"},
    {"all answering, window, LAN preset: found of 254", "all_lan.list_entries", "", "", ""},
    {"all answering, window, fast preset: found of 254", "all_fast.list_entries", "", "", ""},
    {"all answering, window, slow preset: found of 254", "all_slow.list_entries", "", "", ""},
    {"the same, LAN preset: GUI timer worst delay, ms", "all_lan.gui_timer_worst_late_ms", "", "", ""},
    {"the same, fast preset: GUI timer worst delay, ms", "all_fast.gui_timer_worst_late_ms", "", "", ""},
    {"the same, slow preset: GUI timer worst delay, ms", "all_slow.gui_timer_worst_late_ms", "", "", ""},
    {"silent /16, fast preset, whole process, ms", "cli_routed16.ms", "fping_routed16.ms", "cli_routed16.floor_ms",
     "cli_routed16.over_floor"},
    {"silent /16, fast preset, peak RSS, MB", "cli_routed16.peak_rss_mb", "fping_routed16.peak_rss_mb", "", ""},
    {"one address at a time, the window's sweep 1, ms", "sweep1.scan_ms", "fping_t1_i1.ms", "sweep1.floor_ms",
     "sweep1.scan_over_floor"},
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
        std::string target, verdict;
        if (const Target* t = targetOf(key)) {
            target = t->text;
            const bool ok = met(*t, v);
            verdict = ok ? "yes" : "**NO**";
            missed += ok ? 0 : 1;
        }
        std::printf("| %s | %.4g | %.4g | %.4g | %zu | %s | %s |\n", key.c_str(), middle, *lo, *hi, v.size(),
                    target.c_str(), verdict.c_str());
    }
    std::printf("\nTargets missed: %d\n", missed);
    return 0;
}

// The rows, each beside fping and its floor: medians (min-max).
int overview(int argc, char** argv)
{
    if (argc < 3) return 2;
    const Rows rows = readRows(std::vector<std::string>(argv + 2, argv + argc));
    const auto number = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, v == std::round(v) ? "%.0f" : std::abs(v) >= 100 ? "%.1f" : "%.3g", v);
        return std::string(text);
    };
    // The median with the range of the runs, or the one value they all had.
    const auto cell = [&](const char* key) {
        const auto found = rows.values.find(key);
        if (*key == 0 || found == rows.values.end()) return std::string();
        const auto& v = found->second;
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        if (*lo == *hi) return number(*lo);
        return number(median(v)) + " (" + number(*lo) + "-" + number(*hi) + ")";
    };
    std::printf("| row | scanvet: median (min-max) | fping | floor | judged: median (min-max) | runs | target | met |\n");
    std::printf("|---|---|---|---|---|---:|---|---|\n");
    for (const OverviewRow& row : Overview) {
        const char* judged = *row.judged != 0 ? row.judged : row.value;
        const auto runs = rows.values.find(judged);
        const Target* target = targetOf(judged);
        std::string verdict = "not run";
        if (runs != rows.values.end() && target != nullptr) verdict = met(*target, runs->second) ? "yes" : "**NO**";
        std::printf("| %s | %s | %s | %s | %s | %zu | %s | %s |\n", row.title, cell(row.value).c_str(),
                    cell(row.fping).c_str(), cell(row.floor).c_str(), *row.judged != 0 ? cell(row.judged).c_str() : "",
                    runs != rows.values.end() ? runs->second.size() : size_t{0}, target ? target->text : "",
                    verdict.c_str());
    }
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
