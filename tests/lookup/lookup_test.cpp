// Catches: loopback looked up instead of named; lab names not found or control characters let through; a name
// delivered on the caller's thread, without the raised priority, or for a host with no name.
#include "lookup/HostNameResolver.h"
#include "tests/Lab.h"

#include <sys/resource.h>

#include <QTest>

#include <memory>
#include <mutex>
#include <thread>

TEST(ListName, shouldNameLoopbackUnaskedAndLabHostsPrintably)
{
    SCANVET_REQUIRE_LAB();
    const std::pair<const char*, QString> cases[] = {{"127.0.0.1", "localhost"}, {"127.0.0.2", "n/a"},
        {Lab::Alpha, "alpha.lab"}, {Lab::Unnamed12, ""}, {Lab::Hostile, "esc?[2Jbel?del?csi?.lab"}};
    for (const auto& [address, name] : cases) EXPECT_EQ(listNameOf(address), name) << address;
}

TEST(HostNameResolver, shouldDeliverOnARaisedThreadOfItsOwnAndNothingAfterItsClose)
{
    SCANVET_REQUIRE_LAB();
    const int raised = getpriority(PRIO_PROCESS, 0) - 1;  // the lab runs us as root, who may raise it
    using Deliveries = std::vector<std::tuple<QString, bool, int>>;  // name, on another thread, its nice value
    HostNameResolver resolver;
    auto seen = std::make_shared<std::pair<std::mutex, Deliveries>>();
    for (const char* address : {Lab::Alpha, Lab::Unnamed12})
        resolver.resolve(address, [seen, caller = std::this_thread::get_id()](const QString& found) {
            const std::lock_guard lock(seen->first);
            seen->second.emplace_back(found, std::this_thread::get_id() != caller, getpriority(PRIO_PROCESS, 0));
        });
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const std::lock_guard lock(seen->first);
        return seen->second.size() == 2;
    }, 30000));
    resolver.close();
    resolver.resolve(Lab::Alpha, [seen](const QString&) { seen->second.emplace_back(); });
    QTest::qWait(100);
    std::ranges::sort(seen->second);
    EXPECT_EQ(seen->second, (Deliveries{{"", true, raised}, {"alpha.lab", true, raised}}));
}
