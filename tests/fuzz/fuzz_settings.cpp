// Any bytes as "Scanvet.cfg": split into lines, then read into the seven
// settings the way the window does at start-up.
#include "window/Configurace.h"
#include "tests/fuzz/FuzzCheck.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// The design ranges: four octets, the range of last octets, the repeat period.
constexpr std::array<TSettingRange, 7> Ranges{{{0, 255}, {0, 255}, {0, 255}, {1, 254}, {1, 254}, {1, 254}, {0, 60}}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes = Fuzz::Text(data, size);
    TConfigurace config;
    config.SetText(bytes);

    // The lines: no line ends or NUL inside; written out and read again, the same.
    for (const std::string& line : config.All()) FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
    TStringList again;
    again.SetText(config.Text());
    FUZZ_CHECK(again.All() == config.All());
    FUZZ_CHECK(config.Text().size() <= bytes.size() + 2 * static_cast<size_t>(config.Count()));

    std::vector<int32_t> applied;
    bool complete = false;
    try {
        ReadSettingLines(config, Ranges, [&](size_t line, int32_t value) {
            FUZZ_CHECK(line == applied.size());
            FUZZ_CHECK(value >= Ranges[line].Min && value <= Ranges[line].Max);
            applied.push_back(value);
        });
        complete = true;
    } catch (const EStringListError& e) {
        FUZZ_CHECK(static_cast<int>(applied.size()) == config.Count());
        FUZZ_CHECK(e.Message() == "List index out of bounds (" + std::to_string(applied.size()) + ")");
    } catch (const EConvertError& e) {
        FUZZ_CHECK(static_cast<int>(applied.size()) < config.Count());
        FUZZ_CHECK(e.Message() == "'" + config.Strings(static_cast<int>(applied.size())) + "' is not a valid integer value");
    }
    if (complete) FUZZ_CHECK(applied.size() == Ranges.size() && config.Count() >= 7);

    // Each value that was read is its line's number brought into range.
    for (size_t line = 0; line < applied.size(); ++line) {
        const int32_t number = StrToInt(config.Strings(static_cast<int>(line)));
        FUZZ_CHECK(applied[line] == std::clamp(number, Ranges[line].Min, Ranges[line].Max));
    }
    return 0;
}
