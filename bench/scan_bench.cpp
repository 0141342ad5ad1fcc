// Benchmark driver. Prints "key value" lines; bench/run.sh collects them and
// "table" turns them into medians with min and max.
//
//   scanvet_bench sweep --preset 0|1 --label NAME [--rtt-timeout MS] [--gui-timer]
//       One range test 1..254 of the lab LAN in the real window, as a click on
//       "Run test" with the given speed preset, beside the floor learnt by a
//       separate echo pass. Only inside lab/netlab.sh.
//   scanvet_bench startup --exe PATH --label NAME [--reps N]
//       Process start to the window shown, for the program entry in PATH.
//   scanvet_bench table FILE
#include "lookup/DNSSolve.h"
#include "net/IcmpService.h"
#include "scan/CheckPing.h"
#include "window/PingTst1.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include <arpa/inet.h>
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
#include <vector>

namespace {

constexpr const char* LanPrefix = "198.51.100.";
constexpr int First = 1;
constexpr int Last = 254;

int64_t NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

std::string Arg(int argc, char** argv, const char* name, const char* fallback = "")
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
    return fallback;
}

bool Flag(int argc, char** argv, const char* name)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return true;
    return false;
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty()) return std::nan("");
    std::sort(values.begin(), values.end());
    // Nearest rank.
    const auto rank = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

double Median(std::vector<double> values)
{
    if (values.empty()) return std::nan("");
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long VmHwmKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

void Put(const std::string& label, const char* key, double value)
{
    std::printf("%s.%s %.6g\n", label.c_str(), key, value);
}

// Runs the event loop until done() holds or boundMs passes; false on the bound.
template <class F> bool WaitFor(F done, int boundMs)
{
    const int64_t until = NowNs() + int64_t{boundMs} * 1'000'000;
    while (!done()) {
        if (NowNs() > until) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// One echo as the component reported it, from the scan thread.
struct Echo {
    int64_t Request = 0;   // OnEchoRequest: the request is about to go out
    int64_t Returned = 0;  // OnEchoReply: the echo is over
    int64_t Handled = 0;   // the window's reply handler has returned
    int32_t Replies = 0;
    uint32_t Status = 0;
};

// Sees the end of the test: TestDone enables the Test sheet again.
class EndProbe : public QObject {
public:
    explicit EndProbe(QObject* parent) : QObject(parent) {}
    int64_t End = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange && static_cast<QWidget*>(watched)->isEnabled() && End == 0)
            End = NowNs();
        return false;
    }
};

// Counts paint events per widget during the scan (--paints, a diagnostic).
class PaintCounter : public QObject {
public:
    using QObject::QObject;
    std::map<std::string, int> Counts;
    bool Active = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (Active && event->type() == QEvent::Paint)
            ++Counts[std::string(watched->metaObject()->className()) + " " + watched->objectName().toStdString()];
        return false;
    }
};

// Ends the address resolutions that an earlier pass (or fping) left behind.
// The kernel retries each one for seconds, and on a LAN of 238 silent
// addresses those retries would run through the next timed pass. Each timed
// pass then starts like a first scan of the LAN: nothing resolved yet.
void QuietNeighbours()
{
    if (std::system("ip -4 neigh flush all >/dev/null 2>&1") != 0)
        std::fprintf(stderr, "scanvet_bench: could not flush the neighbour table\n");
}

