// Any bytes as "Scanvet.cfg": its lines, read into the seven settings as at start-up; and any seven texts, written and read again, give seven trimmed lines.
#include "files/SettingsFile.h"

#include <QFile>
#include <QTemporaryDir>

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
    static const QTemporaryDir dir;
    const QString path = dir.filePath(SettingsFile::FileName);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();

    const std::optional<std::vector<std::string>> lines = SettingsFile::readLines(path);
    FUZZ_CHECK(lines);
    size_t taken = 0;
    for (const std::string& line : *lines) {
        FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
        taken += line.size() + 1;
    }
    FUZZ_CHECK(taken <= 4096 + 1);

    constexpr SettingsFile::Range ranges[] = {{0, 255}, {0, 255}, {0, 255}, {1, 254}, {1, 254}, {1, 254}, {0, 60}};
    std::vector<int> applied;
    try {
        SettingsFile::applyLines(*lines, ranges, [&](size_t line, int value) {
            FUZZ_CHECK(line == applied.size() && value >= ranges[line].min && value <= ranges[line].max);
            applied.push_back(value);
        });
        FUZZ_CHECK(applied.size() == std::size(ranges));
    } catch (const std::runtime_error& e) {
        const size_t bad = applied.size();
        FUZZ_CHECK(bad < std::size(ranges));
        FUZZ_CHECK(e.what() == (bad < lines->size() ? "'" + (*lines)[bad] + "' is not a valid integer value"
                                                    : "List index out of bounds (" + std::to_string(bad) + ")"));
    }

    // The input, up to a few kilobytes, cut into seven texts of any bytes.
    std::array<std::string, SettingsFile::LineCount> texts;
    const size_t part = std::min<size_t>(size, 4000) / texts.size();
    for (size_t i = 0; i < texts.size(); ++i) texts[i].assign(bytes.constData() + i * part, part);
    FUZZ_CHECK(SettingsFile::write(texts, path));
    const std::optional<std::vector<std::string>> again = SettingsFile::readLines(path);
    FUZZ_CHECK(again && again->size() == texts.size());
    for (const std::string& line : *again)
        FUZZ_CHECK(line.empty() || (static_cast<unsigned char>(line.front()) > ' ' && static_cast<unsigned char>(line.back()) > ' '));
    return 0;
}
