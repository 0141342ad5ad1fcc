// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "notify/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

QString sentence(const QString& lead, const QStringList& items, bool markup)
{
    QStringList shown = items.mid(0, DesktopNotifier::MostNamed);
    if (markup)
        for (QString& item : shown) item = item.toHtmlEscaped().replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    QString text = lead + shown.join(QStringLiteral(", "));
    if (items.size() > shown.size()) text += QStringLiteral(" and %1 more").arg(items.size() - shown.size());
    return text + QLatin1Char('.');
}

} // namespace

QString DesktopNotifier::changeBody(const QStringList& answeringNow, const QStringList& stoppedAnswering, bool markup)
{
    QStringList sentences;
    if (!answeringNow.isEmpty()) sentences << sentence(QStringLiteral("Answering now: "), answeringNow, markup);
    if (!stoppedAnswering.isEmpty())
        sentences << sentence(QStringLiteral("Stopped answering: "), stoppedAnswering, markup);
    return sentences.join(QLatin1Char(' '));
}

void DesktopNotifier::notifyChange(const QStringList& answeringNow, const QStringList& stoppedAnswering)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return Q_EMIT finished(false);
    // Whether the body may hold markup decides how names must be written:
    // ask first, without waiting.
    auto* asked = new QDBusPendingCallWatcher(
        bus.asyncCall(QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("GetCapabilities"))), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this, answeringNow, stoppedAnswering](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QStringList> capabilities = *call;
        if (capabilities.isError()) return Q_EMIT finished(false);  // no service: no notice
        const bool markup = capabilities.value().contains(QStringLiteral("body-markup"));
        QDBusMessage notice = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
        notice << QStringLiteral("Scanvet Address") << 0U << QStringLiteral("example.scanvet.ScanvetAddress")
               << QStringLiteral("Scanvet Address") << changeBody(answeringNow, stoppedAnswering, markup)
               << QStringList() << QVariantMap() << -1;
        auto* sending = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(notice), this);
        connect(sending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            Q_EMIT finished(!done->isError());
        });
    });
}
