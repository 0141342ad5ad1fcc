// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// ieee-data's CSV files: "Registry,Assignment,Organization Name,Organization
// Address", with quoted fields that may hold commas, doubled quotes and line
// breaks. Only the first three fields are kept.
#include "link/MakerTable.h"

#include "base/Text.h"
#include "base/ThreadPriority.h"
#include "link/Log.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <exception>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

// A quoted field runs on past line breaks; one that has not closed within
// this many bytes is taken for a garbled record.
constexpr size_t LongestRecord = 4096;

bool startsRecord(std::string_view text, size_t at)
{
    const std::string_view rest = text.substr(std::min(at, text.size()));
    for (const std::string_view tag : {"MA-L,", "MA-M,", "MA-S,", "IAB,", "Registry,"})
        if (rest.starts_with(tag)) return true;
    return false;
}

// The first three fields of one record; a field with doubled quotes or line
// breaks is copied into its buffer, any other is a view of the text.
struct Record {
    std::string_view fields[3];
    std::string buffers[3];
    int fieldCount = 0;
    bool garbled = false;
};

size_t skipLine(std::string_view text, size_t from, Record& record)
{
    record.garbled = true;
    const size_t end = text.find('\n', from);
    return end == std::string_view::npos ? text.size() : end + 1;
}

// Reads the record at `at`; returns where the next one starts. A record whose
// quotes do not close (before a line that starts a record, the size limit or
// the end) or that has text after a closing quote is garbled.
size_t readRecord(std::string_view text, size_t at, Record& record)
{
    record.fieldCount = 0;
    record.garbled = false;
    for (size_t i = at;;) {
        const int index = record.fieldCount++;
        std::string_view field;
        if (i < text.size() && text[i] == '"') {
            const size_t first = i + 1;
            bool copy = false;
            size_t close = first;
            for (size_t from = first;;) {
                const size_t quote = text.find('"', from), lineEnd = text.find('\n', from);
                if (lineEnd < quote) {
                    if (startsRecord(text, lineEnd + 1)) {
                        record.garbled = true;
                        return lineEnd + 1;
                    }
                    copy = true;
                    from = lineEnd + 1;
                } else if (quote == std::string_view::npos || quote - at > LongestRecord) {
                    return quote == std::string_view::npos ? (record.garbled = true, text.size()) : skipLine(text, quote, record);
                } else if (quote + 1 < text.size() && text[quote + 1] == '"') {
                    copy = true;
                    from = quote + 2;
                } else {
                    close = quote;
                    break;
                }
            }
            field = text.substr(first, close - first);
            if (copy && index < 3) {
                std::string& buffer = record.buffers[index];
                buffer.clear();
                for (size_t c = 0; c < field.size(); ++c) {
                    buffer += field[c];
                    if (field[c] == '"') ++c;  // the second of a doubled quote
                }
                field = buffer;
            }
            i = close + 1;
            if (i < text.size() && text[i] == '\r') ++i;
            if (i < text.size() && text[i] != ',' && text[i] != '\n') return skipLine(text, i, record);
        } else {
            const size_t end = std::min(text.find_first_of(",\n", i), text.size());
            field = text.substr(i, end - i);
            if (field.ends_with('\r')) field.remove_suffix(1);
            i = end;
        }
        if (index < 3) record.fields[index] = field;
        if (i >= text.size()) return text.size();
        if (text[i++] == '\n') return i;
    }
}

std::string_view trimmedField(std::string_view s)
{
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool parseHex(std::string_view digits, size_t count, uint64_t& value)
{
    if (digits.size() != count) return false;
    value = 0;
    for (const char c : digits) {
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) return false;
        value = value << 4 | static_cast<uint64_t>(d);
    }
    return true;
}

// The copy of the list with the newest modification time; the first folder's on a tie.
QString newestCopy(const QStringList& folders, const QString& fileName)
{
    QString best;
    QDateTime bestTime;
    for (const QString& folder : folders) {
        const QFileInfo file(folder + QLatin1Char('/') + fileName);
        if (!file.isFile() || !file.isReadable()) continue;
        if (best.isEmpty() || file.lastModified() > bestTime) {
            best = file.filePath();
            bestTime = file.lastModified();
        }
    }
    return best;
}

} // namespace

QStringList MakerTable::debianFolders()
{
    return {QStringLiteral("/usr/share/ieee-data"), QStringLiteral("/var/lib/ieee-data")};
}

MakerTable::MakerTable(QStringList folders, QObject* parent) : QObject(parent), m_folders(std::move(folders)) {}

MakerTable::~MakerTable()
{
    if (m_loader.joinable()) m_loader.join();
}

