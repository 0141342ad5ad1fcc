// Catches look-ups that break the rules or messages of resolving a host text, lose a name or the local host's identity, or a pinger that sends to a text it could not resolve.
#include "net/Ipv4.h"
#include "net/NameLookup.h"
#include "net/Pinger.h"
#include "tests/Lab.h"

#include <gtest/gtest.h>

TEST(LabLookUp, resolveHostFollowsItsRulesAndQuotesTheTextAsGiven)
{
    SCANVET_REQUIRE_LAB();
    const std::string alpha256 = "alpha.lab" + std::string(256 - 9, ' ');
    const std::string digits256(256, '1');
    const std::pair<std::string, std::string> cases[] = {
        {"\t198.51.100.10\r\n ", Lab::Alpha},
        {"255.255.255.255", "255.255.255.255"},
        {" bravo ", Lab::Bravo},
        {alpha256, Lab::Alpha},
        {"256.1.1.1", "WSocketResolveHost: '256.1.1.1' Invalid IP address."},
        {" 1alpha.lab", "WSocketResolveHost: ' 1alpha.lab' Invalid IP address."},
        {digits256, "WSocketResolveHost: '" + digits256 + "' Invalid IP address."},
        {alpha256 + " ", "WSocketResolveHost: '" + alpha256 + " ' Invalid Hostname."},
        {"", "WSocketResolveHost: '' Invalid Hostname."},
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

TEST(LabLookUp, namesOfAddressesAndOfThisHost)
{
    SCANVET_REQUIRE_LAB();
    EXPECT_EQ(hostNameOf(Lab::Far), "far.lab");
    EXPECT_EQ(hostNameOf(Lab::Unnamed12), "");
    EXPECT_EQ(hostNameOf("not an address"), "");
    EXPECT_EQ(localHostName(), "scanner");
    EXPECT_EQ(localAddresses(), std::vector<std::string>{Lab::Scanner});
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
