// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Benchmark driver. Prints "key value" lines; bench/run.sh collects them and
// "table" turns them into medians with min and max.
//
//   scanvet_bench sweep --preset 0|1 --label NAME [--rtt-timeout MS] [--gui-timer] [--prefill N]
//                       [--prefill-lines N] [--append] [--all-lines] [--block-ms MS [--block-after-ms MS]]
//       One range test 1..254 of the lab LAN in the real window, as a click on
//       "Run test" with the given speed preset, beside the floor learnt by a
//       separate echo pass. --prefill N first puts N entries of other ranges
//       into the list of found computers, --prefill-lines N that many lines
//       on the result sheet (append mode, else the click would clear them).
//       --append ticks "Append lines", --all-lines unticks "Show only correct
//       replies". --block-ms blocks the GUI thread that long, from a timer
//       shortly after the click. Only inside lab/netlab.sh.
//   scanvet_bench soak --label NAME [--overshoot PERCENT]
//       LAN-preset tests back to back in the real window, lines appended and
//       every reply shown, until the result sheet has passed its line cap by
//       PERCENT (default 10). Only inside lab/netlab.sh.
//   scanvet_bench startup --exe PATH --label NAME [--reps N]
//       Process start to the window shown, for the program entry in PATH.
//   scanvet_bench table FILE...
//   scanvet_bench compare BEFORE AFTER
//       The rows both raw files have, side by side.
#include "net/EchoSocket.h"
#include "net/Ipv4.h"
#include "net/Pinger.h"
#include "scan/FoundComputers.h"
#include "scan/ScanController.h"
#include "window/Dialogs.h"
#include "window/MainWindow.h"
#include "window/ResultLog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* LanPrefix = "198.51.100.";
constexpr int First = 1;
constexpr int Last = 254;

int64_t nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

std::string argument(int argc, char** argv, const char* name, const char* fallback = "")
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

// A field of /proc/self/status in kB, such as "VmHWM:" or "VmRSS:".
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

// Threads of this process: the scan thread and the name look-ups are
// detached, so their end shows only here.
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

// One echo of the scan, from the pinger's hooks on the scan thread.
struct Echo {
    int64_t request = 0;   // the request is about to go out
    int64_t returned = 0;  // the echo is over, before its hand-over
};

// Counts paint events per widget during the scan (--paints, a diagnostic).
class PaintCounter : public QObject {
public:
    using QObject::QObject;
    std::map<std::string, int> counts;
    bool active = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (active && event->type() == QEvent::Paint)
            ++counts[std::string(watched->metaObject()->className()) + " " + watched->objectName().toStdString()];
        return false;
    }
};

// Times every event the GUI thread delivers and, with --slow-events US,
// reports on stderr those that took longer (a diagnostic).
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    int64_t slowNs = 0;  // 0: off

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (slowNs == 0 || m_depth > 0) return QApplication::notify(receiver, event);
        const int64_t start = nowNs();
        ++m_depth;
        const QEvent::Type type = event->type();
        const bool handled = QApplication::notify(receiver, event);
        --m_depth;
        if (const int64_t took = nowNs() - start; took > slowNs) {
            // The receiver with its owners: a timer says little by itself.
            std::string to;
            for (const QObject* o = receiver; o != nullptr; o = o->parent())
                to += std::string(" ") + o->metaObject()->className() + (o->objectName().isEmpty() ? "" : ":") +
                      o->objectName().toStdString();
            std::fprintf(stderr, "slow event %.1f us at %.1f ms: type %d to%s\n", us(took),
                         static_cast<double>(start - zeroNs) / 1e6, static_cast<int>(type), to.c_str());
        }
        return handled;
    }
    int64_t zeroNs = 0;

private:
    int m_depth = 0;
};

// Ends the address resolutions that an earlier pass (or fping) left behind.
// The kernel retries each one for seconds, and on a LAN of 238 silent
// addresses those retries would run through the next timed pass. Each timed
// pass then starts like a first scan of the LAN: nothing resolved yet.
void quietNeighbours()
{
    if (std::system("ip -4 neigh flush all >/dev/null 2>&1") != 0)
        std::fprintf(stderr, "scanvet_bench: could not flush the neighbour table\n");
}

uint32_t lanAddress(int octet)
{
    return parseDottedAddress(LanPrefix + std::to_string(octet));
}

template <class T = QWidget> T* child(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QLatin1String(name));
    if (found == nullptr) {
        std::fprintf(stderr, "scanvet_bench: the window has no %s\n", name);
        std::exit(1);
    }
    return found;
}

