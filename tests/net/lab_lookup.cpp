// Catches look-ups that break the rules or messages of resolving a host text, lose a name or the local host's identity, or a pinger that sends to a name it could not resolve.
#include "net/Ipv4.h"
#include "net/NameLookup.h"
#include "net/Pinger.h"
#include "tests/Lab.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// The address's dotted text, or the error's message.
std::string resolved(const std::string& text)
{
    try {
        return dottedText(resolveHost(text));
    } catch (const LookupError& e) {
        return e.what();
    }
}

} // namespace

TEST(LabLookUp, resolveHostFollowsItsRulesAndQuotesTheTextAsGiven)
{
    SCANVET_REQUIRE_LAB();
    const std::string alpha256 = "alpha.lab" + std::string(256 - 9, ' ');
    const std::string digits256(256, '1');
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {" 198.51.100.10 ", Lab::Alpha},
        {"\t198.51.100.10\r\n", Lab::Alpha},
        {"255.255.255.255", "255.255.255.255"},
        {"alpha.lab", Lab::Alpha},
        {" bravo ", Lab::Bravo},
        {"far.lab", Lab::Far},
        {alpha256, Lab::Alpha},
        {"256.1.1.1", "WSocketResolveHost: '256.1.1.1' Invalid IP address."},
        {" 1alpha.lab", "WSocketResolveHost: ' 1alpha.lab' Invalid IP address."},
        {digits256, "WSocketResolveHost: '" + digits256 + "' Invalid IP address."},
        {alpha256 + " ", "WSocketResolveHost: '" + alpha256 + " ' Invalid Hostname."},
        {"", "WSocketResolveHost: '' Invalid Hostname."},
        {"   ", "WSocketResolveHost: Cannot convert host address '   '"},
        {"nosuchhost.lab", "WSocketResolveHost: Cannot convert host address 'nosuchhost.lab'"},
    };
    for (const auto& c : cases) EXPECT_EQ(resolved(c.text), c.expected) << "'" << c.text << "'";
}

TEST(LabLookUp, namesOfAddressesAndOfThisHost)
{
    SCANVET_REQUIRE_LAB();
    EXPECT_EQ(hostNameOf(Lab::Alpha), "alpha.lab");
    EXPECT_EQ(hostNameOf(Lab::Far), "far.lab");
    EXPECT_EQ(hostNameOf(Lab::Unnamed12), "");
    EXPECT_EQ(hostNameOf("not an address"), "");
    EXPECT_EQ(localHostName(), "scanner");
    EXPECT_EQ(localAddresses(), std::vector<std::string>{Lab::Scanner});
}

TEST(LabLookUp, pingerResolvesNamesAndSendsNothingWithoutAnAddress)
{
    SCANVET_REQUIRE_LAB();
    Pinger pinger;
    pinger.setTimeout(std::chrono::milliseconds(2000));
    int requests = 0;
    pinger.onRequest = [&] { ++requests; };
    const std::optional<EchoResult> alpha = pinger.ping("alpha");
    ASSERT_TRUE(alpha.has_value());
    EXPECT_TRUE(alpha->answered());
    EXPECT_EQ(dottedText(alpha->from), Lab::Alpha);
    EXPECT_EQ(requests, 1);
    for (const char* unusable : {"nosuchhost.lab", "nosuchhost.lab", "255.255.255.255"})
        EXPECT_FALSE(pinger.ping(unusable).has_value()) << unusable;
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(pinger.ping("far.lab").value_or(EchoResult{}).answered());
}
