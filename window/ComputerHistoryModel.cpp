// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/ComputerHistoryModel.h"

#include <QLocale>

#include <algorithm>

namespace {

QString timeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// "-" where no whole test covered it in that time.
QString uptimeText(const std::optional<double>& percent)
{
    return percent ? QLocale().toString(*percent, 'f', 0) + QLatin1Char('%') : QStringLiteral("-");
}

} // namespace

int ComputerHistoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_computers.size());
}

int ComputerHistoryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ComputerHistoryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_computers.size()) return {};
    const ComputerHistory& computer = m_computers[size_t(index.row())];
    if (index.column() == LastDay) {
        if (role == Qt::AccessibleTextRole || role == Qt::ToolTipRole) return strip(index.row()).description();
        return {};
    }
    if (role == Qt::TextAlignmentRole && (index.column() == Uptime24h || index.column() == Uptime7d))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
    // The user's name before the host name, and the computer's latest move in its tip.
    case Address: return role == Qt::ToolTipRole && !computer.moved.isEmpty() ? computer.address + QLatin1Char(' ') + computer.moved : computer.address;
    case Name: return computer.label.isEmpty() ? computer.name
                      : computer.name.isEmpty() ? computer.label : computer.label + QStringLiteral(" (") + computer.name + QLatin1Char(')');
    case Mac: return computer.mac;
    case FirstSeen: return timeText(computer.firstSeen);
    case LastSeen: return timeText(computer.lastSeen);
    case Uptime24h: return uptimeText(computer.uptime24h);
    case Uptime7d: return uptimeText(computer.uptime7d);
    case Scanner: return computer.scanner;
    default: return {};
    }
}

QVariant ComputerHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const captions[ColumnCount] = {"Address",  "Name",     "MAC address", "First seen",
                                                      "Last seen", "Up 24 h", "Up 7 days",   "Scanner", "Last 24 hours"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(captions[section]) : QVariant();
}

void ComputerHistoryModel::setComputers(std::vector<ComputerHistory> computers, const QDateTime& now)
{
    std::vector<TimelineStrip> strips;
    strips.reserve(computers.size());
    for (const ComputerHistory& computer : computers) strips.emplace_back(computer, now);
    const bool sameRows = std::ranges::equal(computers, m_computers, {}, &ComputerHistory::address, &ComputerHistory::address);
    if (!sameRows) beginResetModel();
    m_computers = std::move(computers);
    m_strips = std::move(strips);
    if (!sameRows) endResetModel();
    else if (!m_computers.empty()) Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

QString ComputerHistoryModel::namingKey(int row) const
{
    if (row < 0 || size_t(row) >= m_computers.size()) return {};
    const ComputerHistory& computer = m_computers[size_t(row)];
    return computer.mac.isEmpty() ? computer.address : computer.mac;
}

QString ComputerHistoryModel::label(int row) const
{
    return row < 0 || size_t(row) >= m_computers.size() ? QString() : m_computers[size_t(row)].label;
}
