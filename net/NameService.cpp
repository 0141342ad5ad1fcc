#include "net/NameService.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>

uint16_t SocketErrorOfLookup(int eaiCode) noexcept
{
    // Closest Windows numbers: not found 11001, try again 11002, a name with
    // no IPv4 address 11004, every other failure 11003 (no recovery).
    switch (eaiCode) {
    case 0: return 0;
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_NODATA:
    case EAI_ADDRFAMILY: return WSANO_DATA;
    default: return WSANO_RECOVERY;
    }
}

uint16_t LookupHostByName(const std::string& name, TNameLookup& result)
{
    result = {};
    if (name.empty() || name.find('\0') != std::string::npos) return WSAHOST_NOT_FOUND;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    const int rc = getaddrinfo(name.c_str(), nullptr, &hints, &list);
    if (rc != 0) return SocketErrorOfLookup(rc);
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(list, &freeaddrinfo);
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addrlen < sizeof(sockaddr_in)) continue;
        const uint32_t address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
        if (std::find(result.Addresses.begin(), result.Addresses.end(), address) == result.Addresses.end())
            result.Addresses.push_back(address);
    }
    if (result.Addresses.empty()) return WSANO_DATA;
    result.OfficialName = list->ai_canonname != nullptr ? list->ai_canonname : name;
    return 0;
}

uint16_t LookupHostByAddress(uint32_t address, std::string& name)
{
    name.clear();
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = address;
    char host[NI_MAXHOST] = {};
    const int rc = getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0,
                               NI_NAMEREQD);
    if (rc != 0) return SocketErrorOfLookup(rc);
    name = host;
    return 0;
}