int Sweep(int argc, char** argv)
{
    if (std::getenv("SCANVET_LAB") == nullptr || std::getenv("SCANVET_LAB_UNAVAILABLE") != nullptr) {
        std::fprintf(stderr, "scanvet_bench: sweep runs only inside lab/netlab.sh\n");
        return 2;
    }
    const int preset = std::atoi(Arg(argc, argv, "--preset", "0").c_str());
    const std::string label = Arg(argc, argv, "--label", "sweep");
    const bool guiTimer = Flag(argc, argv, "--gui-timer");
    static constexpr int Timeouts[] = {1, 600, 3000};
    static constexpr int Ttls[] = {1, 255, 255};
    if (preset < 0 || preset > 2) return 2;
    const int timeoutMs = Timeouts[preset];
    const int rttTimeoutMs = std::atoi(Arg(argc, argv, "--rtt-timeout", "0").c_str()) > 0
                                 ? std::atoi(Arg(argc, argv, "--rtt-timeout").c_str())
                                 : std::max(10, 10 * timeoutMs);

    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    // The floor: each address's round-trip time, learnt with a long time-out
    // by the bare echo service, the same request size and time to live.
    std::vector<double> rttUs(Last + 1, std::numeric_limits<double>::infinity());
    double bareUs = 0;
    {
        IcmpHandle handle = IcmpCreateFile();
        if (handle == INVALID_ICMP_HANDLE) {
            std::fprintf(stderr, "scanvet_bench: no ICMP socket (%u)\n", GetIcmpLastError());
            return 1;
        }
        const std::vector<uint8_t> data(56);
        std::vector<uint8_t> reply(sizeof(TEchoReply) + data.size());
        IP_OPTION_INFORMATION options{};
        options.Ttl = static_cast<uint8_t>(Ttls[preset]);
        // One echo to an address of the lab's LAN; its number of replies.
        const auto echo = [&](int octet, int timeout) {
            const uint32_t to = inet_addr((LanPrefix + std::to_string(octet)).c_str());
            return IcmpSendEcho(handle, to, data.data(), static_cast<uint16_t>(data.size()), &options, reply.data(),
                                static_cast<uint32_t>(reply.size()), static_cast<uint32_t>(timeout));
        };
        for (int octet = First; octet <= Last; ++octet) {
            const int64_t start = NowNs();
            const uint32_t n = echo(octet, rttTimeoutMs);
            const int64_t end = NowNs();
            if (n > 0) rttUs[static_cast<size_t>(octet)] = static_cast<double>(end - start) / 1e3;
        }
        IcmpCloseHandle(handle);
        // The same sweep by the bare echo service with the preset's time-out:
        // what the operating system and the engine cost without the window.
        // A socket of its own: the pass above left requests to the silent
        // addresses waiting in the kernel, in its send buffer.
        handle = IcmpCreateFile();
        QuietNeighbours();
        const int64_t bareStart = NowNs();
        for (int octet = First; octet <= Last; ++octet) {
            const int64_t one = NowNs();
            const uint32_t n = echo(octet, timeoutMs);
            if (Flag(argc, argv, "--dump"))
                std::fprintf(stderr, "bare %d replies %u status %u us %.1f\n", octet, n, GetIcmpLastError(),
                             static_cast<double>(NowNs() - one) / 1e3);
        }
        bareUs = static_cast<double>(NowNs() - bareStart) / 1e3;
        IcmpCloseHandle(handle);
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
        TForm1 form;
        // --hidden: the same scan without any painting, to tell the paint's share.
        if (!Flag(argc, argv, "--hidden")) form.show();
        form.Edit1->setText(QStringLiteral("198"));
        form.Edit2->setText(QStringLiteral("51"));
        form.Edit3->setText(QStringLiteral("100"));
        form.Edit8->setText(QString::number(First));
        form.Edit9->setText(QString::number(Last));
        form.Edit7->setText(QStringLiteral("0"));
        form.RadioGroup2->SetItemIndex(preset);
        QuietNeighbours();
        // Let the window settle (layout, first paint) before the click.
        WaitFor([] { return false; }, 300);

        // Timestamps of every echo, taken around the window's own handlers.
        std::vector<Echo> echoes;
        echoes.reserve(Last + 8);
        auto request = form.Ping1->OnEchoRequest;
        auto replied = form.Ping1->OnEchoReply;
        form.Ping1->OnEchoRequest = [&echoes, request](TPing* sender, TICMP* icmp) {
            echoes.push_back({});
            echoes.back().Request = NowNs();
            if (request) request(sender, icmp);
        };
        form.Ping1->OnEchoReply = [&echoes, replied](TPing* sender, TICMP* icmp, int32_t error) {
            echoes.back().Returned = NowNs();
            echoes.back().Replies = error;
            echoes.back().Status = icmp->LastError();
            if (replied) replied(sender, icmp, error);
            echoes.back().Handled = NowNs();
        };

        auto* end = new EndProbe(&form);
        form.TabSheet1->installEventFilter(end);

        // A 10 ms timer on the GUI thread: how late does it fire?
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(10);
        int64_t lastTick = 0;
        double worstLateMs = 0;
        int ticks = 0;
        QObject::connect(&ticker, &QTimer::timeout, &form, [&] {
            const int64_t now = NowNs();
            if (lastTick != 0) worstLateMs = std::max(worstLateMs, static_cast<double>(now - lastTick) / 1e6 - 10.0);
            lastTick = now;
            ++ticks;
        });

        if (guiTimer) {
            ticker.start();
            lastTick = NowNs();
        }
        PaintCounter paints;
        if (Flag(argc, argv, "--paints")) {
            app.installEventFilter(&paints);
            paints.Active = true;
        }
        const int64_t click = NowNs();
        form.Button1->click();
        const int64_t clicked = NowNs();
        const bool ended = WaitFor([&] { return end->End != 0 && !TestRunning; }, 600'000);
        ticker.stop();
        paints.Active = false;
        for (const auto& [widget, count] : paints.Counts) std::fprintf(stderr, "paints %5d %s\n", count, widget.c_str());
        // Resolvers finish on their own; the memory peak includes them.
        const bool resolved = WaitFor([] { return TDNSSolve::Alive() == 0; }, 120'000);
        if (!ended || !resolved) {
            std::fprintf(stderr, "scanvet_bench: the scan or its resolvers did not end\n");
            rc = 1;
        }

        const double scanUs = static_cast<double>(end->End - click) / 1e3;
        Put(label, "scan_ms", scanUs / 1e3);
        Put(label, "floor_ms", floorUs / 1e3);
        Put(label, "scan_over_floor", scanUs / floorUs);
        Put(label, "overhead_us_per_address", (scanUs - floorUs) / (Last - First + 1));
        Put(label, "bare_engine_ms", bareUs / 1e3);
        Put(label, "bare_engine_over_floor", bareUs / floorUs);
        // What the window adds to the bare engine's sweep.
        Put(label, "window_overhead_us_per_address", (scanUs - bareUs) / (Last - First + 1));
        Put(label, "answering_in_floor_pass", answering);
        Put(label, "echoes", static_cast<double>(echoes.size()));
        Put(label, "list_entries", form.ListView1->Count());

        // Per echo: from its return to the next request, which covers the
        // reply handler's hand-over, the progress step's hand-over and the
        // loop; and the handler alone. The last echo has no next request.
        std::vector<double> afterEcho, handler, inEchoOver;
        for (size_t i = 0; i < echoes.size(); ++i) {
            const Echo& e = echoes[i];
            handler.push_back(static_cast<double>(e.Handled - e.Returned) / 1e3);
            if (i + 1 < echoes.size()) afterEcho.push_back(static_cast<double>(echoes[i + 1].Request - e.Returned) / 1e3);
            // Time inside the echo beyond what the network needed.
            const double network = std::min(rttUs[static_cast<size_t>(First) + i], timeoutMs * 1000.0);
            inEchoOver.push_back(static_cast<double>(e.Returned - e.Request) / 1e3 - network);
        }
        if (Flag(argc, argv, "--dump"))
            for (size_t i = 0; i < echoes.size(); ++i)
                std::fprintf(stderr, "echo %zu replies %d status %u in_echo_us %.1f handler_us %.1f after_us %.1f\n", i + First,
                             echoes[i].Replies, echoes[i].Status, static_cast<double>(echoes[i].Returned - echoes[i].Request) / 1e3,
                             handler[i], i < afterEcho.size() ? afterEcho[i] : 0.0);
        Put(label, "handover_median_us", Median(afterEcho));
        Put(label, "handover_p99_us", Percentile(afterEcho, 99));
        Put(label, "reply_handler_median_us", Median(handler));
        Put(label, "reply_handler_p99_us", Percentile(handler, 99));
        Put(label, "in_echo_over_network_median_us", Median(inEchoOver));
        Put(label, "click_handler_us", static_cast<double>(clicked - click) / 1e3);
        if (!echoes.empty())
            Put(label, "click_to_first_request_us", static_cast<double>(echoes.front().Request - click) / 1e3);
        if (!echoes.empty())
            Put(label, "last_echo_to_end_us", static_cast<double>(end->End - echoes.back().Returned) / 1e3);
        if (guiTimer) {
            Put(label, "gui_timer_worst_late_ms", worstLateMs);
            Put(label, "gui_timer_ticks", ticks);
        }
        Put(label, "peak_rss_mb", static_cast<double>(VmHwmKb()) / 1024.0);
        // --grab FILE: the window after the scan, to compare pictures.
        if (const std::string grab = Arg(argc, argv, "--grab"); !grab.empty()) {
            form.StatusBar1->SetSimpleText(QStringLiteral("Sending ping to 198.51.100.9 Timeout or not found"));
            form.Gauge1->SetProgress(100);
            WaitFor([] { return false; }, 200);
            form.grab().save(QString::fromStdString(grab));
        }
        form.close();
    }
    std::fflush(stdout);
    return rc;
}

// Spawns the program entry and times it from just before the fork until it
// reports its window shown (the probe in startup_probe.cpp prints the time).
int Startup(int argc, char** argv)
{
    const std::string exe = Arg(argc, argv, "--exe");
    const std::string label = Arg(argc, argv, "--label", "startup");
    const int reps = std::max(1, std::atoi(Arg(argc, argv, "--reps", "1").c_str()));
    if (exe.empty()) return 2;
    int failures = 0;
    for (int rep = 0; rep < reps; ++rep) {
        char dir[] = "/tmp/scanvet-bench-XXXXXX";
        if (mkdtemp(dir) == nullptr) return 1;
        std::fflush(stdout);
        const int64_t start = NowNs();
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(dir) != 0) _exit(127);
            setenv("SCANVET_BENCH_T0", std::to_string(start).c_str(), 1);
            setenv("SCANVET_BENCH_LABEL", label.c_str(), 1);
            if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
            execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failures;
        std::remove((std::string(dir) + "/Scanvet.cfg").c_str());
        rmdir(dir);
    }
    return failures == 0 ? 0 : 1;
}

struct Target {
    const char* Key;
    const char* Text;
    double Limit;
    bool Inclusive;
};

// The goals the benchmark is held to, by key.
constexpr Target Targets[] = {
    {"sweep1.scan_over_floor", "<= 1.10", 1.10, true},
    {"sweep1.overhead_us_per_address", "< 100", 100, false},
    {"sweep1.scan_over_fping", "<= 1.0", 1.0, true},
    {"sweep2.gui_timer_worst_late_ms", "< 50", 50, false},
    {"startup.startup_ms", "< 300", 300, false},
    {"sweep2.peak_rss_mb", "< 80", 80, false},
};

int Table(int argc, char** argv)
{
    if (argc < 3) return 2;
    std::ifstream in(argv[2]);
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> values;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        double value = 0;
        if (!(fields >> key >> value)) continue;
        if (!values.count(key)) order.push_back(key);
        values[key].push_back(value);
    }
    std::printf("| measure | median | min | max | runs | target | met |\n");
    std::printf("|---|---:|---:|---:|---:|---|---|\n");
    for (const std::string& key : order) {
        const auto& v = values[key];
        const double median = Median(v);
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        std::string target, met;
        for (const Target& t : Targets) {
            if (key != t.Key) continue;
            target = t.Text;
            met = (t.Inclusive ? median <= t.Limit : median < t.Limit) ? "yes" : "NO";
        }
        std::printf("| %s | %.4g | %.4g | %.4g | %zu | %s | %s |\n", key.c_str(), median, *lo, *hi, v.size(),
                    target.c_str(), met.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "sweep") return Sweep(argc, argv);
    if (mode == "startup") return Startup(argc, argv);
    if (mode == "table") return Table(argc, argv);
    std::fprintf(stderr, "usage: scanvet_bench sweep|startup|table ...\n");
    return 2;
}
