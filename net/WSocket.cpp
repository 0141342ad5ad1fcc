// Name and address look-ups on libc's resolver. Linux binds these directly,
// so there is no library to load and no socket service to start; the look-ups
// keep no state of their own and may run on many threads at once.
#include "net/WSocket.h"

#include "net/NameService.h"

#include <unistd.h>

#include <cstring>

namespace {

// Texts go to the resolver the way they went into a 257-byte buffer.
constexpr size_t MaxCallText = 255;
constexpr size_t MaxHostText = 256;
constexpr size_t HostNameBufferSize = 64;

std::string CallText(const std::string& text) { return text.substr(0, MaxCallText); }

// Created with the layer, refilled by each call; the GUI thread's alone.
TStringList IPList;

} // namespace

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

std::string WSocket_inet_ntoa(uint32_t address) { return DottedText(address); }

uint32_t WSocket_inet_addr(const std::string& text) { return ParseDottedAddress(CallText(text)); }

bool WSocketGetHostByName(const std::string& name, THostEntry& entry)
{
    TNameLookup found;
    if (LookupHostByName(CallText(name), found) != 0) return false;
    entry.Name = std::move(found.OfficialName);
    entry.Addresses = std::move(found.Addresses);
    return true;
}

bool WSocketGetHostByAddr(const std::string& dottedAddress, THostEntry& entry)
{
    // Not validated: a text that is no dotted address asks for all ones.
    const uint32_t address = WSocket_inet_addr(dottedAddress);
    std::string name;
    if (LookupHostByAddress(address, name) != 0) return false;
    entry.Name = std::move(name);
    entry.Addresses = {address};
    return true;
}

uint32_t WSocketResolveHost(const std::string& HostText)
{
    if (HostText.empty() || HostText.size() > MaxHostText)
        throw ESocketException("WSocketResolveHost: '" + HostText + "' Invalid Hostname.");
    const std::string text = CallText(Trim(HostText));
    if (!text.empty() && IsDigit(text[0])) {
        const uint32_t address = WSocket_inet_addr(text);
        if (address != INADDR_ALL_ONES) return address;
        if (text == "255.255.255.255") return INADDR_ALL_ONES;
        throw ESocketException("WSocketResolveHost: '" + HostText + "' Invalid IP address.");
    }
    THostEntry entry;
    if (!WSocketGetHostByName(text, entry))
        throw ESocketException("WSocketResolveHost: Cannot convert host address '" + HostText + "'");
    return entry.Addresses.front();
}

std::string WSocketResolveIp(const std::string& DottedAddress)
{
    THostEntry entry;
    if (!WSocketGetHostByAddr(DottedAddress, entry)) return {};
    return entry.Name;
}

void WSocketAddHostAddresses(const THostEntry& entry, TStringList& list)
{
    for (const uint32_t address : entry.Addresses) list.Add(WSocket_inet_ntoa(address));
}

std::string WSocketLocalHostName()
{
    char buffer[HostNameBufferSize] = {};
    if (gethostname(buffer, sizeof buffer) != 0) throw ESocketException("Winsock.GetHostName failed");
    // A name that fills the buffer comes back without its terminating zero.
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

const TStringList& WSocketLocalIPList()
{
    IPList.Clear();
    THostEntry entry;
    if (WSocketGetHostByName(WSocketLocalHostName(), entry)) WSocketAddHostAddresses(entry, IPList);
    return IPList;
}
