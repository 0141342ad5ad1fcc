// WSocketResolveHost and the reverse look-up on any text, with the name
// service replaced by FakeNameService.cpp: no query leaves the process. Checks
// the length limits, the trimming, the cut to 255 characters, the dotted-
// address branch that never asks by name, and the exact error texts.
#include "net/WSocket.h"
#include "tests/fuzz/FakeNameService.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = Fuzz::Text(data, size);
    FakeNames::Take();

    uint32_t address = 0;
    std::string error;
    try {
        address = WSocketResolveHost(text);
    } catch (const ESocketException& e) {
        error = e.Message();
    }
    const std::vector<FakeNames::Query> asked = FakeNames::Take();

    if (text.empty() || text.size() > 256) {
        FUZZ_CHECK(error == "WSocketResolveHost: '" + text + "' Invalid Hostname.");
        FUZZ_CHECK(asked.empty());
    } else {
        const std::string sent = Trim(text).substr(0, 255);
        if (!sent.empty() && sent[0] >= '0' && sent[0] <= '9') {
            // A dotted address: never a name query.
            FUZZ_CHECK(asked.empty());
            const uint32_t parsed = ParseDottedAddress(sent);
            if (parsed != INADDR_ALL_ONES) FUZZ_CHECK(error.empty() && address == parsed);
            else if (sent == "255.255.255.255") FUZZ_CHECK(error.empty() && address == INADDR_ALL_ONES);
            else FUZZ_CHECK(error == "WSocketResolveHost: '" + text + "' Invalid IP address.");
        } else {
            // At most one query, and only for the trimmed, cut name.
            FUZZ_CHECK(asked.size() <= 1);
            if (!asked.empty()) FUZZ_CHECK(asked[0].ByName && asked[0].Name == sent);
            if (FakeNames::Knows(sent)) {
                FUZZ_CHECK(error.empty() && address == FakeNames::AddressOf(sent));
            } else {
                FUZZ_CHECK(error == "WSocketResolveHost: Cannot convert host address '" + text + "'");
            }
        }
    }

    // The reverse look-up asks for the address the text parses to, all ones
    // when it is no dotted address, and never raises.
    const std::string name = WSocketResolveIp(text);
    const std::vector<FakeNames::Query> reverse = FakeNames::Take();
    FUZZ_CHECK(reverse.size() == 1 && !reverse[0].ByName);
    FUZZ_CHECK(reverse[0].Address == ParseDottedAddress(text.substr(0, 255)));
    FUZZ_CHECK(name.empty() || name == FakeNames::NameOf(reverse[0].Address));
    return 0;
}
