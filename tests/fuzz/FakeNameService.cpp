// In place of net/NameService.cpp: a name is known when its length is even.
#include "net/NameService.h"

#include <functional>

uint32_t fakeAddressOf(const std::string& name) { return static_cast<uint32_t>(std::hash<std::string>{}(name)); }

std::optional<HostEntry> lookUpHostName(const std::string& name)
{
    if (name.empty() || name.size() % 2 != 0) return std::nullopt;
    return HostEntry{name, {fakeAddressOf(name)}};
}

std::optional<std::string> lookUpHostAddress(uint32_t) { return std::nullopt; }
std::optional<std::string> lookUpLocalHostName() { return std::nullopt; }
