#include "tests/fuzz/FakeNameService.h"

namespace {

std::vector<FakeNames::Query> Asked;

} // namespace

namespace FakeNames {

std::vector<Query> Take()
{
    std::vector<Query> asked;
    asked.swap(Asked);
    return asked;
}

bool Knows(const std::string& name) { return !name.empty() && name.size() % 2 == 0; }

uint32_t AddressOf(const std::string& name)
{
    uint32_t address = 2166136261u;
    for (const char c : name) address = (address ^ static_cast<unsigned char>(c)) * 16777619u;
    return address == 0xFFFFFFFFu ? 1 : address;
}

std::string NameOf(uint32_t address) { return "host" + std::to_string(address) + ".fake"; }

} // namespace FakeNames

uint16_t SocketErrorOfLookup(int eaiCode) noexcept { return eaiCode == 0 ? 0 : WSAHOST_NOT_FOUND; }

uint16_t LookupHostByName(const std::string& name, TNameLookup& result)
{
    result = {};
    Asked.push_back({true, name, 0});
    if (!FakeNames::Knows(name)) return WSAHOST_NOT_FOUND;
    result.OfficialName = name;
    result.Addresses = {FakeNames::AddressOf(name)};
    return 0;
}

uint16_t LookupHostByAddress(uint32_t address, std::string& name)
{
    name.clear();
    Asked.push_back({false, {}, address});
    if ((address >> 24 & 1) == 0) return WSAHOST_NOT_FOUND;
    name = FakeNames::NameOf(address);
    return 0;
}
