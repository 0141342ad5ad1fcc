// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The host names of the list's computers: asked on the look-up pool's
// threads, written into the found computers on the GUI thread. It outlasts
// tests: a name asked late in one test may come in during the next.
#pragma once

#include "lookup/ReverseLookup.h"

#include <QObject>
#include <QString>

#include <mutex>
#include <vector>

class FoundComputers;

class NameLookups : public QObject {
    Q_OBJECT
public:
    explicit NameLookups(FoundComputers& found, QObject* parent = nullptr);
    ~NameLookups() override;

    // Looks up the name of the computer at row (its address given, as rows
    // move when computers are inserted).
    void lookUp(int row, const QString& address);
    // Names asked for and not yet written into their entries.
    [[nodiscard]] int pending() const { return m_pending; }
    // Names still being looked up are never delivered; no further is asked.
    void close();

Q_SIGNALS:
    // The last name pending has come in.
    void allIn();

private:
    void takeFound();

    struct FoundName {
        int row;
        QString address;
        QString name;
    };
    FoundComputers& m_found;
    ReverseLookupPool m_pool;
    int m_pending = 0;
    std::mutex m_mutex;
    std::vector<FoundName> m_foundNames;  // waiting for the GUI thread
};
