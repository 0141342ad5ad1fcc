// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The binding of the name look-ups to libc's resolver. Nothing here keeps
// state, so look-ups may run on many threads at once.
#include "net/NameService.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

std::optional<HostEntry> lookUpHostName(const std::string& name)
{
    if (name.empty() || name.find('\0') != std::string::npos) return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0) return std::nullopt;
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(list, &freeaddrinfo);
    HostEntry entry;
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addrlen < sizeof(sockaddr_in)) continue;
        const uint32_t address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
        if (std::find(entry.addresses.begin(), entry.addresses.end(), address) == entry.addresses.end())
            entry.addresses.push_back(address);
    }
    if (entry.addresses.empty()) return std::nullopt;
    entry.name = list != nullptr && list->ai_canonname != nullptr ? list->ai_canonname : name;
    return entry;
}

std::optional<std::string> lookUpHostAddress(uint32_t address)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = address;
    char host[NI_MAXHOST] = {};
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0,
                    NI_NAMEREQD) != 0)
        return std::nullopt;
    return std::string(host);
}

std::optional<std::string> lookUpLocalHostName()
{
    // The classic 64-byte buffer: a longer name cannot be read.
    char buffer[64] = {};
    if (gethostname(buffer, sizeof buffer) != 0) return std::nullopt;
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}
