// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One scanner for the server tests: records COUNT tests of 192.0.2.1-20
// through the history service, as a repeat would, and says on standard
// output each test kept ("recorded N"), each change of the server
// ("away" / "back") and each MAC it learned as new ("new MAC ADDRESS"). A line on standard input ("next") lets each test go
// when --step is given.
//   history_writer URI SCANNER COUNT SPOOL [--step]
#include "history/HistoryService.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 5) return 2;
    const int count = std::atoi(argv[3]);
    const bool step = argc > 5 && std::string(argv[5]) == "--step";
    HistoryService history(QString::fromLocal8Bit(argv[1]), 365, 2000, nullptr,
                           {QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[4])});
    QObject::connect(&history, &HistoryService::serverChanged, &app, [](const QString& message, bool answering) {
        std::printf("%s %s\n", answering ? "back" : "away", qPrintable(message));
        std::fflush(stdout);
    });
    QObject::connect(&history, &HistoryService::learned, &app, [](const KnownSightings& learned) {
        for (const NewComputer& computer : learned.newComputers)
            std::printf("new %s %s\n", qPrintable(computer.mac), qPrintable(computer.address));
        std::fflush(stdout);
    });
    QSignalSpy recorded(&history, &HistoryService::recorded), failed(&history, &HistoryService::failed);
    const qint64 start = QDateTime::currentSecsSinceEpoch() - count * 60;
    std::string line;
    for (int i = 0; i < count; ++i) {
        if (step && !std::getline(std::cin, line)) return 3;
        // Every test: .1 answers, .2 answers every other one, .3 answered only in the first.
        TestRecord test{QStringLiteral("192.0.2.1-20"), 1, QDateTime::fromSecsSinceEpoch(start + i * 60 - 5),
                        QDateTime::fromSecsSinceEpoch(start + i * 60), true, {}};
        // .1 keeps its MAC; .2 brings a MAC of its own each time, the same in every scanner's test of that number.
        const QString macs[] = {QStringLiteral("00:1c:42:00:00:01"), QStringLiteral("00:1c:42:01:00:%1").arg(i / 2, 2, 16, QLatin1Char('0')), {}};
        for (int octet : {1, 2, 3})
            if (octet == 1 || (octet == 2 && i % 2 == 0) || (octet == 3 && i == 0))
                test.computers.push_back({QStringLiteral("192.0.2.%1").arg(octet), true, {}, macs[octet - 1], false, {}});
        history.record({test});
        while (recorded.size() + failed.size() <= i)
            if (!recorded.wait(10000)) break;
        std::printf("recorded %d\n", i + 1);
        std::fflush(stdout);
    }
    QSignalSpy drained(&history, &HistoryService::drained);
    if (history.busy()) drained.wait(30000);
    return failed.isEmpty() && recorded.size() == count ? 0 : 1;
}
