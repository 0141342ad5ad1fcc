// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The computers that answered at least once since the list was last cleared,
// in the order they first answered. An entry shows its address, later with
// the host name, left-justified in 41 characters; it is found by its address
// in constant time however long the list has grown.
#pragma once

#include "files/Report.h"

#include <QAbstractListModel>
#include <QHash>
#include <QString>

#include <vector>

class FoundComputers : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { AnsweredRole = Qt::UserRole };  // bool: answered at its last echo
    static constexpr int EntryWidth = 41;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int count() const { return static_cast<int>(m_entries.size()); }
    // -1 when the address has no entry.
    int rowOf(const QString& address) const;
    // A new answering entry at the end; its row.
    int add(const QString& address);
    void setAnswered(int row, bool answered);
    bool answered(int row) const;
    QString text(int row) const;
    QString address(int row) const;
    // The host name written into the entry; empty until it is known.
    QString name(int row) const;
    // Writes "ADDRESS NAME", padded to 41 characters (a longer text stays
    // whole), into the entry at row if that entry still shows address: the
    // list may have been cleared and refilled since the name was asked for.
    void setHostName(int row, const QString& address, const QString& name);
    void clear();
    // Every entry, first to last, as the reports write them.
    std::vector<ReportEntry> reportEntries() const;

private:
    struct Entry {
        QString address;
        QString text;
        QString name;
        bool answered = true;
    };
    std::vector<Entry> m_entries;
    QHash<QString, int> m_rows;
};
