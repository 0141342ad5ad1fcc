// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Desktop notifications through the freedesktop notification service on the
// session bus. A notice never blocks and never fails the program: where no
// service runs, nothing happens.
#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr int MostNamed = 10;

    using QObject::QObject;

    // One notice with the summary "Scanvet Address" naming the computers
    // that started and stopped answering, at most MostNamed of each list and
    // "and N more". Names come from the network: where the service renders
    // markup, they are escaped so that they show as they are.
    // A notice replaces the previous notice of the same range.
    void notifyChange(const QString& range, const QStringList& answeringNow, const QStringList& stoppedAnswering);

    // The notice's body; markup: the service renders body markup.
    static QString changeBody(const QStringList& answeringNow, const QStringList& stoppedAnswering, bool markup);

    // One notice for the computers never seen before ("ADDRESS, MAC (maker)"):
    // "New computer on the network: ITEM", or for several (the first test of
    // a network) "N new computers on the network: ...". Each replaces none.
    void notifyNewComputers(const QStringList& computers);
    static QString newComputersBody(const QStringList& computers, bool markup);
    // One notice of the known computers that moved, a line each; it replaces the range's previous one.
    void notifyMoves(const QString& range, const QStringList& moves);
    // One notice of a test's address conflicts, a line each, at most MostNamed and "and N more"; it replaces none.
    void notifyConflicts(const QStringList& conflicts);

Q_SIGNALS:
    // The notice has gone to the service (delivered), or there was none.
    void finished(bool delivered);

private:
    // A notice whose body is made once the service says whether it renders markup;
    // key: the notices that replace each other (empty: none).
    void send(const QString& key, const std::function<QString(bool markup)>& body);

    QHash<QString, uint> m_noticeIds;  // the service's id of each range's last notice
};
