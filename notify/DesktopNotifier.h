// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Desktop notifications through the freedesktop notification service on the
// session bus. A notice never blocks and never fails the program: where no
// service runs, nothing happens.
#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

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

Q_SIGNALS:
    // The notice has gone to the service (delivered), or there was none.
    void finished(bool delivered);

private:
    QHash<QString, uint> m_noticeIds;  // the service's id of each range's last notice
};
