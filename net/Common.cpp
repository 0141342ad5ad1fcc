#include "net/Common.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <limits>

namespace {

int HexDigit(char c) noexcept
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

bool TryStrToInt(const std::string& text, int32_t& value) noexcept
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == text.size()) return false;

    if (text[i] == '$') {
        ++i;
        if (i == text.size()) return false;
        uint64_t pattern = 0;
        for (; i < text.size(); ++i) {
            const int d = HexDigit(text[i]);
            if (d < 0) return false;
            pattern = pattern * 16 + static_cast<uint64_t>(d);
            if (pattern > 0xFFFFFFFFull) return false;
        }
        value = static_cast<int32_t>(static_cast<uint32_t>(pattern));
        return true;
    }

    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return false;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int32_t>::max()) return false;
    value = static_cast<int32_t>(signedValue);
    return true;
}

int32_t StrToInt(const std::string& text)
{
    int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError("'" + text + "' is not a valid integer value");
    return value;
}

std::string Trim(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

uint32_t ParseDottedAddress(const std::string& text) noexcept
{
    // inet_aton takes the same forms as the classic inet_addr (octal, hex,
    // fewer parts); a NUL inside the text ends it there, as it would in C.
    in_addr parsed{};
    if (inet_aton(text.c_str(), &parsed) == 0) return INADDR_ALL_ONES;
    return parsed.s_addr;
}

std::string DottedText(uint32_t address)
{
    in_addr a{};
    a.s_addr = address;
    char buffer[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, buffer, sizeof buffer);
    return buffer;
}

const std::string& TStringList::Strings(int index) const
{
    if (index < 0 || index >= Count())
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    return Lines[static_cast<size_t>(index)];
}

void TStringList::SetText(const std::string& bytes)
{
    Lines.clear();
    const size_t end = bytes.find('\0');
    const size_t size = end == std::string::npos ? bytes.size() : end;
    size_t start = 0;
    size_t i = 0;
    while (i < size) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            Lines.push_back(bytes.substr(start, i - start));
            if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n') ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < size) Lines.push_back(bytes.substr(start, size - start));
}

bool TStringList::LoadFromFile(const std::string& fileName)
{
    Lines.clear();
    QFile file(QString::fromLocal8Bit(fileName.data(), static_cast<qsizetype>(fileName.size())));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    SetText(bytes.toStdString());
    return true;
}

std::string TStringList::Text() const
{
    std::string out;
    for (const auto& line : Lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

bool TStringList::SaveToFile(const std::string& fileName) const
{
    return WriteFileReplacing(fileName, Text());
}

bool WriteFileReplacing(const std::string& fileName, const std::string& bytes)
{
    QSaveFile file(QString::fromLocal8Bit(fileName.data(), static_cast<qsizetype>(fileName.size())));
    if (!file.open(QIODevice::WriteOnly)) return false;
    // commit() does not notice a buffered write that fails while it flushes
    // (a full disk): flush first and check.
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
