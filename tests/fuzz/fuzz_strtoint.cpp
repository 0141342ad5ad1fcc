// The whole-number reading and trimming, on any text, against a plain
// reference of the rules: leading blanks, then [+-]digits within 32 bits
// signed, or $ and hexadecimal digits within 32 bits; nothing after.
#include "net/Common.h"
#include "tests/fuzz/FuzzCheck.h"

#include <optional>

namespace {

std::optional<int32_t> Reference(const std::string& text)
{
    size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return std::nullopt;
    if (text[i] == '$') {
        const std::string digits = text.substr(i + 1);
        if (digits.empty() || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return std::nullopt;
        const size_t first = digits.find_first_not_of('0');
        if (first != std::string::npos && digits.size() - first > 8) return std::nullopt;
        return static_cast<int32_t>(static_cast<uint32_t>(std::stoull("0" + digits, nullptr, 16)));
    }
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    const std::string digits = text.substr(i);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return 0;
    if (digits.size() - first > 10) return std::nullopt;
    const long long magnitude = std::stoll(digits.substr(first));
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = Fuzz::Text(data, size);
    const std::optional<int32_t> expected = Reference(text);

    int32_t value = 12345;
    const bool read = TryStrToInt(text, value);
    FUZZ_CHECK(read == expected.has_value());
    if (read) FUZZ_CHECK(value == *expected);
    else FUZZ_CHECK(value == 12345);  // a failed reading leaves the target alone

    try {
        const int32_t thrown = StrToInt(text);
        FUZZ_CHECK(read && thrown == value);
    } catch (const EConvertError& e) {
        FUZZ_CHECK(!read);
        FUZZ_CHECK(e.Message() == "'" + text + "' is not a valid integer value");
    }

    const std::string trimmed = Trim(text);
    FUZZ_CHECK(trimmed.size() <= text.size());
    FUZZ_CHECK(trimmed.empty() || (static_cast<unsigned char>(trimmed.front()) > ' ' &&
                                   static_cast<unsigned char>(trimmed.back()) > ' '));
    FUZZ_CHECK(text.find(trimmed) != std::string::npos);
    FUZZ_CHECK(Trim(trimmed) == trimmed);
    return 0;
}
