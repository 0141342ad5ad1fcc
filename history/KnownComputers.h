// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The computers the history has seen on the link, by MAC address: when each
// was first seen, where and when last, and the name and note the user gave
// it. A computer without a MAC (one behind a router) is named by its address.
// A known MAC found at another address than its last is a move, kept beside
// the changes of presence. The same statements serve the file and a server
// (the upsert of both dialects): on a server a MAC is one row for every
// scanner, with the scanner that saw it last, while names by address and
// moves are each scanner's own (two sites may use the same private addresses).
#pragma once

#include "history/TestRecord.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

struct KnownComputer {
    QString mac;          // empty: named by address
    QString label, note;  // the user's
    QDateTime firstSeen, lastSeen;  // invalid for a computer named by address alone
    QString lastAddress;  // dotted
};

struct NewComputer {
    QString mac, address;
};

struct ComputerMove {
    QString mac, from, to;  // dotted addresses
    QDateTime time;
};

// What one test taught the known computers.
struct KnownSightings {
    std::vector<NewComputer> newComputers;  // MACs never seen before, in address order
    std::vector<ComputerMove> moves;
};

// The user's names, by MAC and by address; a MAC's name comes first.
struct KnownNames {
    QHash<QString, QString> byMac, byAddress;
    QString labelOf(const QString& mac, const QString& address) const
    {
        const QString byItsMac = mac.isEmpty() ? QString() : byMac.value(mac);
        return byItsMac.isEmpty() ? byAddress.value(address) : byItsMac;
    }
};

class KnownComputers {
public:
    // The database's tables must be of a version that has them (3 on).
    // scanner: null for the file; on a server, the scanner whose sightings
    // and names by address these are.
    explicit KnownComputers(const QSqlDatabase& database, const QString& scanner = {})
        : m_database(database), m_scanner(scanner)
    {
    }

    // Inside the caller's transaction, before the test's computers are
    // written: the MACs a test saw (address, MAC; one MAC may answer for
    // several addresses) at time. On a server the known rows are locked in
    // MAC order, so that scanners observing the same MACs at once take turns
    // and one of them alone learns a MAC as new.
    [[nodiscard]] bool observe(qint64 time, const std::vector<std::pair<quint32, QString>>& sightings,
                               KnownSightings* learned);
    // key: a MAC ("aa:bb:cc:dd:ee:ff", any case) or a dotted address.
    [[nodiscard]] bool name(const QString& key, const QString& label, const QString& note);
    // found: whether there was a name to forget.
    [[nodiscard]] bool forget(const QString& key, bool* found);
    [[nodiscard]] std::optional<std::vector<KnownComputer>> all();
    [[nodiscard]] std::optional<KnownNames> names();
    QString error() const { return m_error; }
    // The database's own error of the last failure; not valid for a key that is no MAC or address.
    QSqlError sqlError() const { return m_sqlError; }

    // Each MAC of the tests' computers (a conflict's second MAC too) with its address.
    static std::vector<std::pair<quint32, QString>> sightingsOf(const std::vector<TestRecord>& tests);
    // "aa:bb:cc:dd:ee:ff" in lower case, or empty where key is not a MAC.
    static QString macOf(const QString& key);

private:
    struct Last;
    bool fail(const class QSqlQuery& query);
    bool onServer() const { return !m_scanner.isNull(); }
    // " AND scanner = ?" on a server, with its value bound by bindScanner.
    QString scannerCondition(const char* table = nullptr) const;
    void bindScanner(QSqlQuery& query) const;
    bool observeSome(qint64 time, const std::map<QString, std::set<quint32>>& addressesOf, KnownSightings* learned);

    QSqlDatabase m_database;
    QString m_scanner;
    QString m_error;
    QSqlError m_sqlError;
};