void MakerTable::startLoading()
{
    std::call_once(m_started, [this] {
        m_loader = std::thread([this] {
            // Wanted only once a test's sightings are in: a test's echoes and ARP requests go first.
            if (std::string why; !lowerOwnPriority(BackgroundNiceness, why))
                qCDebug(lcLink) << "the maker lists' loader keeps its priority:" << why.c_str();
            try {
                load();
            } catch (const std::exception& e) {
                // Waiters must not wait for good; half-read lists are unsorted, so none is kept.
                qCCritical(lcLink) << "the maker lists could not be loaded:" << e.what();
                m_blocks36.clear();
                m_blocks28.clear();
                m_blocks24.clear();
            }
            {
                const std::lock_guard lock(m_waitMutex);
                m_loaded.store(true, std::memory_order_release);
            }
            m_loadedCondition.notify_all();
            QMetaObject::invokeMethod(this, [this] { Q_EMIT loaded(); }, Qt::QueuedConnection);
        });
    });
}

bool MakerTable::waitUntilLoaded(std::chrono::milliseconds timeout)
{
    startLoading();
    std::unique_lock lock(m_waitMutex);
    return m_loadedCondition.wait_for(lock, timeout, [this] { return isLoaded(); });
}

void MakerTable::load()
{
    // Keys are views into the lists' bytes and into copies of the names that
    // had to be unquoted, both kept with the table.
    std::unordered_map<std::string_view, uint32_t> makerIndex;
    makerIndex.reserve(32768);
    std::vector<QByteArray>& texts = m_texts;
    std::deque<std::string>& unquotedNames = m_unquotedNames;
    texts.reserve(4);
    const struct { const char* file; const char* registry; int bits; } lists[] = {
        {"oui36.csv", "MA-S", 36}, {"iab.csv", "IAB", 36}, {"mam.csv", "MA-M", 28}, {"oui.csv", "MA-L", 24}};
    for (const auto& list : lists) {
        const QString path = newestCopy(m_folders, QString::fromLatin1(list.file));
        if (path.isEmpty()) {
            qCInfo(lcLink) << "no maker list" << list.file << "in" << m_folders;
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            qCWarning(lcLink) << "cannot read the maker list" << path << ":" << file.errorString();
            continue;
        }
        const QByteArray& bytes = texts.emplace_back(file.readAll());
        const std::string_view text(bytes.constData(), static_cast<size_t>(bytes.size()));
        std::vector<Block>& blocks = list.bits == 36 ? m_blocks36 : list.bits == 28 ? m_blocks28 : m_blocks24;
        Record record;
        int skipped = 0;
        for (size_t at = 0; at < text.size();) {
            at = readRecord(text, at, record);
            uint64_t prefix = 0;
            const std::string_view name = record.fieldCount >= 3 ? trimmedField(record.fields[2]) : std::string_view();
            if (record.garbled || record.fieldCount < 3 || trimmedField(record.fields[0]) != list.registry
                || !parseHex(trimmedField(record.fields[1]), static_cast<size_t>(list.bits / 4), prefix) || name.empty()) {
                skipped += trimmedField(record.fields[0]) != "Registry" && !(record.fieldCount == 1 && record.fields[0].empty());
                continue;
            }
            const bool copied = name.data() < bytes.constData() || name.data() >= bytes.constData() + bytes.size();
            const auto [made, added] = makerIndex.try_emplace(copied ? unquotedNames.emplace_back(name) : name,
                                                              static_cast<uint32_t>(m_makers.size()));
            if (added) m_makers.push_back(made->first);
            blocks.push_back({prefix, made->second});
        }
        if (skipped > 0) qCWarning(lcLink) << skipped << "garbled or cut-short records skipped in" << path;
    }
    for (std::vector<Block>* blocks : {&m_blocks36, &m_blocks28, &m_blocks24}) {
        std::stable_sort(blocks->begin(), blocks->end());
        blocks->erase(std::unique(blocks->begin(), blocks->end(),
                                  [](const Block& a, const Block& b) { return a.prefix == b.prefix; }),
                      blocks->end());
    }
}

const MakerTable::Block* MakerTable::find(const std::vector<Block>& blocks, uint64_t prefix) const
{
    const auto at = std::lower_bound(blocks.begin(), blocks.end(), Block{prefix, 0});
    return at != blocks.end() && at->prefix == prefix ? &*at : nullptr;
}

QString MakerTable::makerOf(const MacAddress& mac) const
{
    if (!isStationAddress(mac)) return {};
    if ((mac[0] & 0x02) != 0) return locallyAdministered();
    if (!isLoaded()) return {};
    uint64_t value = 0;
    for (const uint8_t b : mac) value = value << 8 | b;
    for (const auto& [blocks, bits] : {std::pair{&m_blocks36, 36}, {&m_blocks28, 28}, {&m_blocks24, 24}})
        if (const Block* block = find(*blocks, value >> (48 - bits))) {
            // A list refreshed from the network is outside text like any other: line breaks
            // inside a quoted name become blanks, then the printable rule holds for the rest.
            const std::string_view name = m_makers[block->maker];
            return printable(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).simplified());
        }
    return {};
}

size_t MakerTable::blockCount() const
{
    return isLoaded() ? m_blocks36.size() + m_blocks28.size() + m_blocks24.size() : 0;
}
