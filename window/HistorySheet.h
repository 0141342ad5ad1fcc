// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The History page: what the history keeps of the range in the octet fields,
// one row per computer ever seen there, with a note under it (the range and
// how many, or that the history is off), and a choice to show only the
// computers not named yet. It reads in the background: the
// history's worker answers, the GUI thread never waits for the disk. Unlike
// the Config Sheet it stays within reach during a test.
#pragma once

#include "history/HistoryRange.h"

#include <QDateTime>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class ComputerHistoryModel;
class ConfigSheet;
class QCheckBox;
class HistoryService;
class QComboBox;
class QLabel;
class QTableView;
class TopBar;
struct ComputerHistory;

class HistorySheet : public QWidget {
    Q_OBJECT
public:
    explicit HistorySheet(QWidget* parent = nullptr);

    // Where to read; null while the history is off.
    void setHistory(HistoryService* history);
    // Shows the range of the octet fields and the Config Sheet's min and
    // max, now and at every change of them.
    void followRange(const TopBar& topBar, const ConfigSheet& configSheet);
    // Reads the range again, after a test has settled.
    void refresh();
    // The history cannot be used (message: "FILE: reason"): the page says so
    // until a test is recorded again.
    void setUnusable(const QString& message);

    QTableView* view() const { return m_view; }
    ComputerHistoryModel* model() const { return m_model; }
    QList<QWidget*> tabOrder() const;
    QComboBox* scannerChoice() const { return m_scannerChoice; }
    QCheckBox* unknownOnlyCheck() const { return m_unknownOnly; }

Q_SIGNALS:
    // The page shows the answer to its last read, or why there is none.
    void refreshed();

private:
    // network: the first three octets (host byte order, the last octet 0);
    // no range where first lies above last.
    void setRange(uint32_t network, int first, int last);
    void read();
    void showComputers(const QString& range, const std::vector<ComputerHistory>& computers);
    void say(const QString& note);
    void offerScanners(const std::vector<ComputerHistory>& computers);

    QPointer<HistoryService> m_history;
    std::optional<HistoryRange> m_range;
    QString m_asked;  // the range of the last read handed over
    QString m_unusable;  // why the history cannot be used, while it lasts
    QDateTime m_askedAt;
    ComputerHistoryModel* m_model;
    QTableView* m_view;
    QLabel* m_note;
    QComboBox* m_scannerChoice;  // on a server: every scanner's records, or one's
    QCheckBox* m_unknownOnly;    // only the computers the user has not named
    QTimer m_readSoon;
};
