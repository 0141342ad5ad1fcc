// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A stand-in for the desktop's notification service on a private session bus, and the notifier under test.
#pragma once

#include "notify/DesktopNotifier.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QStringList>
#include <QVariantMap>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The desktop's notification service, as the test's own private session bus offers it.
class StandInService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList capabilities, notices;
    QList<uint> replaced;
    uint lastId = 0;

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        notices << summary + '|' + body;
        replaced << replaces;
        return ++lastId;
    }
};

class Notices : public ::testing::Test {
protected:
    // One private bus for the whole program: the session bus is chosen once, at its first use.
    static void SetUpTestSuite()
    {
        // The daemon forks off and prints its address and its process.
        FILE* started = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
        char address[512] = {}, pid[32] = {};
        if (started != nullptr && fgets(address, sizeof address, started) && fgets(pid, sizeof pid, started)) {
            address[strcspn(address, "\n")] = '\0';
            setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
            daemon = std::atoi(pid);
        }
        if (started != nullptr) pclose(started);
    }
    static void TearDownTestSuite()
    {
        if (daemon > 0) ::kill(daemon, SIGTERM);
    }
    void SetUp() override
    {
        if (daemon <= 0) GTEST_SKIP() << "dbus-daemon (package dbus) did not start";
        ASSERT_TRUE(m_service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &m_standIn,
                                           QDBusConnection::ExportAllSlots));
    }
    void TearDown() override { m_service.unregisterObject(QStringLiteral("/org/freedesktop/Notifications")); }
    void offer(bool on)
    {
        const QString name = QStringLiteral("org.freedesktop.Notifications");
        EXPECT_TRUE(on ? m_service.registerService(name) : m_service.unregisterService(name));
    }

    static inline pid_t daemon = 0;
    QDBusConnection m_service = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("service"));
    StandInService m_standIn;
    DesktopNotifier m_notifier;
};
