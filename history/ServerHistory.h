// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The history on a server, as the history's worker thread uses it: a test
// goes to the server, or, while the server is away (or refuses: a wrong
// password, no such database, tables of a later version), into the local
// spool. Whatever waits in the spool goes first, oldest first, each test
// removed from it once the server has confirmed it. One line says that the
// server is away, one that it is back. A test the server refuses for good
// (its data, a constraint) is set aside in the spool, said in one line, and
// the tests behind it go on.
#pragma once

#include "history/HistorySpool.h"
#include "history/ServerHistoryStore.h"

#include <QStringList>

#include <optional>

class ServerHistory {
public:
    struct Notice {
        bool back = false;  // false: the server is away; true also for a test it refused (it answers)
        QString text;
    };

    ServerHistory(const QString& uri, const QString& scanner, const QString& spoolFile, int keepDays);

    // True when the test is on the server or waits in the spool; false when
    // it is lost (the spool cannot be written either: lastError). closing:
    // while the server is away, the test goes into the spool without a try.
    // learned: what the tests sent now (this one, or the spool's) taught the known computers.
    [[nodiscard]] bool record(const std::vector<TestRecord>& pieces, bool closing = false, KnownSightings* learned = nullptr);
    // Sends what waits in the spool; true when nothing waits any more.
    bool sendSpool(KnownSightings* learned = nullptr);
    // Works on the known computers on the server. A name is not spooled:
    // while the server is away, naming fails (lastError says why).
    [[nodiscard]] bool known(bool write, const std::function<bool(KnownComputers&)>& work);
    [[nodiscard]] std::optional<std::vector<ComputerHistory>> computers(const HistoryRange& range, const QDateTime& now,
                                                                        const QString& fromScanner);
    void setKeepDays(int days) { m_store.setKeepDays(days); }
    QString lastError() const { return m_error; }
    // The lines said since the last call, oldest first.
    std::vector<Notice> takeNotices();
    qint64 waiting() { return m_spool.count(); }
    qint64 setAsideCount() { return m_spool.setAsideCount(); }

private:
    bool send(const QString& uid, const std::vector<TestRecord>& pieces, KnownSightings* learned);
    bool sayRefused(const std::vector<TestRecord>& pieces, const QString& reason);
    void away(const QString& reason);

    ServerHistoryStore m_store;
    HistorySpool m_spool;
    bool m_away = false;
    qint64 m_lastPrune = 0;
    QString m_error;
    std::vector<Notice> m_notices;
};
