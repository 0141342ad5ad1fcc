// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Reverse look-ups: the host names of addresses. Those of found computers
// are looked up in the background by a few threads, so that neither the
// scan nor the window waits for a name server.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>

// The name of a dotted address; empty when it has none. The text is not
// checked: one that is no dotted address asks for the all-ones address.
// Blocks for the name service.
[[nodiscard]] std::string hostNameOf(const std::string& dottedAddress);

// The name a found computer's entry shows: "localhost" for 127.0.0.1, "n/a"
// for every other address whose text starts with "127" (neither is looked
// up), else the address's name from the name service, trimmed, with every
// control, bidirectional or format character replaced by "?" (see
// printable()) so that no name can reach a terminal, a file or a notice as
// anything but text in its own order. Empty when it has none. Blocks.
[[nodiscard]] QString listNameOf(const std::string& address);

class ReverseLookupPool {
public:
    static constexpr int DefaultThreads = 4;

    explicit ReverseLookupPool(int maxThreads = DefaultThreads);
    // Closes; never waits for a name server.
    ~ReverseLookupPool();
    ReverseLookupPool(const ReverseLookupPool&) = delete;
    ReverseLookupPool& operator=(const ReverseLookupPool&) = delete;

    // Looks the address's list name up on one of at most maxThreads threads,
    // one step above normal priority where the system allows it, and then
    // runs deliver(name) on that thread, the name empty when it has none.
    // Look-ups wait their turn in the order asked. False when it will never
    // be delivered: the pool is closed, or no thread could start.
    [[nodiscard]] bool resolve(const std::string& address, std::function<void(const QString& name)> deliver);
    // Forgets the look-ups not yet started and returns once no deliver runs;
    // none runs after it. A thread still waiting for a name server ends by
    // itself later and touches nothing of the caller's.
    void close();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};
