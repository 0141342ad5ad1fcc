// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Who made a network card, from its MAC address: IEEE's registries as
// Debian's ieee-data ships them. Loaded once, on a worker thread, the first
// time it is needed; looked up from any thread afterwards.
#pragma once

#include "net/MacAddress.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class MakerTable : public QObject {
    Q_OBJECT

public:
    // Debian's folders: /usr/share/ieee-data, and /var/lib/ieee-data, where
    // update-ieee-data keeps newer copies.
    static QStringList debianFolders();
    static QString locallyAdministered() { return QStringLiteral("(locally administered)"); }

    // Each list (oui.csv: 24-bit MA-L, mam.csv: 28-bit MA-M, oui36.csv and
    // iab.csv: 36-bit MA-S and IAB) is read from the folder with its newest copy.
    explicit MakerTable(QStringList folders = debianFolders(), QObject* parent = nullptr);
    ~MakerTable() override;  // waits for a load under way (tens of milliseconds)
    MakerTable(const MakerTable&) = delete;
    MakerTable& operator=(const MakerTable&) = delete;

    // Starts the load on a worker thread, the first time; from any thread.
    // Call it once makers will be wanted (the first test on the link).
    void startLoading();
    [[nodiscard]] bool isLoaded() const noexcept { return m_loaded.load(std::memory_order_acquire); }
    // Starts the load and blocks until it is done or the time is up (the
    // command line, tests). True once loaded.
    [[nodiscard]] bool waitUntilLoaded(std::chrono::milliseconds timeout);

    // The maker; "(locally administered)" where the MAC says so; empty for
    // all zeros or all ones, where no list knows it, and until the lists
    // are loaded (loaded() tells when to ask again). The longest block
    // wins: 36 bits, then 28, then 24. From any thread.
    [[nodiscard]] QString makerOf(const MacAddress& mac) const;
    // Blocks known, once loaded.
    [[nodiscard]] size_t blockCount() const;

Q_SIGNALS:
    // Once, in the table's own thread (its event loop), after the load.
    void loaded();

private:
    struct Block {
        uint64_t prefix;  // the block's leading bits as a number
        uint32_t maker;   // index into m_makers
        bool operator<(const Block& other) const noexcept { return prefix < other.prefix; }
    };
    void load();
    [[nodiscard]] const Block* find(const std::vector<Block>& blocks, uint64_t prefix) const;

    const QStringList m_folders;
    // Written by the worker alone until m_loaded, read-only afterwards.
    std::vector<Block> m_blocks36, m_blocks28, m_blocks24;
    // The names as the lists hold them, made readable at their look-up: a
    // load turns no name it is not asked for into text, so that it takes
    // less of the cores a test's sweep runs on.
    std::vector<std::string_view> m_makers;
    std::vector<QByteArray> m_texts;             // the lists' bytes, which the names view
    std::deque<std::string> m_unquotedNames;     // names that had to be unquoted
    std::atomic<bool> m_loaded{false};
    std::once_flag m_started;
    std::thread m_loader;
    std::mutex m_waitMutex;
    std::condition_variable m_loadedCondition;
};
