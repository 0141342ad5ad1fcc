// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BenchModes.h"
#include "BenchTools.h"
#include "PaintCounter.h"
#include "TimedApplication.h"
#include "WindowSetup.h"
#include "WireTimes.h"

#include "net/EchoSocket.h"
#include "net/Pinger.h"
#include "scan/FoundComputers.h"
#include "scan/ScanController.h"
#include "scan/TestPlan.h"
#include "window/Dialogs.h"
#include "window/MainWindow.h"
#include "window/ResultLog.h"

#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include <arpa/inet.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <thread>
#include <vector>

namespace {

// One echo of the scan, from the pinger's hooks on the scan thread.
struct Echo {
    int64_t request = 0;   // the request is about to go out
    int64_t returned = 0;  // the echo is over, before its hand-over
};

// The floor of a scan one address at a time, learnt by separate echo passes.
struct OneByOneFloor {
    std::vector<double> rttUs = std::vector<double>(Last + 1, std::numeric_limits<double>::infinity());
    double floorUs = 0;  // the sum of min(round trip, time-out)
    double bareUs = 0;   // the same sweep by the bare echo socket
    int answering = 0;
};

// Each address's round-trip time, learnt with a long time-out by the bare
// echo socket and the same time to live; then the same sweep by the bare
// echo socket with the preset's time-out: what the operating system and
// the engine cost without the window. nullopt without an echo socket.
std::optional<OneByOneFloor> learnFloor(int ttl, int timeoutMs, int rttTimeoutMs, bool dump)
{
    OneByOneFloor floor;
    try {
        {
            EchoSocket socket;
            for (int octet = First; octet <= Last; ++octet) {
                const int64_t start = nowNs();
                const EchoResult result = socket.echo(lanAddress(octet), ttl, std::chrono::milliseconds(rttTimeoutMs));
                const int64_t end = nowNs();
                if (result.answered()) floor.rttUs[static_cast<size_t>(octet)] = us(end - start);
            }
        }
        // A socket of its own: the pass above left requests to the silent
        // addresses waiting in the kernel, in its send buffer.
        EchoSocket socket;
        quietNeighbours();
        const int64_t bareStart = nowNs();
        for (int octet = First; octet <= Last; ++octet) {
            const int64_t one = nowNs();
            const EchoResult result = socket.echo(lanAddress(octet), ttl, std::chrono::milliseconds(timeoutMs));
            if (dump)
                std::fprintf(stderr, "bare %d status %d us %.1f\n", octet, static_cast<int>(result.status),
                             us(nowNs() - one));
        }
        floor.bareUs = us(nowNs() - bareStart);
    } catch (const PingSocketError& e) {
        std::fprintf(stderr, "scanvet_bench: no ICMP socket (%s)\n", e.what());
        return std::nullopt;
    }
    for (int octet = First; octet <= Last; ++octet) {
        const double rtt = floor.rttUs[static_cast<size_t>(octet)];
        if (std::isfinite(rtt)) ++floor.answering;
        floor.floorUs += std::min(rtt, timeoutMs * 1000.0);
    }
    return floor;
}

// Per echo: from its return to the next request ("hand-over"), which covers
// putting its result and progress step into the scan's events (the walk
// waits for the GUI thread only when they are full) and the loop; and from
// its return to the end of its work on the GUI thread. The last echo has no
// next request.
void putEchoTimes(const std::string& label, const std::vector<Echo>& echoes, const std::vector<int64_t>& stepped,
                  const std::vector<double>& rttUs, int timeoutMs)
{
    std::vector<double> afterEcho, handler, inEchoOver;
    for (size_t i = 0; i < echoes.size(); ++i) {
        const Echo& e = echoes[i];
        const size_t octet = static_cast<size_t>(First) + i;
        if (octet < stepped.size() && stepped[octet] != 0) handler.push_back(us(stepped[octet] - e.returned));
        if (i + 1 < echoes.size()) afterEcho.push_back(us(echoes[i + 1].request - e.returned));
        // Time inside the echo beyond what the network needed.
        const double network = std::min(rttUs[std::min(octet, rttUs.size() - 1)], timeoutMs * 1000.0);
        inEchoOver.push_back(us(e.returned - e.request) - network);
    }
    put(label, "handover_median_us", median(afterEcho));
    put(label, "handover_p99_us", percentile(afterEcho, 99));
    put(label, "reply_handler_median_us", median(handler));
    put(label, "reply_handler_p99_us", percentile(handler, 99));
    put(label, "in_echo_over_network_median_us", median(inEchoOver));
}

void dumpEchoes(const std::vector<Echo>& echoes, const std::vector<int64_t>& stepped, const QStringList& statusLines,
                int64_t click)
{
    for (size_t i = 0; i < echoes.size(); ++i)
        std::fprintf(stderr, "echo %zu at_ms %.2f in_echo_us %.1f handler_us %.1f after_us %.1f %s\n", i + First,
                     static_cast<double>(echoes[i].request - click) / 1e6, us(echoes[i].returned - echoes[i].request),
                     i + First < stepped.size() ? us(stepped[i + First] - echoes[i].returned) : 0.0,
                     i + 1 < echoes.size() ? us(echoes[i + 1].request - echoes[i].returned) : 0.0,
                     i < static_cast<size_t>(statusLines.size()) ? qPrintable(statusLines[static_cast<qsizetype>(i)])
                                                                 : "");
}

} // namespace

