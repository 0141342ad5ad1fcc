// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The computers that answered at least once since the list was last cleared,
// or were seen on the scanner's own link (they answered ARP, if not the
// echo), in the order they were first found. An entry shows its address, later with
// the host name, left-justified in 41 characters; it is found by its address
// in constant time however long the list has grown.
#pragma once

#include "files/Report.h"
#include "history/KnownComputers.h"
#include "scan/TestOutcome.h"

#include <QAbstractListModel>
#include <QHash>
#include <QString>

#include <vector>

class FoundComputers : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        AnsweredRole = Qt::UserRole,  // bool: answered at its last echo
        OnLinkOnlyRole,               // bool: silent at its last echo, seen on the link in its last test
        KnockOnlyRole,                // bool: silent at its last echo and not on the link, answered a TCP knock
    };
    static constexpr int EntryWidth = 41;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int count() const { return static_cast<int>(m_entries.size()); }
    // -1 when the address has no entry.
    int rowOf(const QString& address) const;
    // A new answering entry at the end; its row.
    int add(const QString& address);
    // A new entry at the end for a computer seen on the link that did not
    // answer the echo; its row.
    int addSeenOnLink(const QString& address);
    void setAnswered(int row, bool answered);
    // What the entry's last test saw on the link: its MAC address ("aa:bb:..")
    // and maker, or, for a computer not seen there, empty texts.
    void setLink(int row, bool seen, const QString& mac, const QString& maker, const QString& conflict = {});
    // The user's names: an entry shows its name instead of the host name
    // where one is set (by its MAC, else by its address).
    void setKnownNames(const KnownNames& names);
    // The user's name of the entry; empty where none.
    QString label(int row) const;
    QString mac(int row) const;
    bool seenOnLink(int row) const;
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
    // What a test of the plan saw on the link: its addresses that were not
    // seen lose their mark, the sightings gain theirs, a computer seen on the
    // link alone is added. The rows added.
    std::vector<int> showSightings(const TestPlan& plan, const std::vector<TestOutcome::Sighting>& seen);
    // The same for what a test's TCP knocks found: a computer found by a knock
    // alone is added; the open ports of each are set. The rows added.
    std::vector<int> showKnocks(const TestPlan& plan, const std::vector<TestOutcome::Knocked>& knocked);

private:
    struct Entry {
        QString address;
        QString text;
        QString name;
        bool answered = true;
        bool seenOnLink = false;
        bool foundByEcho = true;  // has answered an echo since it was found
        QString mac;
        QString maker;
        QString label;     // the user's name
        QString conflict;  // a second MAC for the address in its last test
        uint16_t knockPort = 0;  // a port that answered its last test's TCP knock; 0: none
        QList<int> openPorts;
    };
    void relabel(int row);
    int insert(const QString& address, bool byEcho, bool onLink);
    void setKnock(int row, uint16_t port, const std::vector<uint16_t>& openPorts);
    void changed(int row, const QList<int>& roles);
    // An address's place in the list: its number, host order.
    static uint32_t orderOf(const QString& address);

    std::vector<Entry> m_entries;
    QHash<QString, int> m_rows;
    KnownNames m_names;
};
