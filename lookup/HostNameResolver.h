// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The host names of found computers, looked up in the background by a few
// threads, so that neither the scan nor the window waits for a name server.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>

// The name a found computer's entry shows: "localhost" for 127.0.0.1, "n/a"
// for every other address whose text starts with "127" (neither is looked
// up), else the address's name from the name service, trimmed, with every
// control character replaced by "?" so that no name can reach a terminal
// or a file as anything but text. Empty when it has none. Blocks.
QString listNameOf(const std::string& address);

class HostNameResolver {
public:
    static constexpr int DefaultThreads = 4;

    explicit HostNameResolver(int maxThreads = DefaultThreads);
    // Closes; never waits for a name server.
    ~HostNameResolver();
    HostNameResolver(const HostNameResolver&) = delete;
    HostNameResolver& operator=(const HostNameResolver&) = delete;

    // Looks the address's list name up on one of at most maxThreads threads,
    // one step above normal priority where the system allows it, and then
    // runs deliver(name) on that thread, the name empty when it has none.
    // Look-ups wait their turn in the order asked.
    void resolve(const std::string& address, std::function<void(const QString& name)> deliver);
    // Forgets the look-ups not yet started and returns once no deliver runs;
    // none runs after it. A thread still waiting for a name server ends by
    // itself later and touches nothing of the caller's.
    void close();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};