int sweep(int argc, char** argv)
{
    if (!insideLab("sweep")) return 2;
    const int preset = std::atoi(argument(argc, argv, "--preset", "0").c_str());
    const std::string label = argument(argc, argv, "--label", "sweep");
    const bool guiTimer = flag(argc, argv, "--gui-timer");
    const bool oneAtATime = flag(argc, argv, "--one-at-a-time");
    const bool dump = flag(argc, argv, "--dump");
    const int prefill = std::max(0, std::atoi(argument(argc, argv, "--prefill", "0").c_str()));
    const int prefillLineCount = std::max(0, std::atoi(argument(argc, argv, "--prefill-lines", "0").c_str()));
    const bool append = flag(argc, argv, "--append");
    // --known N: N known computers named in the history before the window opens (0 too: the settle is timed).
    const int known = std::atoi(argument(argc, argv, "--known", "-1").c_str());
    const int blockMs = std::max(0, std::atoi(argument(argc, argv, "--block-ms", "0").c_str()));
    const int blockAfterMs = std::max(0, std::atoi(argument(argc, argv, "--block-after-ms", "5").c_str()));
    if (preset < 0 || preset >= static_cast<int>(SpeedPresets.size())) return 2;
    const int timeoutMs = SpeedPresets[static_cast<size_t>(preset)].timeoutMs;
    const int ttl = SpeedPresets[static_cast<size_t>(preset)].ttl;
    const int rttTimeoutMs = std::atoi(argument(argc, argv, "--rtt-timeout", "0").c_str()) > 0
                                 ? std::atoi(argument(argc, argv, "--rtt-timeout").c_str())
                                 : std::max(10, 10 * timeoutMs);

    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TimedApplication app(argc, argv);

    // One at a time the floor is learnt; a sweep's floor is its requests at
    // their pace and the time-out of the last.
    OneByOneFloor floor;
    if (oneAtATime) {
        std::optional<OneByOneFloor> learnt = learnFloor(ttl, timeoutMs, rttTimeoutMs, dump);
        if (!learnt) return 1;
        floor = std::move(*learnt);
    } else {
        const auto pace = std::chrono::duration<double, std::micro>(TestPlan{}.interval).count();
        floor.floorUs = (Last - First + 1) * pace + timeoutMs * 1000.0;
    }
    const double floorUs = floor.floorUs;

    int rc = 0;
    if (known > 0 && !nameKnownComputers(known)) return 1;
    {
        QtDialogs dialogs;
        MainWindow window(dialogs, std::make_unique<Pinger>());
        window.readSettings();
        ScanController& scan = window.scanController();
        FoundComputers& found = scan.foundComputers();
        // Entries of other ranges, as after many tests without a Clear List.
        for (int i = 0; i < prefill; ++i)
            found.add(QStringLiteral("10.%1.%2.%3").arg(i / (254 * 254) % 256).arg(i / 254 % 254).arg(i % 254 + 1));
        // Lines of earlier tests, before the window is shown.
        ResultLog* sheet = child<ResultLog>(window, "resultLog");
        prefillLines(*sheet, prefillLineCount);
        // --hidden: the same scan without any painting, to tell the paint's share.
        if (!flag(argc, argv, "--hidden")) window.show();
        if (!setUpWindow(window, {preset, append || prefillLineCount > 0, flag(argc, argv, "--all-lines"), oneAtATime}))
            return 1;
        // --warm-up: a first test, not measured, so that what only the first
        // test brings (the maker lists' load, the history's opening) is in
        // before the measured one.
        if (flag(argc, argv, "--warm-up")) {
            bool warmSettled = false;
            const auto settledOnce = QObject::connect(&scan, &ScanController::testSettled, &window,
                                                      [&warmSettled] { warmSettled = true; });
            child<QPushButton>(window, "runStopButton")->click();
            const bool warm = waitFor([&] { return warmSettled && !scan.isRunning(); }, 60'000);
            QObject::disconnect(settledOnce);
            if (!warm) {
                std::fprintf(stderr, "scanvet_bench: the first test did not end\n");
                return 1;
            }
        }
        quietNeighbours();
        // Let the window settle (layout, first paint) before the click.
        waitFor([] { return false; }, prefill > 0 || prefillLineCount > 0 ? 1000 : 300);

        // Timestamps of every echo, from the pinger's hooks on the scan thread.
        std::vector<Echo> echoes;
        echoes.reserve(Last + 8);
        Pinger& pinger = scan.pinger();
        pinger.onRequest = [&echoes] { echoes.push_back({nowNs(), 0}); };
        pinger.onReturned = [&echoes] { echoes.back().returned = nowNs(); };
        // On the GUI thread, inside each address's hand-over, after the
        // window's own handlers: the echo's changes and the progress step done.
        std::vector<int64_t> stepped(Last + 1, 0);
        QStringList statusLines;
        QObject::connect(&scan, &ScanController::progressed, &window, [&](qint64, qint64, quint32 address) {
            stepped[address & 0xFF] = nowNs();
        });
        if (dump)
            QObject::connect(&scan.recorder(), &EchoRecorder::statusChanged, &window,
                             [&](const QString& line) { statusLines << line; });
        // The end of the test: after the window's own handler, which unlocks the controls.
        int64_t end = 0;
        QObject::connect(&scan, &ScanController::finished, &window, [&end] { end = nowNs(); });
        // Settled: its sightings shown with their names, and handed to the history.
        int64_t settledAt = 0;
        QObject::connect(&scan, &ScanController::testSettled, &window, [&settledAt] { settledAt = nowNs(); });

        // A 10 ms timer on the GUI thread: how late does it fire?
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(10);
        int64_t lastTick = 0;
        double worstLateMs = 0;
        int ticks = 0;
        QObject::connect(&ticker, &QTimer::timeout, &window, [&] {
            const int64_t now = nowNs();
            if (lastTick != 0) worstLateMs = std::max(worstLateMs, static_cast<double>(now - lastTick) / 1e6 - 10.0);
            lastTick = now;
            ++ticks;
        });

        const int threadsBefore = threadCount();
        if (guiTimer) {
            ticker.start();
            lastTick = nowNs();
        }
        PaintCounter paints;
        if (flag(argc, argv, "--paints")) {
            app.installEventFilter(&paints);
            paints.active = true;
        }
        // --block-ms: the GUI thread held shortly after the click, as by a
        // handler that does not return; the walk goes on meanwhile.
        int64_t blockStart = 0;
        int64_t blockEnd = 0;
        double rssBeforeBlockMb = 0;
        double rssAfterBlockMb = 0;
        QTimer blocker;
        blocker.setSingleShot(true);
        blocker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&blocker, &QTimer::timeout, &window, [&] {
            rssBeforeBlockMb = vmRssMb();
            blockStart = nowNs();
            std::this_thread::sleep_for(std::chrono::milliseconds(blockMs));
            blockEnd = nowNs();
            rssAfterBlockMb = vmRssMb();
        });
        if (blockMs > 0) blocker.start(blockAfterMs);
        QPushButton* run = child<QPushButton>(window, "runStopButton");
        const int64_t click = nowNs();
        app.zeroNs = click;
        app.slowNs = static_cast<int64_t>(std::atof(argument(argc, argv, "--slow-events", "0").c_str()) * 1e3);
        startWireTimes(ntohl(lanAddress(0)));
        run->click();
        const int64_t clicked = nowNs();
        const bool ended = waitFor([&] { return end != 0 && !scan.isRunning(); }, 600'000);
        const WireTimes wire = stopWireTimes();
        ticker.stop();
        app.slowNs = 0;
        paints.active = false;
        for (const auto& [widget, count] : paints.counts)
            std::fprintf(stderr, "paints %5d %s\n", count, widget.c_str());
        // The scan thread and the name look-ups end on their own; the memory
        // peak includes them.
        const bool resolved = waitFor([&] { return threadCount() <= threadsBefore; }, 120'000);
        pinger.onRequest = nullptr;
        pinger.onReturned = nullptr;
        if (!ended || !resolved) {
            std::fprintf(stderr, "scanvet_bench: the scan or its look-ups did not end\n");
            rc = 1;
        }

        const double scanUs = us(end - click);
        put(label, "scan_ms", scanUs / 1e3);
        put(label, "floor_ms", floorUs / 1e3);
        put(label, "scan_over_floor", scanUs / floorUs);
        put(label, "overhead_us_per_address", (scanUs - floorUs) / (Last - First + 1));
        if (oneAtATime) {
            put(label, "bare_engine_ms", floor.bareUs / 1e3);
            put(label, "bare_engine_over_floor", floor.bareUs / floorUs);
            // What the window adds to the bare engine's sweep.
            put(label, "window_overhead_us_per_address", (scanUs - floor.bareUs) / (Last - First + 1));
            put(label, "answering_in_floor_pass", floor.answering);
            put(label, "echoes", static_cast<double>(echoes.size()));
        }
        // The list once the test has settled: the link's sightings come at their own deadlines, about the sweep's end.
        const bool settled = waitFor([&] { return settledAt != 0; }, 60'000);
        put(label, "list_entries", found.count() - prefill);
        if (known >= 0 && settled) {
            put(label, "settled_ms", us(settledAt - click) / 1e3);
            int labelled = 0;
            for (int row = 0; row < found.count(); ++row) labelled += found.label(row).isEmpty() ? 0 : 1;
            put(label, "labelled_entries", labelled);
        }
        if (prefillLineCount > 0) put(label, "sheet_lines_before", prefillLineCount);
        put(label, "click_handler_us", us(clicked - click));
        if (oneAtATime) {
            putEchoTimes(label, echoes, stepped, floor.rttUs, timeoutMs);
            if (dump) dumpEchoes(echoes, stepped, statusLines, click);
            if (!echoes.empty()) {
                put(label, "click_to_first_request_us", us(echoes.front().request - click));
                put(label, "last_echo_to_end_us", us(end - echoes.back().returned));
            }
        } else if (wire.sends > 0) {
            // The requests as they left, first to last, by the wrapped sendto.
            put(label, "requests_sent", wire.sends);
            put(label, "wire_ms", static_cast<double>(wire.last - wire.first) / 1e6);
            put(label, "click_to_first_request_us", us(wire.first - click));
            put(label, "last_request_to_end_us", us(end - wire.last));
        }
        if (guiTimer) {
            put(label, "gui_timer_worst_late_ms", worstLateMs);
            put(label, "gui_timer_ticks", ticks);
        }
        put(label, "peak_rss_mb", vmHwmMb());
        if (blockMs > 0 && blockEnd != 0) {
            // What went out or returned while the GUI thread was held, and
            // the addresses whose step it took only after it came back: one
            // at a time the echoes that had returned before, in a sweep the
            // requests that had gone out before (their results may have come
            // later, so this bounds what waited from above).
            int during = 0;
            int waiting = 0;
            for (int octet = First; octet <= Last; ++octet) {
                const auto i = static_cast<size_t>(octet - First);
                const int64_t seen = oneAtATime ? (i < echoes.size() ? echoes[i].returned : 0)
                                                : wire.firstByOctet[static_cast<size_t>(octet)];
                if (seen == 0) continue;
                if (seen >= blockStart && seen < blockEnd) ++during;
                if (seen < blockEnd && stepped[static_cast<size_t>(octet)] >= blockEnd) ++waiting;
            }
            put(label, "block_ms", static_cast<double>(blockEnd - blockStart) / 1e6);
            put(label, "block_start_after_click_ms", static_cast<double>(blockStart - click) / 1e6);
            put(label, oneAtATime ? "echoes_during_block" : "requests_during_block", during);
            put(label, "events_waiting_after_block", waiting);
            put(label, "rss_before_block_mb", rssBeforeBlockMb);
            put(label, "rss_after_block_mb", rssAfterBlockMb);
            put(label, "rss_growth_mb", rssAfterBlockMb - rssBeforeBlockMb);
            put(label, "rss_after_sweep_mb", vmRssMb());
        }
        // --grab FILE: the window after the scan, to compare pictures.
        if (const std::string grab = argument(argc, argv, "--grab"); !grab.empty()) {
            window.statusBar()->showMessage(QStringLiteral("Sending ping to 198.51.100.9 Timeout or not found"));
            QProgressBar* progress = child<QProgressBar>(window, "progressBar");
            progress->setValue(progress->maximum());
            waitFor([] { return false; }, 200);
            window.grab().save(QString::fromStdString(grab));
        }
        window.close();
    }
    std::fflush(stdout);
    return rc;
}
