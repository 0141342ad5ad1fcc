// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BenchModes.h"
#include "BenchTools.h"
#include "WindowSetup.h"
#include "WireTimes.h"

#include "net/Pinger.h"
#include "scan/ScanController.h"
#include "window/Dialogs.h"
#include "window/MainWindow.h"
#include "window/ResultLog.h"

#include <QApplication>
#include <QPushButton>

#include <arpa/inet.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

// Tests back to back in the real window, as a user who leaves it repeating
// for days in append mode: every test adds an empty line and one line per
// address, until the sheet has passed its cap. Memory at the start, at the
// cap and at the end, and the pace of the first tests against the last.
int soak(int argc, char** argv)
{
    if (!insideLab("soak")) return 2;
    const std::string label = argument(argc, argv, "--label", "soak");
    const double overshoot = std::atof(argument(argc, argv, "--overshoot", "10").c_str());
    const qint64 linesWanted = static_cast<qint64>(std::ceil(ResultLog::MaxLines * (1 + overshoot / 100)));
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    int rc = 0;
    QtDialogs dialogs;
    MainWindow window(dialogs, std::make_unique<Pinger>());
    window.readSettings();
    ScanController& scan = window.scanController();
    ResultLog* sheet = child<ResultLog>(window, "resultLog");
    window.show();
    if (!setUpWindow(window, {0, true, true, flag(argc, argv, "--one-at-a-time")})) return 1;
    waitFor([] { return false; }, 300);

    qint64 lines = 0;
    QObject::connect(&scan.recorder(), &EchoRecorder::resultLineAdded, &window, [&lines] { ++lines; });
    int64_t end = 0;
    QObject::connect(&scan, &ScanController::finished, &window, [&end] { end = nowNs(); });
    QPushButton* run = child<QPushButton>(window, "runStopButton");
    const double rssStartMb = vmRssMb();
    std::vector<double> testMs, testRssMb, wireMs;
    double rssAtCapMb = 0;
    int testsToCap = 0;
    while (lines < linesWanted) {
        // Each test starts as the sweeps do, with no address resolution of
        // the previous test still retrying: the tests differ only in what
        // the window holds.
        quietNeighbours();
        end = 0;
        ++lines;  // the empty line that separates the rounds
        const int64_t click = nowNs();
        startWireTimes(ntohl(lanAddress(0)));
        run->click();
        const bool ended = waitFor([&] { return end != 0 && !scan.isRunning(); }, 60'000);
        const WireTimes wire = stopWireTimes();
        if (!ended) {
            std::fprintf(stderr, "scanvet_bench: test %zu did not end\n", testMs.size() + 1);
            rc = 1;
            break;
        }
        testMs.push_back(static_cast<double>(end - click) / 1e6);
        // The sweep on the wire, first request to last: it must not wait for a full sheet.
        wireMs.push_back(static_cast<double>(wire.last - wire.first) / 1e6);
        testRssMb.push_back(vmRssMb());
        if (testsToCap == 0 && sheet->linesDropped()) {
            testsToCap = static_cast<int>(testMs.size());
            rssAtCapMb = vmRssMb();
        }
    }
    // The last lines reach the sheet at their frame.
    waitFor([] { return false; }, 100);
    const size_t n = testMs.size();
    const size_t window10 = std::min<size_t>(10, n);
    const std::vector<double> first(testMs.begin(), testMs.begin() + static_cast<std::ptrdiff_t>(window10));
    const std::vector<double> last(testMs.end() - static_cast<std::ptrdiff_t>(window10), testMs.end());
    const auto firstAndLast = [window10](const std::vector<double>& all) {
        return std::pair(median({all.begin(), all.begin() + static_cast<std::ptrdiff_t>(window10)}),
                         median({all.end() - static_cast<std::ptrdiff_t>(window10), all.end()}));
    };
    const auto [wireFirst, wireLast] = firstAndLast(wireMs);
    put(label, "tests", static_cast<double>(n));
    put(label, "lines_added", static_cast<double>(lines));
    put(label, "sheet_lines_end", sheet->document()->blockCount());
    put(label, "tests_to_cap", testsToCap);
    put(label, "rss_mb_start", rssStartMb);
    put(label, "rss_mb_at_cap", rssAtCapMb);
    put(label, "rss_mb_end", vmRssMb());
    put(label, "peak_rss_mb", vmHwmMb());
    put(label, "first10_median_ms", median(first));
    put(label, "last10_median_ms", median(last));
    put(label, "last_over_first", median(last) / median(first));
    put(label, "wire_first10_median_ms", wireFirst);
    put(label, "wire_last10_median_ms", wireLast);
    put(label, "wire_last_over_first", wireLast / wireFirst);
    put(label, "test_max_ms", n > 0 ? *std::max_element(testMs.begin(), testMs.end()) : 0.0);
    if (flag(argc, argv, "--dump"))
        for (size_t i = 0; i < n; ++i) std::fprintf(stderr, "test %zu ms %.2f wire_ms %.2f rss_mb %.1f\n", i + 1, testMs[i], wireMs[i], testRssMb[i]);
    window.close();
    std::fflush(stdout);
    return rc;
}
