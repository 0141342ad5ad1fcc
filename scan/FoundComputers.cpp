// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/FoundComputers.h"

#include "net/Ipv4.h"
#include "scan/EntryDescription.h"

#include <arpa/inet.h>

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
        return entry.label.isEmpty() ? entry.text : (entry.address + QLatin1Char(' ') + entry.label).leftJustified(EntryWidth);
    case AnsweredRole:
        return entry.answered;
    case OnLinkOnlyRole:
        return !entry.answered && entry.seenOnLink;
    case KnockOnlyRole:
        return !entry.answered && !entry.seenOnLink && entry.knockPort != 0;
    case Qt::AccessibleDescriptionRole:
    case Qt::ToolTipRole: {
        const EntryFacts facts{entry.text,   entry.name,     entry.label,      entry.mac,     entry.maker,
                               entry.conflict, entry.answered, entry.seenOnLink, entry.knockPort, entry.openPorts};
        return role == Qt::ToolTipRole ? entryToolTip(facts, EntryWidth) : QVariant(entryDescription(facts));
    }
    default:
        return {};
    }
}

uint32_t FoundComputers::orderOf(const QString& address)
{
    in_addr parsed{};
    return inet_pton(AF_INET, address.toLatin1().constData(), &parsed) == 1 ? ntohl(parsed.s_addr) : UINT32_MAX;
}

int FoundComputers::rowOf(const QString& address) const
{
    return m_rows.value(address, -1);
}

int FoundComputers::add(const QString& address)
{
    return insert(address, true, false);
}

int FoundComputers::addSeenOnLink(const QString& address)
{
    return insert(address, false, true);
}

int FoundComputers::insert(const QString& address, bool byEcho, bool onLink)
{
    // In address order, whatever found the computer: the link often answers before the echoes of lower
    // addresses are in. Most come in order, at the end.
    const uint32_t key = orderOf(address);
    int row = count();
    while (row > 0 && orderOf(m_entries[static_cast<size_t>(row - 1)].address) > key) --row;
    beginInsertRows({}, row, row);
    m_entries.insert(m_entries.begin() + row,
                     {address, address.leftJustified(EntryWidth), QString(), byEcho, onLink, byEcho, {}, {},
                      m_names.labelOf({}, address), {}, 0, {}});
    for (int later = row; later < count(); ++later) m_rows.insert(m_entries[static_cast<size_t>(later)].address, later);
    endInsertRows();
    return row;
}

void FoundComputers::changed(int row, const QList<int>& roles)
{
    const QModelIndex at = index(row);
    Q_EMIT dataChanged(at, at, roles);
}

void FoundComputers::setAnswered(int row, bool answered)
{
    if (row < 0 || row >= count()) return;
    Entry& entry = m_entries[static_cast<size_t>(row)];
    entry.foundByEcho = entry.foundByEcho || answered;
    // Every echo of a listed address sets it, mostly to what it was.
    if (entry.answered == answered) return;
    entry.answered = answered;
    changed(row, {AnsweredRole, OnLinkOnlyRole, KnockOnlyRole, Qt::AccessibleDescriptionRole, Qt::ToolTipRole,
                  Qt::DecorationRole});
}

void FoundComputers::setLink(int row, bool seen, const QString& mac, const QString& maker, const QString& conflict)
{
    if (row < 0 || row >= count()) return;
    Entry& entry = m_entries[static_cast<size_t>(row)];
    if (entry.seenOnLink == seen && entry.mac == mac && entry.maker == maker && entry.conflict == conflict) return;
    entry.seenOnLink = seen;
    entry.conflict = conflict;
    if (seen) {
        entry.mac = mac;
        entry.maker = maker;
    }
    changed(row, {OnLinkOnlyRole, KnockOnlyRole, Qt::AccessibleDescriptionRole, Qt::ToolTipRole, Qt::DecorationRole});
    relabel(row);
}

void FoundComputers::setKnownNames(const KnownNames& names)
{
    m_names = names;
    for (int row = 0; row < count(); ++row) relabel(row);
}

void FoundComputers::relabel(int row)
{
    Entry& entry = m_entries[static_cast<size_t>(row)];
    const QString label = m_names.labelOf(entry.mac, entry.address);
    if (label == entry.label) return;
    entry.label = label;
    changed(row, {Qt::DisplayRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}

QString FoundComputers::label(int row) const
{
    return row >= 0 && row < count() ? m_entries[static_cast<size_t>(row)].label : QString();
}

QString FoundComputers::mac(int row) const
{
    return row >= 0 && row < count() ? m_entries[static_cast<size_t>(row)].mac : QString();
}

void FoundComputers::setKnock(int row, uint16_t port, const std::vector<uint16_t>& openPorts)
{
    if (row < 0 || row >= count()) return;
    Entry& entry = m_entries[static_cast<size_t>(row)];
    const QList<int> ports(openPorts.begin(), openPorts.end());
    if (entry.knockPort == port && entry.openPorts == ports) return;
    entry.knockPort = port;
    entry.openPorts = ports;
    changed(row, {KnockOnlyRole, Qt::AccessibleDescriptionRole, Qt::ToolTipRole, Qt::DecorationRole});
}

bool FoundComputers::seenOnLink(int row) const
{
    return row >= 0 && row < count() && m_entries[static_cast<size_t>(row)].seenOnLink;
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
    changed(row, {Qt::DisplayRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
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
    for (const Entry& entry : m_entries)
        report.push_back({entry.text, entry.answered, entry.address, entry.name, entry.mac, entry.maker,
                          entry.foundByEcho                              ? QStringLiteral("echo")
                          : !entry.seenOnLink && entry.knockPort != 0 ? QStringLiteral("tcp")
                                                                         : QStringLiteral("link"),
                          entry.label, entry.conflict, entry.openPorts});
    return report;
}

std::vector<int> FoundComputers::showSightings(const TestPlan& plan, const std::vector<TestOutcome::Sighting>& seen)
{
    for (int row = 0; row < count(); ++row) {
        const uint32_t address = orderOf(m_entries[static_cast<size_t>(row)].address);
        if (address != UINT32_MAX && plan.contains(address)) setLink(row, false, {}, {});
    }
    std::vector<QString> added;
    for (const TestOutcome::Sighting& sighting : seen) {
        const QString address = QString::fromStdString(dottedText(htonl(sighting.address)));
        int row = rowOf(address);
        if (row < 0) {
            row = addSeenOnLink(address);
            added.push_back(address);
        }
        setLink(row, true, sighting.mac, sighting.maker, sighting.conflict);
    }
    // Rows move as others are inserted: their places once all are in.
    std::vector<int> rows;
    for (const QString& address : added) rows.push_back(rowOf(address));
    return rows;
}

std::vector<int> FoundComputers::showKnocks(const TestPlan& plan, const std::vector<TestOutcome::Knocked>& knocked)
{
    for (int row = 0; row < count(); ++row) {
        const uint32_t address = orderOf(m_entries[static_cast<size_t>(row)].address);
        if (address != UINT32_MAX && plan.contains(address)) setKnock(row, 0, {});
    }
    std::vector<QString> added;
    for (const TestOutcome::Knocked& knock : knocked) {
        const QString address = QString::fromStdString(dottedText(htonl(knock.address)));
        int row = rowOf(address);
        if (row < 0) {
            row = insert(address, false, false);
            added.push_back(address);
        }
        setKnock(row, knock.port, knock.openPorts);
    }
    std::vector<int> rows;
    for (const QString& address : added) rows.push_back(rowOf(address));
    return rows;
}
