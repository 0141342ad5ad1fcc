// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "notify/DesktopNotifier.h"

#include "notify/Log.h"

#include <QDBusConnection>
#include <QDBusError>
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

void DesktopNotifier::notifyChange(const QString& range, const QStringList& answeringNow,
                                   const QStringList& stoppedAnswering)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCInfo(lcNotify) << "no notice: no session bus:" << bus.lastError().message();
        return Q_EMIT finished(false);
    }
    // Whether the body may hold markup decides how names must be written:
    // ask first, without waiting.
    auto* asked = new QDBusPendingCallWatcher(
        bus.asyncCall(QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("GetCapabilities"))), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this,
            [this, range, answeringNow, stoppedAnswering](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QStringList> capabilities = *call;
        if (capabilities.isError()) {  // no service: no notice
            qCInfo(lcNotify) << "no notice: no notification service:" << capabilities.error().message();
            return Q_EMIT finished(false);
        }
        const bool markup = capabilities.value().contains(QStringLiteral("body-markup"));
        QDBusMessage notice = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
        // The range's previous notice is replaced, so that a computer that
        // comes and goes does not flood the notification centre.
        notice << QStringLiteral("Scanvet Address") << m_noticeIds.value(range, 0U)
               << QStringLiteral("example.scanvet.ScanvetAddress")
               << QStringLiteral("Scanvet Address") << changeBody(answeringNow, stoppedAnswering, markup)
               << QStringList() << QVariantMap() << -1;
        auto* sending = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(notice), this);
        connect(sending, &QDBusPendingCallWatcher::finished, this, [this, range](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            const QDBusPendingReply<uint> id = *done;
            if (id.isError())
                qCWarning(lcNotify) << "the notice was refused:" << id.error().message();
            else
                m_noticeIds.insert(range, id.value());
            Q_EMIT finished(!id.isError());
        });
    });
}
