// The platform's name service (the resolver of libc), for the look-ups of the
// whole network layer. Failures come back as Windows socket numbers, which is
// what the rest of the program reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint16_t WSAHOST_NOT_FOUND = 11001;
constexpr uint16_t WSATRY_AGAIN = 11002;
constexpr uint16_t WSANO_RECOVERY = 11003;
constexpr uint16_t WSANO_DATA = 11004;

struct TNameLookup {
    std::string OfficialName;
    std::vector<uint32_t> Addresses;  // IPv4, network byte order, in the resolver's order
};

// Name to IPv4 addresses. 0 on success (at least one address), else an error
// number above. An empty name names no host and is not asked for.
uint16_t LookupHostByName(const std::string& name, TNameLookup& result);
// Address to its name; 0 on success, else an error number above.
uint16_t LookupHostByAddress(uint32_t address, std::string& name);
// getaddrinfo's EAI_* codes as Windows socket numbers.
uint16_t SocketErrorOfLookup(int eaiCode) noexcept;
