// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: loopback looked up instead of named; lab names not found or control, bidirectional or format characters
// let through; a name delivered on the caller's thread or without the raised priority, or none for a host with no
// name; a loopback address taken for the local one.
#include "lookup/LocalLookup.h"
#include "lookup/ReverseLookup.h"
#include "tests/Lab.h"

#include <sys/resource.h>

#include <QFile>
#include <QTest>

#include <mutex>
#include <thread>

TEST(ListName, shouldNameLoopbackUnaskedAndLabHostsPrintably)
{
    SCANVET_REQUIRE_LAB();
    const std::pair<const char*, QString> cases[] = {{"127.0.0.1", "localhost"}, {"127.0.0.2", "n/a"},
        {Lab::Alpha, "alpha.lab"}, {Lab::Unnamed12, ""}, {Lab::Hostile, "esc?[2Jbel?del?csi?rlo?lri?alm?.lab"}};
    for (const auto& [address, name] : cases) EXPECT_EQ(listNameOf(address), name) << address;
}

TEST(ReverseLookupPool, shouldDeliverEveryNameOnARaisedThreadOfItsOwn)
{
    SCANVET_REQUIRE_LAB();
    const int raised = getpriority(PRIO_PROCESS, 0) - 1;  // the lab runs us as root, who may raise it
    std::mutex mutex;
    QStringList seen;  // name, on another thread, its nice value
    ReverseLookupPool pool;
    for (const char* address : {Lab::Alpha, Lab::Unnamed12})
        ASSERT_TRUE(pool.resolve(address, [&, caller = std::this_thread::get_id()](const QString& found) {
            const std::lock_guard lock(mutex);
            seen << QStringLiteral("%1 %2 %3").arg(found).arg(std::this_thread::get_id() != caller).arg(getpriority(PRIO_PROCESS, 0));
        }));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const std::lock_guard lock(mutex);
        return seen.size() == 2;
    }, 30000));
    const std::lock_guard lock(mutex);
    seen.sort();
    EXPECT_EQ(seen, (QStringList{QStringLiteral(" 1 %1").arg(raised), QStringLiteral("alpha.lab 1 %1").arg(raised)}));
}

// Debian's hosts file names the computer on 127.0.1.1: "Get local IP" takes the interface's address instead.
TEST(LocalIdentity, shouldTakeTheInterfacesAddressWhereTheHostNameIsOnLoopbackOnly)
{
    SCANVET_REQUIRE_LAB();
    QFile hosts(QStringLiteral("/etc/hosts"));  // the lab's own, bind-mounted for this namespace
    ASSERT_TRUE(hosts.open(QIODevice::ReadOnly));
    const QByteArray lab = hosts.readAll();
    hosts.close();
    const std::pair<QByteArray, QString> rows[] = {{lab, "198.51.100.2"},
                                                   {"127.0.0.1\tlocalhost\n127.0.1.1\tscanner.lab scanner\n", "198.51.100.2"}};
    for (const auto& [text, expected] : rows) {
        ASSERT_TRUE(hosts.open(QIODevice::WriteOnly | QIODevice::Truncate) && hosts.write(text) == text.size());
        hosts.close();
        const std::optional<LocalIdentity> local = localIdentity();
        ASSERT_TRUE(local.has_value());
        EXPECT_EQ(QStringList(local->octets.begin(), local->octets.end()).join('.'), expected);
        EXPECT_EQ(local->hostName, "scanner");
    }
    ASSERT_TRUE(hosts.open(QIODevice::WriteOnly | QIODevice::Truncate) && hosts.write(lab) == lab.size());
}
