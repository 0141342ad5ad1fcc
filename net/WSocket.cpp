// Placeholder until the socket layer lands.
#include "net/WSocket.h"

uint32_t WSocketResolveHost(const std::string&) { throw ESocketException("not yet"); }
std::string WSocketResolveIp(const std::string&) { return {}; }
std::string WSocketLocalHostName() { return {}; }
const TStringList& WSocketLocalIPList()
{
    static TStringList list;
    return list;
}
std::string WSocket_inet_ntoa(uint32_t address) { return DottedText(address); }
uint32_t WSocket_inet_addr(const std::string& text) { return ParseDottedAddress(text); }
bool WSocketGetHostByName(const std::string&, THostEntry&) { return false; }
bool WSocketGetHostByAddr(const std::string&, THostEntry&) { return false; }
void WSocketAddHostAddresses(const THostEntry&, TStringList&) {}
bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
