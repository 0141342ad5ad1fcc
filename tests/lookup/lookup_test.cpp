// Catches: dotted texts split at the wrong dots, trimmed, or called complete with a part missing; loopback looked up instead of named; lab names not found or control characters let through; a name delivered on the caller's thread, without the raised priority, or for a host with no name; a wrong local identity; names, dotted texts or unknown names solved wrongly.
#include "lookup/HostNameResolver.h"
#include "lookup/LocalLookup.h"
#include "tests/Lab.h"

#include <sys/resource.h>

#include <QTest>

#include <memory>
#include <mutex>
#include <thread>

TEST(SplitDottedText, shouldSplitAtTheFirstThreeDotsAndNeedAllFourParts)
{
    const std::tuple<QString, OctetTexts, bool> cases[] = {
        {"192.168.0.7", {"192", "168", "0", "7"}, true}, {"1.2.3", {"1", "2", "", "3"}, false},
        {"1.2.3.4.5", {"1", "2", "3", "4.5"}, true},     {" 1.x.3. ", {" 1", "x", "3", " "}, true},
        {"...", {}, false},                              {"", {}, false}};
    for (const auto& [text, expected, complete] : cases) {
        OctetTexts parts{"old", "old", "old", "old"};
        EXPECT_EQ(splitDottedText(text, parts), complete) << text.toStdString();
        EXPECT_EQ(parts, expected) << text.toStdString();
    }
}

TEST(ListName, shouldNameLoopbackUnaskedAndLabHostsPrintably)
{
    EXPECT_EQ(listNameOf("127.0.0.1"), "localhost");
    EXPECT_EQ(listNameOf("127.0.0.2"), "n/a");
    SCANVET_REQUIRE_LAB();
    const std::pair<const char*, QString> cases[] = {
        {Lab::Alpha, "alpha.lab"}, {Lab::Unnamed12, ""}, {Lab::Hostile, "esc?[2Jbel?del?csi?.lab"}};
    for (const auto& [address, name] : cases) EXPECT_EQ(listNameOf(address), name) << address;
}

TEST(ResolveInBackground, shouldDeliverOnARaisedThreadOfItsOwnAndOnlyANameFound)
{
    SCANVET_REQUIRE_LAB();
    const int nice = getpriority(PRIO_PROCESS, 0);
    const bool mayRaise = setpriority(PRIO_PROCESS, 0, nice - 1) == 0;
    setpriority(PRIO_PROCESS, 0, nice);
    using Deliveries = std::vector<std::tuple<QString, bool, int>>;  // name, on another thread, its nice value
    for (const auto& [address, name] : {std::pair{Lab::Alpha, "alpha.lab"}, std::pair{Lab::Unnamed12, ""}}) {
        auto seen = std::make_shared<std::pair<std::mutex, Deliveries>>();
        auto probe = std::make_shared<int>();  // dropped with deliver when the thread ends
        const std::weak_ptr<int> running = probe;
        resolveInBackground(address, [seen, probe, caller = std::this_thread::get_id()](const QString& found) {
            const std::lock_guard lock(seen->first);
            seen->second.emplace_back(found, std::this_thread::get_id() != caller, getpriority(PRIO_PROCESS, 0));
        });
        probe.reset();
        ASSERT_TRUE(QTest::qWaitFor([&] { return running.expired(); }, 30000)) << "the resolver never ended";
        const std::lock_guard lock(seen->first);
        const Deliveries expected{{name, true, mayRaise ? nice - 1 : nice}};
        EXPECT_EQ(seen->second, *name ? expected : Deliveries{}) << address;
    }
}

TEST(LocalLookup, shouldGiveTheScannerAndSolveNamesAndDottedTexts)
{
    SCANVET_REQUIRE_LAB();
    const std::optional<LocalIdentity> identity = localIdentity();
    EXPECT_EQ(identity ? identity->octets : OctetTexts{}, (OctetTexts{"198", "51", "100", "2"}));
    EXPECT_EQ(identity ? identity->hostName : QString(), "scanner");
    const std::pair<QString, QString> cases[] = {
        {"alpha.lab", Lab::Alpha}, {" bravo.lab ", Lab::Bravo}, {"10.1.2.3", "10.1.2.3"},
        {"255.255.255.255", "255.255.255.255"}, {"nosuch.lab", ""}, {"256.1.1.1", ""}};
    for (const auto& [text, dotted] : cases) {
        const std::optional<SolvedName> solved = solveHostName(text);
        EXPECT_EQ(solved ? solved->dotted : QString(), dotted) << text.toStdString();
        EXPECT_EQ(solved ? QStringList(solved->octets.begin(), solved->octets.end()).join(u'.') : QString(), dotted);
    }
}
