// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WindowSetup.h"

#include "files/Settings.h"
#include "history/HistoryStore.h"
#include "history/KnownComputers.h"
#include "net/Ipv4.h"
#include "scan/TestPlan.h"
#include "window/MainWindow.h"
#include "window/ResultLog.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

#include <string>

uint32_t lanAddress(int octet)
{
    return parseLenientAddress(LanPrefix + std::to_string(octet));
}

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
    child<QAction>(window, "oneAtATimeAction")->setChecked(setup.oneAtATime);
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

bool nameKnownComputers(int count)
{
    const QString file = Settings::historyFile();
    QDir().mkpath(QFileInfo(file).path());
    HistoryStore store(file);
    // The lab's hosts answer with these MACs (lab/netlab.sh): the scanner, the LAN's hosts, the late one, the router.
    const QStringList lab = {QStringLiteral("02:00:00:00:00:02"), QStringLiteral("02:00:00:00:00:10"),
                             QStringLiteral("02:00:00:00:00:30"), QStringLiteral("02:00:00:00:00:fe")};
    const bool named = store.open() == HistoryStore::Opened::Ready && store.known(true, [&](KnownComputers& known) {
        for (int i = 0; i < count; ++i) {
            const QString mac = i < lab.size() ? lab[i]
                                               : QStringLiteral("00:1c:42:00:%1:%2").arg(i / 256, 2, 16, QLatin1Char('0'))
                                                     .arg(i % 256, 2, 16, QLatin1Char('0'));
            if (!known.name(mac, QStringLiteral("Computer %1").arg(i), QStringLiteral("a note"))) return false;
        }
        return true;
    });
    if (!named) std::fprintf(stderr, "scanvet_bench: cannot name the known computers in %s: %s\n", qPrintable(file),
                             qPrintable(store.lastError()));
    return named;
}
