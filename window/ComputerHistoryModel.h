// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The computers the history keeps of one range, a row each in address order,
// for the History page: address, name, MAC address, first and last seen,
// uptime over 24 hours and 7 days, and the last 24 hours (a strip drawn by
// the page; the model gives its words as the cell's accessible text and
// tooltip).
#pragma once

#include "history/ComputerHistory.h"
#include "window/TimelineStrip.h"

#include <QAbstractTableModel>

#include <vector>

class ComputerHistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Scanner: on a history server, the one that saw it last.
    enum Column { Address, Name, Mac, FirstSeen, LastSeen, Uptime24h, Uptime7d, Scanner, LastDay, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The history's answer, read at now. The same computers as before change
    // in place, so that the current cell (and a screen reader on it) stays.
    void setComputers(std::vector<ComputerHistory> computers, const QDateTime& now);
    const TimelineStrip& strip(int row) const { return m_strips.at(size_t(row)); }
    // The computer's MAC, or where it has none its address: how the user names it.
    QString namingKey(int row) const;
    QString label(int row) const;

private:
    std::vector<ComputerHistory> m_computers;
    std::vector<TimelineStrip> m_strips;
};
