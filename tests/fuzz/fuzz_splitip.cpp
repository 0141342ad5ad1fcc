// SplitIP on any text, against the same rule written on plain bytes: the
// parts before the first three dots, then the rest.
#include "window/SplitIP.h"
#include "tests/fuzz/FuzzCheck.h"

#include <array>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Latin-1 keeps one character per byte, so the reference below can work on bytes.
    const std::string bytes = Fuzz::Text(data, size);
    const QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));

    std::array<QString, 4> parts{QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("x")};
    const bool split = SplitIPText(text, parts[0], parts[1], parts[2], parts[3]);

    std::array<std::string, 4> expected;
    std::string rest = bytes;
    for (size_t i = 0; i < 3 && !bytes.empty(); ++i) {
        const size_t dot = rest.find('.');
        if (dot == std::string::npos) continue;
        expected[i] = rest.substr(0, dot);
        rest.erase(0, dot + 1);
    }
    if (!bytes.empty()) expected[3] = rest;

    bool allFilled = true;
    for (size_t i = 0; i < 4; ++i) {
        FUZZ_CHECK(parts[i].toLatin1().toStdString() == expected[i]);
        allFilled = allFilled && !expected[i].empty();
    }
    FUZZ_CHECK(split == allFilled);
    if (split) {
        FUZZ_CHECK(parts[0] + '.' + parts[1] + '.' + parts[2] + '.' + parts[3] == text);
        for (size_t i = 0; i < 3; ++i) FUZZ_CHECK(!parts[i].contains(QLatin1Char('.')));
    }
    return 0;
}
