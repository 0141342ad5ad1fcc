// A name service that never leaves the process: it takes the place of
// net/NameService.cpp at link time, answers by a fixed rule and records what
// it was asked.
#pragma once

#include "net/NameService.h"

#include <string>
#include <vector>

namespace FakeNames {

struct Query {
    bool ByName;
    std::string Name;       // for a name query
    uint32_t Address = 0;   // for an address query
};

// Queries since the last call, which empties the record.
std::vector<Query> Take();
// The rule: a name is known when its length is even; its one address is made
// from its bytes. An address has a name when its last byte is odd.
bool Knows(const std::string& name);
uint32_t AddressOf(const std::string& name);
std::string NameOf(uint32_t address);

} // namespace FakeNames
