// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history's file beside a PostgreSQL server, the same work on each:
// recording one /24 test; the History page of a /24 after a year of hourly
// tests from 4 scanners (in the file, the same tests as one scanner's); and
// --history of each /24 of a /16 after one test of the /16; the page again
// once the server has run VACUUM ANALYZE.
//
//   scanvet_bench_history_server URI FOLDER [REPS]
//       URI: an empty database on the server; FOLDER: where the file goes.
#include "history/HistoryReport.h"
#include "history/HistoryStore.h"
#include "history/ServerHistoryStore.h"
#include "history/ServerLocation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

struct Figures {
    std::vector<double> values;
    double median() { std::ranges::sort(values); return values[values.size() / 2]; }
};

// One test of a /24 (a.b.c.1-254) at end: every fifth address answers, and
// every seventh of them only in even hours. On the scanner's own link each
// comes with its MAC, which the history follows as a known computer.
TestRecord test24(const QString& network, const QDateTime& end, bool onLink = false)
{
    TestRecord test{network + QStringLiteral(".1-254"), 1, end.addSecs(-3), end, true, {}};
    for (int octet = 1; octet <= 254; octet += 5)
        if (octet % 7 != 0 || end.time().hour() % 2 == 0)
            test.computers.push_back({network + QStringLiteral(".%1").arg(octet), true, QStringLiteral("host-%1").arg(octet),
                                      onLink ? QStringLiteral("00:1c:42:00:00:%1").arg(octet, 2, 16, QLatin1Char('0')) : QString(),
                                      onLink, {}});
    return test;
}

// The two stores behind one face.
struct Store {
    const char* name;
    std::function<bool(const std::vector<TestRecord>&)> record;
    std::function<std::optional<std::vector<ComputerHistory>>(const HistoryRange&, const QDateTime&)> computers;
};

