#include "tests/Lab.h"

#include <cstdlib>

namespace Lab {

std::string Unavailable()
{
    if (const char* why = std::getenv("SCANVET_LAB_UNAVAILABLE")) return why;
    if (std::getenv("SCANVET_LAB") == nullptr) return "not started through tests/lab/netlab.sh";
    return {};
}

std::string SocketKind()
{
    const char* kind = std::getenv("SCANVET_LAB_SOCKET");
    return kind != nullptr ? kind : "";
}

} // namespace Lab
