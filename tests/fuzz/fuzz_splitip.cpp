// Any text split at its dots: the parts before the first three dots and the rest give the text back, and it is complete exactly when no part is empty.
#include "lookup/LocalLookup.h"

#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "fuzz check failed: %s (line %d)\n", #condition, __LINE__); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    OctetTexts parts{"x", "x", "x", "x"};
    const bool complete = splitDottedText(text, parts);
    FUZZ_CHECK(complete == std::none_of(parts.begin(), parts.end(), [](const QString& part) { return part.isEmpty(); }));

    // With fewer than three dots, the parts whose dot is missing stay empty.
    const auto dots = static_cast<size_t>(std::min<qsizetype>(text.count(u'.'), 3));
    for (size_t i = 0; i < 3; ++i) FUZZ_CHECK(!parts[i].contains(u'.') && (i < dots || parts[i].isEmpty()));
    QStringList found(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(dots));
    found += parts[3];
    FUZZ_CHECK(found.join(u'.') == text);
    return 0;
}
