// Placeholder until the component lands.
#include "net/Ping.h"

struct TPing::LookupShared {};

TPing::TPing(QObject* Owner) : QObject(Owner), FEngine(std::make_unique<TICMP>()) {}
TPing::~TPing() = default;
std::string TPing::Address() const { return FEngine->Address(); }
void TPing::SetAddress(const std::string& text) { FEngine->SetAddress(text); }
int32_t TPing::Size() const { return FEngine->Size; }
void TPing::SetSize(int32_t value) { FEngine->Size = value; }
int32_t TPing::Timeout() const { return FEngine->Timeout; }
void TPing::SetTimeout(int32_t value) { FEngine->Timeout = value; }
int32_t TPing::TTL() const { return FEngine->TTL; }
void TPing::SetTTL(int32_t value) { FEngine->TTL = value; }
int32_t TPing::Ping() { return FEngine->Ping(); }
void TPing::Abort() noexcept { FEngine->Abort(); }
TEchoReply TPing::Reply() const { return FEngine->Reply(); }
void TPing::DnsLookup(const std::string&) {}
void TPing::CancelDnsLookup() {}
void TPing::LookupDone(uint32_t, uint16_t, uint32_t) {}
