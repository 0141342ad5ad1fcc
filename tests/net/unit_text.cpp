// Catches a whole-number reading that takes or refuses the wrong forms or values, a lost failure text, trimming that cuts letters or keeps controls, and a dotted parse unlike the socket service's.
#include "net/Ipv4.h"
#include "net/Text.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

TEST(TextHelpers, wholeNumberReadingAcceptsOnlyItsForms)
{
    const struct {
        const char* text;
        std::optional<int32_t> value;
    } cases[] = {{"$1F", 31},        {"$1f", 31},     {" 12", 12},          {"12 ", {}},          {"+5", 5},
                 {"007", 7},         {"-2147483648", INT32_MIN},            {"2147483647", INT32_MAX},
                 {"2147483648", {}}, {"-2147483649", {}},                   {"$FFFFFFFF", -1},    {"$100000000", {}},
                 {"", {}},           {"   ", {}},     {"+", {}},            {"$", {}},            {"\t5", {}},
                 {"1e3", {}},        {"-$5", {}},     {"00000000000000000000042", 42}};
    for (const auto& c : cases) EXPECT_EQ(parseWholeNumber(c.text), c.value) << "'" << c.text << "'";
    try {
        wholeNumber("abc ");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "'abc ' is not a valid integer value");
    }
}

TEST(TextHelpers, trimmingAndDottedAddresses)
{
    EXPECT_EQ(trimmed(" \t\r\n 10.0.0.1 \x01"), "10.0.0.1");
    EXPECT_EQ(trimmed("a b"), "a b");
    EXPECT_EQ(trimmed("\xe9x\xe9"), "\xe9x\xe9");  // 8-bit letters stay
    EXPECT_EQ(trimmed("   "), "");
    EXPECT_EQ(dottedText(parseDottedAddress("127.1")), "127.0.0.1");
    EXPECT_EQ(dottedText(parseDottedAddress("0x7f.0.0.010")), "127.0.0.8");
    for (const char* invalid : {"256.1.1.1", "host", "", "255.255.255.255"})
        EXPECT_EQ(parseDottedAddress(invalid), AllOnesAddress) << invalid;
}