double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc < 3) return 2;
    const QString uri = QString::fromLocal8Bit(argv[1]), folder = QString::fromLocal8Bit(argv[2]);
    const int reps = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
    HistoryStore file(folder + QStringLiteral("/history.sqlite"), 365);
    if (file.open() != HistoryStore::Opened::Ready) return std::fprintf(stderr, "%s\n", qPrintable(file.lastError())), 1;
    std::vector<std::unique_ptr<ServerHistoryStore>> scanners;
    for (const char* name : {"north", "south", "east", "west"}) {
        scanners.push_back(std::make_unique<ServerHistoryStore>(uri, QLatin1String(name), 365));
        if (!scanners.back()->open()) return std::fprintf(stderr, "%s\n", qPrintable(scanners.back()->lastError())), 1;
    }
    const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    int sent = 0;
    const auto onServer = [&](int scanner, const std::vector<TestRecord>& pieces) {
        if (scanners[size_t(scanner)]->record(uid + QString::number(sent++), pieces, false)) return true;
        std::fprintf(stderr, "%s\n", qPrintable(scanners[size_t(scanner)]->lastError()));
        return false;
    };
    const Store stores[] = {
        {"SQLite file", [&](const std::vector<TestRecord>& pieces) { return file.record(pieces); },
         [&](const HistoryRange& range, const QDateTime& now) { return file.computers(range, now); }},
        {"PostgreSQL (Unix socket)", [&](const std::vector<TestRecord>& pieces) { return onServer(0, pieces); },
         [&](const HistoryRange& range, const QDateTime& now) { return scanners[0]->computers(range, now); }},
    };
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime yearAgo = now.addDays(-365);

    // A year of hourly tests of 192.0.2.0/24 from 4 scanners, a week at a time.
    QElapsedTimer generation;
    generation.start();
    for (int store = 0; store < 2; ++store) {
        std::vector<std::vector<TestRecord>> weeks(4);
        for (int hour = 0; hour < 365 * 24; ++hour)
            for (int scanner = 0; scanner < 4; ++scanner) {
                weeks[size_t(scanner)].push_back(test24(QStringLiteral("192.0.2"), yearAgo.addSecs(hour * 3600 + scanner * 900)));
                if (weeks[size_t(scanner)].size() < 168 && hour + 1 < 365 * 24) continue;
                const bool done = store == 0 ? file.record(weeks[size_t(scanner)]) : onServer(scanner, weeks[size_t(scanner)]);
                if (!done) return 1;
                weeks[size_t(scanner)].clear();
            }
    }
    std::printf("Generated a year of hourly tests from 4 scanners in each store in %.1f s\n\n", msSince(generation) / 1000);

    std::printf("| measure | SQLite file | PostgreSQL | ratio |\n|---|---|---|---|\n");
    auto row = [](const char* measure, Figures a, Figures b) {
        const double ma = a.median(), mb = b.median();
        std::printf("| %s | %.2f ms | %.2f ms | %.1fx |\n", measure, ma, mb, mb / ma);
    };
    Figures recording[2], recordingOnLink[2], page[2], sixteen[2];
    for (int store = 0; store < 2; ++store) {
        for (int i = 0; i < std::max(reps, 30); ++i)
            for (const bool onLink : {false, true}) {
                const TestRecord test = test24(onLink ? QStringLiteral("198.18.1") : QStringLiteral("198.18.0"), now.addSecs(-3600 + i * 60), onLink);
                QElapsedTimer timer;
                timer.start();
                if (!stores[store].record({test})) return 1;
                (onLink ? recordingOnLink : recording)[store].values.push_back(msSince(timer));
            }
        for (int i = 0; i < reps; ++i) {
            QElapsedTimer timer;
            timer.start();
            const auto computers = stores[store].computers(*HistoryRange::parse(QStringLiteral("192.0.2.1-254")), now);
            page[store].values.push_back(msSince(timer));
            if (!computers || computers->size() != 51) std::fprintf(stderr, "%s: History page read no 51 computers\n", stores[store].name);
        }
        // One test of 10.9.0.0/16 (256 pieces), then --history of each of its /24s.
        std::vector<TestRecord> block;
        for (int c = 0; c < 256; ++c) block.push_back(test24(QStringLiteral("10.9.%1").arg(c), now.addSecs(-30)));
        if (!stores[store].record(block)) return 1;
        for (int i = 0; i < reps; ++i) {
            QElapsedTimer timer;
            timer.start();
            for (int c = 0; c < 256; ++c) {
                const QString range = QStringLiteral("10.9.%1.1-254").arg(c);
                const auto computers = stores[store].computers(*HistoryRange::parse(range), now);
                if (historyJsonReport(range, now, computers.value_or(std::vector<ComputerHistory>{})).isEmpty()) return 1;
            }
            sixteen[store].values.push_back(msSince(timer));
        }
    }
    // A server that has run a year has autovacuumed: its counts come from the index alone.
    Figures vacuumed[2];
    {
        QSqlDatabase server = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("vacuum"));
        server.setConnectOptions(ServerLocation(uri).connectOptions());
        if (!server.open() || !QSqlQuery(server).exec(QStringLiteral("VACUUM ANALYZE")))
            return std::fprintf(stderr, "VACUUM ANALYZE: %s\n", qPrintable(server.lastError().text())), 1;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("vacuum"));
    for (int store = 0; store < 2; ++store)
        for (int i = 0; i < reps; ++i) {
            QElapsedTimer timer;
            timer.start();
            const auto computers = stores[store].computers(*HistoryRange::parse(QStringLiteral("192.0.2.1-254")), now);
            vacuumed[store].values.push_back(msSince(timer));
            if (!computers || computers->size() != 51) return 1;
        }
    row("recording one /24 test (51 computers, no MACs: routed)", recording[0], recording[1]);
    row("recording one /24 test of the own link (51 computers with MACs)", recordingOnLink[0], recordingOnLink[1]);
    row("History page of a /24, a year of hourly tests from 4 scanners", page[0], page[1]);
    row("--history of each /24 of a /16 (256 reads and JSON reports)", sixteen[0], sixteen[1]);
    row("History page of a /24 as above, the server after VACUUM ANALYZE", vacuumed[0], vacuumed[1]);
    return 0;
}
