// What every fuzz target shares: the entry point libFuzzer calls, and a check
// that ends the run with a message the crash report keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace Fuzz {

[[noreturn]] inline void Fail(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

inline std::string Text(const uint8_t* data, size_t size)
{
    return size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
}

} // namespace Fuzz

#define FUZZ_CHECK(condition)                                                  \
    do {                                                                       \
        if (!(condition)) ::Fuzz::Fail(#condition, __FILE__, __LINE__);        \
    } while (0)
