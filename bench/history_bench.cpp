// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history's benchmark: a year of 5-minute tests of one /24 with 50
// computers (105,120 tests), generated through the store in batches of a week,
// then what the window and the command line meet with that file. Nothing is
// sent anywhere: only a file is written.
//
//   scanvet_bench_history [FOLDER] [REPS]
//       FOLDER: where history.sqlite is made (default a temporary folder,
//       removed at the end); REPS: repetitions of each measure (default 7).
#include "history/HistoryReport.h"
#include "history/HistoryService.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QEventLoop>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

constexpr qint64 Period = 5 * 60;
constexpr int TestsPerYear = 365 * 24 * 12;
const QString Range = QStringLiteral("192.0.2.1-254");

// Who answers when: servers always, workstations on weekdays 8 to 19 local
// time, three flaky ones miss 3 % of tests, two arrive after 200 days and one
// leaves after 300.
struct Computer {
    int octet;
    enum Kind { Server, Workstation, Flaky, Arriving, Leaving } kind;
};

std::vector<Computer> population()
{
    std::vector<Computer> computers;
    for (int i = 0; i < 50; ++i) {
        const int octet = i < 20 ? 1 + i : i < 35 ? 100 + i : 200 + i;
        const Computer::Kind kind = i < 34 ? Computer::Server : i < 44 ? Computer::Workstation
                                  : i < 47 ? Computer::Flaky : i < 49 ? Computer::Arriving : Computer::Leaving;
        computers.push_back({octet, kind});
    }
    return computers;
}

bool answers(const Computer& computer, const QDateTime& time, int day, std::mt19937& random)
{
    switch (computer.kind) {
    case Computer::Server: return true;
    case Computer::Workstation: {
        const QDateTime local = time.toLocalTime();
        return local.date().dayOfWeek() <= 5 && local.time().hour() >= 8 && local.time().hour() < 19;
    }
    case Computer::Flaky: return std::uniform_int_distribution<int>(0, 99)(random) >= 3;
    case Computer::Arriving: return day >= 200;
    case Computer::Leaving: return day < 300;
    }
    return false;
}

TestRecord testAt(const QDateTime& start, qint64 index, const std::vector<Computer>& computers, std::mt19937& random)
{
    const QDateTime end = start.addSecs(index * Period);
    // One test in 500 is stopped part-way.
    const bool whole = index % 500 != 499;
    TestRecord test{Range, 0, end.addSecs(-3), end, whole, {}};
    const int day = int(index / (24 * 12));
    for (const Computer& computer : computers) {
        if ((!whole && computer.octet > 100) || !answers(computer, end, day, random)) continue;
        test.computers.push_back({QStringLiteral("192.0.2.%1").arg(computer.octet), true,
                                  QStringLiteral("host-%1.lab.example").arg(computer.octet),
                                  QStringLiteral("02:00:00:00:00:%1").arg(computer.octet, 2, 16, QLatin1Char('0')), true, {}});
    }
    return test;
}

struct Figures {
    std::vector<double> values;
    double median() { std::ranges::sort(values); return values[values.size() / 2]; }
    double min() const { return std::ranges::min(values); }
    double max() const { return std::ranges::max(values); }
};

