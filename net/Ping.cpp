#include "net/Ping.h"

#include "net/NameService.h"

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

// Look-ups run on worker threads that nobody waits for; this is what they
// share with the component. Owner is cleared when the component goes, so a
// worker that finishes later touches nothing.
namespace {
std::atomic<int> Running{0};
} // namespace

int TPing::RunningLookups() noexcept { return Running.load(); }

struct TPing::LookupShared {
    std::mutex Mutex;
    TPing* Owner = nullptr;
    uint32_t LastHandle = 0;
};

TPing::TPing(QObject* Owner)
    : QObject(Owner), FEngine(std::make_unique<TICMP>()), FShared(std::make_shared<LookupShared>())
{
    FShared->Owner = this;
    FEngine->OnDisplay = [this](TICMP* icmp, const std::string& msg) {
        if (OnDisplay) OnDisplay(this, icmp, msg);
    };
    FEngine->OnEchoRequest = [this](TICMP* icmp) {
        if (OnEchoRequest) OnEchoRequest(this, icmp);
    };
    FEngine->OnEchoReply = [this](TICMP* icmp, int32_t error) {
        if (OnEchoReply) OnEchoReply(this, icmp, error);
    };
}

TPing::~TPing()
{
    try {
        CancelDnsLookup();
    } catch (...) {
        // A handler's failure must not end the program from a destructor.
    }
    std::lock_guard lock(FShared->Mutex);
    FShared->Owner = nullptr;
}

std::string TPing::Address() const { return FEngine ? FEngine->Address() : std::string(); }
void TPing::SetAddress(const std::string& text)
{
    if (FEngine) FEngine->SetAddress(text);
}
int32_t TPing::Size() const { return FEngine ? FEngine->Size : 0; }
void TPing::SetSize(int32_t value)
{
    if (FEngine) FEngine->Size = value;
}
int32_t TPing::Timeout() const { return FEngine ? FEngine->Timeout : 0; }
void TPing::SetTimeout(int32_t value)
{
    if (FEngine) FEngine->Timeout = value;
}
int32_t TPing::TTL() const { return FEngine ? FEngine->TTL : 0; }
void TPing::SetTTL(int32_t value)
{
    if (FEngine) FEngine->TTL = value;
}

int32_t TPing::Ping() { return FEngine ? FEngine->Ping() : 0; }

void TPing::Abort() noexcept
{
    if (FEngine) FEngine->Abort();
}

TEchoReply TPing::Reply() const { return FEngine ? FEngine->Reply() : TEchoReply{}; }

void TPing::DnsLookup(const std::string& LookupName)
{
    // A look-up on its way cannot be stopped; forgetting its handle is
    // enough, its completion will not match.
    FLookupHandle = 0;
    FDnsResult.clear();

    const uint32_t dotted = ParseDottedAddress(LookupName);
    if (dotted != INADDR_ALL_ONES) {
        FDnsResult = DottedText(dotted);
        if (OnDnsLookupDone) OnDnsLookupDone(this, 0);
        return;
    }

    uint32_t handle = 0;
    {
        std::lock_guard lock(FShared->Mutex);
        if (++FShared->LastHandle == 0) ++FShared->LastHandle;
        handle = FShared->LastHandle;
    }
    ++Running;
    try {
        std::thread([shared = FShared, handle, name = LookupName] {
            uint16_t error = WSANO_RECOVERY;
            uint32_t first = 0;
            try {
                TNameLookup found;
                error = LookupHostByName(name, found);
                if (error == 0) first = found.Addresses.front();
            } catch (...) {  // out of memory: reported as a failed look-up
            }
            {
                std::lock_guard lock(shared->Mutex);
                // While the lock is held the component cannot finish its
                // destruction, so posting to it is safe.
                if (TPing* owner = shared->Owner)
                    QMetaObject::invokeMethod(
                        owner, [owner, handle, error, first] { owner->LookupDone(handle, error, first); },
                        Qt::QueuedConnection);
            }
            --Running;
        }).detach();
    } catch (const std::system_error& e) {
        --Running;
        throw Exception(LookupName + ": can't start DNS lookup, error #" + std::to_string(e.code().value()));
    }
    FLookupHandle = handle;
}

void TPing::CancelDnsLookup()
{
    if (FLookupHandle == 0) return;
    FLookupHandle = 0;
    if (OnDnsLookupDone) OnDnsLookupDone(this, WSAEINTR);
}

void TPing::LookupDone(uint32_t handle, uint16_t error, uint32_t firstAddress)
{
    if (handle == 0 || handle != FLookupHandle) return;
    FLookupHandle = 0;
    if (error == 0) FDnsResult = DottedText(firstAddress);
    if (OnDnsLookupDone) OnDnsLookupDone(this, error);
}
