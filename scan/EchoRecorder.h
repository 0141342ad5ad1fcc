// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Turns each echo into what the user sees of it: the found computer's entry
// (a new one gets its host name looked up), the result-sheet line by the
// "Show only correct replies" rule, and the status line. GUI thread only.
#pragma once

#include "net/EchoSocket.h"

#include <QObject>
#include <QString>

#include <functional>

class FoundComputers;

class EchoRecorder : public QObject {
    Q_OBJECT
public:
    // Starts the host-name look-up of a new entry.
    using NameLookupStarter = std::function<void(int row, const QString& address)>;

    EchoRecorder(FoundComputers& list, NameLookupStarter startNameLookup, QObject* parent = nullptr);

    void setShowOnlyCorrectReplies(bool value) { m_onlyCorrectReplies = value; }
    bool showOnlyCorrectReplies() const { return m_onlyCorrectReplies; }

    // One echo to address, as pinged.
    void record(const QString& address, const EchoResult& result);

    // "Sending ping to ADDRESS Reply O.K. - in N msecs" or "... Timeout or not found".
    static QString statusLine(const QString& address, const EchoResult& result);

Q_SIGNALS:
    void resultLineAdded(const QString& line);
    void statusChanged(const QString& line);

private:
    FoundComputers& m_list;
    NameLookupStarter m_startNameLookup;
    bool m_onlyCorrectReplies = true;
};