double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void row(const char* measure, Figures figures, const char* unit, double target)
{
    const double median = figures.median();
    std::printf("| %s | %.3f %s | %.3f | %.3f | %zu | <= %g %s | %s |\n", measure, median, unit, figures.min(),
                figures.max(), figures.values.size(), target, unit, median <= target ? "yes" : "**NO**");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const QString path = folder + QStringLiteral("/history.sqlite");
    const HistoryRange range = *HistoryRange::parse(Range);
    const std::vector<Computer> computers = population();
    std::mt19937 random(33);
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime start = now.addSecs(-qint64(TestsPerYear) * Period);

    HistoryStore store(path, 365);
    if (store.open() != HistoryStore::Opened::Ready) {
        std::fprintf(stderr, "%s\n", qPrintable(store.lastError()));
        return 1;
    }
    QElapsedTimer generation;
    generation.start();
    std::vector<TestRecord> week;
    for (qint64 i = 0; i < TestsPerYear; ++i) {
        week.push_back(testAt(start, i, computers, random));
        if (week.size() < 2016 && i + 1 < TestsPerYear) continue;
        if (!store.record(week)) {
            std::fprintf(stderr, "%s\n", qPrintable(store.lastError()));
            return 1;
        }
        week.clear();
    }
    std::printf("Generated %d tests in %.1f s into %s\n\n", TestsPerYear, msSince(generation) / 1000, qPrintable(path));

    std::printf("| measure | median | min | max | runs | target | met |\n|---|---|---|---|---|---|---|\n");
    Figures recording;
    for (int i = 0; i < std::max(reps, 50); ++i) {
        const TestRecord test = testAt(start, TestsPerYear + i, computers, random);
        QElapsedTimer timer;
        timer.start();
        if (!store.record({test})) std::fprintf(stderr, "%s\n", qPrintable(store.lastError()));
        recording.values.push_back(msSince(timer));
    }
    row("recording a /24 test (one transaction, synchronous=FULL)", recording, "ms", 5);

    Figures handOver;
    {
        HistoryService service(path, 365);
        QEventLoop loop;
        QObject::connect(&service, &HistoryService::recorded, &loop, &QEventLoop::quit);
        QObject::connect(&service, &HistoryService::failed, &loop, [&loop](const QString& message) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
            loop.quit();
        });
        for (int i = 0; i < std::max(reps, 50); ++i) {
            const TestRecord test = testAt(start, TestsPerYear + 50 + i, computers, random);
            QElapsedTimer timer;
            timer.start();
            service.record({test});
            handOver.values.push_back(msSince(timer));
            loop.exec();  // the write, so that the next hand-over meets an idle worker
        }
    }
    row("HistoryService::record on the caller's thread", handOver, "ms", 5);

    Figures opening, report;
    const QDateTime later = start.addSecs(qint64(TestsPerYear + 100) * Period);
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer timer;
        timer.start();
        HistoryStore reader(path, 365);
        const bool opened = reader.open(HistoryStore::Access::Read) == HistoryStore::Opened::Ready;
        const auto found = opened ? reader.computers(range, later) : std::nullopt;
        opening.values.push_back(msSince(timer));
        if (!found || found->size() != 50) std::fprintf(stderr, "History page: %s\n", qPrintable(reader.lastError()));
        timer.restart();
        HistoryStore command(path, 365);
        if (command.open(HistoryStore::Access::Read) == HistoryStore::Opened::Ready) {
            const auto listed = command.computers(range, later);
            const QByteArray json = historyJsonReport(Range, later, listed.value_or(std::vector<ComputerHistory>{}));
            if (json.isEmpty()) std::fprintf(stderr, "--history: no report\n");
        }
        report.values.push_back(msSince(timer));
    }
    row("History page opens: open the file, the range's computers", opening, "ms", 100);

    // 1,000 known computers named by the user, the range's 50 among them, and a move to each of the 50.
    const bool named = store.known(true, [&](KnownComputers& known) {
        for (int i = 0; i < 1000; ++i) {
            const QString mac = i < 50 ? QStringLiteral("02:00:00:00:00:%1").arg(computers[size_t(i)].octet, 2, 16, QLatin1Char('0'))
                                       : QStringLiteral("00:1c:42:00:%1:%2").arg(i / 256, 2, 16, QLatin1Char('0')).arg(i % 256, 2, 16, QLatin1Char('0'));
            if (!known.name(mac, QStringLiteral("Computer %1").arg(i), QStringLiteral("a note"))) return false;
        }
        return true;
    });
    if (!named) std::fprintf(stderr, "naming: %s\n", qPrintable(store.lastError()));
    Figures openingKnown;
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer timer;
        timer.start();
        HistoryStore reader(path, 365);
        const bool opened = reader.open(HistoryStore::Access::Read) == HistoryStore::Opened::Ready;
        const auto found = opened ? reader.computers(range, later) : std::nullopt;
        openingKnown.values.push_back(msSince(timer));
        if (!found || found->size() != 50 || found->front().label.isEmpty())
            std::fprintf(stderr, "History page with names: %s\n", qPrintable(reader.lastError()));
    }
    row("History page opens with 1,000 known computers named", openingKnown, "ms", 100);
    row("--history of the range: open, computers, JSON report", report, "ms", 200);

    // One of each kind, to show that the year looks like one.
    if (const auto all = store.computers(range, later)) {
        const QList<QByteArray> lines = historyTextReport(Range, later, *all).split('\n');
        std::printf("\n%s\n", lines.value(1).constData());
        for (const QByteArray& line : lines)
            for (const char* sample : {"192.0.2.1 ", "192.0.2.240 ", "192.0.2.245 ", "192.0.2.247 ", "192.0.2.249 "})
                if (line.startsWith(sample)) std::printf("%s\n", line.constData());
        std::printf("\n");
    }
    auto megabytes = [&] {
        return Figures{{double(QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size()) / 1e6}};
    };
    row("file size after a year, open (history.sqlite and its WAL)", megabytes(), "MB", 100);
    store.close();
    row("file size after a year, closed", megabytes(), "MB", 100);
    return 0;
}