// Echoes and name look-ups must stay inside the lab's namespaces.
bool insideLab(const char* mode)
{
    if (std::getenv("SCANVET_LAB") != nullptr && std::getenv("SCANVET_LAB_UNAVAILABLE") == nullptr) return true;
    std::fprintf(stderr, "scanvet_bench: %s runs only inside lab/netlab.sh\n", mode);
    return false;
}

struct WindowSetup {
    int preset = 0;
    bool append = false;    // "Append lines - don't overwrite results"
    bool allLines = false;  // "Show only correct replies" unticked
};

// The window's fields for a test of the whole lab LAN, set through its
// controls as a user would. Every choice is set, since the settings file
// that the previous pass left in the folder is read at the start.
bool setUpWindow(MainWindow& window, const WindowSetup& setup)
{
    const char* octetEdits[] = {"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit"};
    const char* octets[] = {"198", "51", "100"};
    for (size_t i = 0; i < std::size(octets); ++i)
        child<QLineEdit>(window, octetEdits[i])->setText(QLatin1String(octets[i]));
    child<QLineEdit>(window, "rangeMinEdit")->setText(QString::number(First));
    child<QLineEdit>(window, "rangeMaxEdit")->setText(QString::number(Last));
    child<QLineEdit>(window, "repeatEdit")->setText(QStringLiteral("0"));
    const QList<QRadioButton*> speeds = child<QGroupBox>(window, "speedBox")->findChildren<QRadioButton*>();
    const QList<QRadioButton*> modes = child<QGroupBox>(window, "sheetModeBox")->findChildren<QRadioButton*>();
    if (speeds.size() != static_cast<qsizetype>(SpeedPresets.size()) || modes.size() != 2) return false;
    speeds[setup.preset]->click();
    modes[setup.append ? 1 : 0]->click();
    child<QCheckBox>(window, "onlyRepliesCheck")->setChecked(!setup.allLines);
    return true;
}

// Lines as after many tests in append mode with every reply shown: an empty
// line, then one line per address of 1..254, round after round.
void prefillLines(ResultLog& sheet, int count)
{
    for (int i = 0; i < count; ++i) {
        const int octet = i % (Last + 1);
        if (octet == 0) {
            sheet.addLine(QString());
            continue;
        }
        const bool answered = octet % 16 == 2;
        sheet.addLine(QStringLiteral("Sending ping to %1%2 %3")
                          .arg(QLatin1String(LanPrefix))
                          .arg(octet)
                          .arg(answered ? QStringLiteral("Reply O.K. - in 0 msecs") : QStringLiteral("Timeout or not found")));
    }
    sheet.flush();
}

