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

QString sentence(const QString& lead, const QStringList& items, bool markup, const QString& separator = QStringLiteral(", "))
{
    QStringList shown = items.mid(0, DesktopNotifier::MostNamed);
    if (markup)
        for (QString& item : shown) item = item.toHtmlEscaped().replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    QString text = lead + shown.join(separator);
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
    send(range, [answeringNow, stoppedAnswering](bool markup) { return changeBody(answeringNow, stoppedAnswering, markup); });
}

QString DesktopNotifier::newComputersBody(const QStringList& computers, bool markup)
{
    if (computers.size() == 1) return sentence(QStringLiteral("New computer on the network: "), computers, markup).chopped(1);
    // Each item holds commas of its own.
    return sentence(QStringLiteral("%1 new computers on the network: ").arg(computers.size()), computers, markup,
                    QStringLiteral("; "));
}

void DesktopNotifier::notifyNewComputers(const QStringList& computers)
{
    send(QString(), [computers](bool markup) { return newComputersBody(computers, markup); });
}

void DesktopNotifier::notifyMoves(const QString& range, const QStringList& moves)
{
    send(QStringLiteral("moves ") + range, [moves](bool markup) {
        QStringList lines = moves;
        if (markup)
            for (QString& line : lines) line = line.toHtmlEscaped();
        return lines.join(QLatin1Char('\n'));
    });
}

void DesktopNotifier::notifyConflicts(const QStringList& conflicts)
{
    send(QString(), [conflicts](bool markup) {
        QStringList lines = conflicts.mid(0, MostNamed);
        if (markup)
            for (QString& line : lines) line = line.toHtmlEscaped();
        if (conflicts.size() > lines.size()) lines << QStringLiteral("and %1 more").arg(conflicts.size() - lines.size());
        return lines.join(QLatin1Char('\n'));
    });
}

void DesktopNotifier::send(const QString& key, const std::function<QString(bool markup)>& body)
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
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this, key, body](QDBusPendingCallWatcher* call) {
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
        notice << QStringLiteral("Scanvet Address") << (key.isEmpty() ? 0U : m_noticeIds.value(key, 0U))
               << QStringLiteral("example.scanvet.ScanvetAddress") << QStringLiteral("Scanvet Address") << body(markup)
               << QStringList() << QVariantMap() << -1;
        auto* sending = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(notice), this);
        connect(sending, &QDBusPendingCallWatcher::finished, this, [this, key](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            const QDBusPendingReply<uint> id = *done;
            if (id.isError())
                qCWarning(lcNotify) << "the notice was refused:" << id.error().message();
            else if (!key.isEmpty())
                m_noticeIds.insert(key, id.value());
            Q_EMIT finished(!id.isError());
        });
    });
}
