// Name and address look-ups for the rest of the program.
#pragma once

#include "net/Common.h"

#include <string>
#include <vector>

SCANVET_EXCEPTION_CLASS(ESocketException);

struct THostEntry {             // what the layer reads of a host entry
    std::string Name;           // official name
    std::vector<uint32_t> Addresses;  // network byte order
};

// Forward look-up of a dotted address or host name. Raises ESocketException.
uint32_t WSocketResolveHost(const std::string& HostText);
// Reverse look-up; empty text when the address has no name.
std::string WSocketResolveIp(const std::string& DottedAddress);
std::string WSocketLocalHostName();
// Always the same list, refilled on each call; read it, do not keep it.
const TStringList& WSocketLocalIPList();
std::string WSocket_inet_ntoa(uint32_t address);
uint32_t WSocket_inet_addr(const std::string& text);
bool WSocketGetHostByName(const std::string& name, THostEntry& entry);
bool WSocketGetHostByAddr(const std::string& dottedAddress, THostEntry& entry);
void WSocketAddHostAddresses(const THostEntry& entry, TStringList& list);
bool IsDigit(char c) noexcept;