int sweep(int argc, char** argv)
{
    if (!insideLab("sweep")) return 2;
    const int preset = std::atoi(argument(argc, argv, "--preset", "0").c_str());
    const std::string label = argument(argc, argv, "--label", "sweep");
    const bool guiTimer = flag(argc, argv, "--gui-timer");
    const bool dump = flag(argc, argv, "--dump");
    const int prefill = std::max(0, std::atoi(argument(argc, argv, "--prefill", "0").c_str()));
    const int prefillLineCount = std::max(0, std::atoi(argument(argc, argv, "--prefill-lines", "0").c_str()));
    const bool append = flag(argc, argv, "--append");
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

    // The floor: each address's round-trip time, learnt with a long time-out
    // by the bare echo socket and the same time to live.
    std::vector<double> rttUs(Last + 1, std::numeric_limits<double>::infinity());
    double bareUs = 0;
    try {
        {
            EchoSocket socket;
            for (int octet = First; octet <= Last; ++octet) {
                const int64_t start = nowNs();
                const EchoResult result = socket.echo(lanAddress(octet), ttl, std::chrono::milliseconds(rttTimeoutMs));
                const int64_t end = nowNs();
                if (result.answered()) rttUs[static_cast<size_t>(octet)] = us(end - start);
            }
        }
        // The same sweep by the bare echo socket with the preset's time-out:
        // what the operating system and the engine cost without the window.
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
        bareUs = us(nowNs() - bareStart);
    } catch (const PingSocketError& e) {
        std::fprintf(stderr, "scanvet_bench: no ICMP socket (%s)\n", e.what());
        return 1;
    }
    double floorUs = 0;
    int answering = 0;
    for (int octet = First; octet <= Last; ++octet) {
        const double rtt = rttUs[static_cast<size_t>(octet)];
        if (std::isfinite(rtt)) ++answering;
        floorUs += std::min(rtt, timeoutMs * 1000.0);
    }

    int rc = 0;
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
        if (!setUpWindow(window, {preset, append || prefillLineCount > 0, flag(argc, argv, "--all-lines")})) return 1;
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
        run->click();
        const int64_t clicked = nowNs();
        const bool ended = waitFor([&] { return end != 0 && !scan.isRunning(); }, 600'000);
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
        put(label, "bare_engine_ms", bareUs / 1e3);
        put(label, "bare_engine_over_floor", bareUs / floorUs);
        // What the window adds to the bare engine's sweep.
        put(label, "window_overhead_us_per_address", (scanUs - bareUs) / (Last - First + 1));
        put(label, "answering_in_floor_pass", answering);
        put(label, "echoes", static_cast<double>(echoes.size()));
        put(label, "list_entries", found.count() - prefill);
        if (prefillLineCount > 0) put(label, "sheet_lines_before", prefillLineCount);

        // Per echo: from its return to the next request ("hand-over"), which
        // covers putting its result and progress step into the scan's events
        // (the walk waits for the GUI thread only when they are full) and the
        // loop; and from its return to the end of its work on the GUI thread.
        // The last echo has no next request.
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
        if (dump)
            for (size_t i = 0; i < echoes.size(); ++i)
                std::fprintf(stderr, "echo %zu at_ms %.2f in_echo_us %.1f handler_us %.1f after_us %.1f %s\n",
                             i + First, static_cast<double>(echoes[i].request - click) / 1e6,
                             us(echoes[i].returned - echoes[i].request),
                             i + First < stepped.size() ? us(stepped[i + First] - echoes[i].returned) : 0.0,
                             i < afterEcho.size() ? afterEcho[i] : 0.0,
                             i < static_cast<size_t>(statusLines.size())
                                 ? qPrintable(statusLines[static_cast<qsizetype>(i)])
                                 : "");
        put(label, "handover_median_us", median(afterEcho));
        put(label, "handover_p99_us", percentile(afterEcho, 99));
        put(label, "reply_handler_median_us", median(handler));
        put(label, "reply_handler_p99_us", percentile(handler, 99));
        put(label, "in_echo_over_network_median_us", median(inEchoOver));
        put(label, "click_handler_us", us(clicked - click));
        if (!echoes.empty()) {
            put(label, "click_to_first_request_us", us(echoes.front().request - click));
            put(label, "last_echo_to_end_us", us(end - echoes.back().returned));
        }
        if (guiTimer) {
            put(label, "gui_timer_worst_late_ms", worstLateMs);
            put(label, "gui_timer_ticks", ticks);
        }
        put(label, "peak_rss_mb", vmHwmMb());
        if (blockMs > 0 && blockEnd != 0) {
            // The echoes that returned while the GUI thread was held, and the
            // events it found waiting when it came back.
            int during = 0;
            int waiting = 0;
            for (size_t i = 0; i < echoes.size(); ++i) {
                const Echo& e = echoes[i];
                if (e.returned >= blockStart && e.returned < blockEnd) ++during;
                const size_t octet = static_cast<size_t>(First) + i;
                if (e.returned < blockEnd && octet < stepped.size() && stepped[octet] >= blockEnd) ++waiting;
            }
            put(label, "block_ms", static_cast<double>(blockEnd - blockStart) / 1e6);
            put(label, "block_start_after_click_ms", static_cast<double>(blockStart - click) / 1e6);
            put(label, "echoes_during_block", during);
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
    if (!setUpWindow(window, {0, true, true})) return 1;
    waitFor([] { return false; }, 300);

    qint64 lines = 0;
    QObject::connect(&scan.recorder(), &EchoRecorder::resultLineAdded, &window, [&lines] { ++lines; });
    int64_t end = 0;
    QObject::connect(&scan, &ScanController::finished, &window, [&end] { end = nowNs(); });
    QPushButton* run = child<QPushButton>(window, "runStopButton");
    const double rssStartMb = vmRssMb();
    std::vector<double> testMs, testRssMb;
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
        run->click();
        if (!waitFor([&] { return end != 0 && !scan.isRunning(); }, 60'000)) {
            std::fprintf(stderr, "scanvet_bench: test %zu did not end\n", testMs.size() + 1);
            rc = 1;
            break;
        }
        testMs.push_back(static_cast<double>(end - click) / 1e6);
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
    put(label, "test_max_ms", n > 0 ? *std::max_element(testMs.begin(), testMs.end()) : 0.0);
    if (flag(argc, argv, "--dump"))
        for (size_t i = 0; i < n; ++i) std::fprintf(stderr, "test %zu ms %.2f rss_mb %.1f\n", i + 1, testMs[i], testRssMb[i]);
    window.close();
    std::fflush(stdout);
    return rc;
}

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

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "sweep") return sweep(argc, argv);
    if (mode == "startup") return startup(argc, argv);
    if (mode == "soak") return soak(argc, argv);
    if (mode == "table") return table(argc, argv);
    if (mode == "compare") return compare(argc, argv);
    std::fprintf(stderr, "usage: scanvet_bench sweep|soak|startup|table|compare ...\n");
    return 2;
}
