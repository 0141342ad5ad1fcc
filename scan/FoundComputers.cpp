// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/FoundComputers.h"

int FoundComputers::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant FoundComputers::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count()) return {};
    const Entry& entry = m_entries[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return entry.text;
    case AnsweredRole:
        return entry.answered;
    case Qt::AccessibleDescriptionRole:
        return entry.answered ? QStringLiteral("answering") : QStringLiteral("not answering");
    default:
        return {};
    }
}

int FoundComputers::rowOf(const QString& address) const
{
    return m_rows.value(address, -1);
}

int FoundComputers::add(const QString& address)
{
    const int row = count();
    beginInsertRows({}, row, row);
    m_entries.push_back({address, address.leftJustified(EntryWidth), QString(), true});
    m_rows.insert(address, row);
    endInsertRows();
    return row;
}

void FoundComputers::setAnswered(int row, bool answered)
{
    if (row < 0 || row >= count()) return;
    Entry& entry = m_entries[static_cast<size_t>(row)];
    // Every echo of a listed address sets it, mostly to what it was.
    if (entry.answered == answered) return;
    entry.answered = answered;
    const QModelIndex at = index(row);
    Q_EMIT dataChanged(at, at, {AnsweredRole, Qt::AccessibleDescriptionRole, Qt::DecorationRole});
}

bool FoundComputers::answered(int row) const
{
    return row >= 0 && row < count() && m_entries[static_cast<size_t>(row)].answered;
}

QString FoundComputers::text(int row) const
{
    return row >= 0 && row < count() ? m_entries[static_cast<size_t>(row)].text : QString();
}

QString FoundComputers::address(int row) const
{
    return row >= 0 && row < count() ? m_entries[static_cast<size_t>(row)].address : QString();
}

QString FoundComputers::name(int row) const
{
    return row >= 0 && row < count() ? m_entries[static_cast<size_t>(row)].name : QString();
}

void FoundComputers::setHostName(int row, const QString& address, const QString& name)
{
    if (row < 0 || row >= count()) return;
    Entry& entry = m_entries[static_cast<size_t>(row)];
    if (entry.address != address) return;
    const QString text = (address + QLatin1Char(' ') + name).leftJustified(EntryWidth);
    entry.name = name;
    if (entry.text == text) return;
    entry.text = text;
    const QModelIndex at = index(row);
    Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
}

void FoundComputers::clear()
{
    beginResetModel();
    m_entries.clear();
    m_rows.clear();
    endResetModel();
}

std::vector<ReportEntry> FoundComputers::reportEntries() const
{
    std::vector<ReportEntry> report;
    for (const Entry& entry : m_entries) report.push_back({entry.text, entry.answered, entry.address, entry.name});
    return report;
}
