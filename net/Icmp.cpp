// Placeholder until the engine lands.
#include "net/Icmp.h"

TICMP::TICMP() {}
TICMP::~TICMP() = default;
void TICMP::SetAddress(const std::string& text) { FAddress = text; }
int32_t TICMP::Ping() { return 0; }
void TICMP::Abort() noexcept {}
void TICMP::ResolveAddress() {}
