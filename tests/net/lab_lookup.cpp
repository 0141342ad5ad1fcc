// Catches look-ups through the real name service that break resolveHost's rules or messages, and a pinger that sends to a text it could not resolve or pings another address.
#include "net/Ipv4.h"
#include "net/NameLookup.h"
#include "net/Pinger.h"
#include "tests/Lab.h"

#include <gtest/gtest.h>

TEST(LabLookUp, resolveHostTrimsAndCutsTheTextAndQuotesItAsGiven)
{
    SCANVET_REQUIRE_LAB();
    const std::string alpha256 = "alpha.lab" + std::string(256 - 9, ' ');
    const std::pair<std::string, std::string> cases[] = {
        {" bravo\t", Lab::Bravo},
        {alpha256, Lab::Alpha},
        {"   ", "WSocketResolveHost: Cannot convert host address '   '"},
        {"nosuchhost.lab", "WSocketResolveHost: Cannot convert host address 'nosuchhost.lab'"},
    };
    for (const auto& [text, expected] : cases) {
        std::string result;
        try {
            result = dottedText(resolveHost(text));
        } catch (const LookupError& e) {
            result = e.what();
        }
        EXPECT_EQ(result, expected) << "'" << text << "'";
    }
}

TEST(LabLookUp, pingerSendsOnlyToTextsThatResolve)
{
    SCANVET_REQUIRE_LAB();
    Pinger pinger;
    int requests = 0;
    pinger.onRequest = [&] { ++requests; };
    EXPECT_FALSE(pinger.ping("nosuchhost.lab").has_value());
    EXPECT_FALSE(pinger.ping("255.255.255.255").has_value());
    for (const auto& [text, from] : {std::pair{"alpha", Lab::Alpha}, {"127.1", "127.0.0.1"}, {"far.lab", Lab::Far}}) {
        const std::optional<EchoResult> r = pinger.ping(text);
        EXPECT_TRUE(r && r->answered() && dottedText(r->from) == from) << text;
    }
    EXPECT_EQ(requests, 3) << "sent to an unusable text";
}
