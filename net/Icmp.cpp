#include "net/Icmp.h"

#include "net/NameService.h"

#include <cstring>
#include <vector>

TICMP::TICMP()
{
    // Linux needs no socket service start-up and no library to load; only
    // opening the ICMP socket can fail here.
    FIcmpHandle = IcmpCreateFile();
    if (FIcmpHandle == INVALID_ICMP_HANDLE) throw TICMPException("Unable to get ping handle");
}

TICMP::~TICMP()
{
    if (FIcmpHandle != INVALID_ICMP_HANDLE) IcmpCloseHandle(FIcmpHandle);
}

void TICMP::SetAddress(const std::string& text)
{
    if (text == FAddress) return;
    FAddress = text;
    FAddressResolved = false;
}

void TICMP::ResolveAddress()
{
    FIPAddress = ParseDottedAddress(FAddress);
    if (FIPAddress != INADDR_ALL_ONES) {
        FHostName = FAddress;
    } else {
        TNameLookup found;
        const uint16_t error = LookupHostByName(FAddress, found);
        if (error != 0) {
            FLastError = error;
            if (OnDisplay) OnDisplay(this, "Unable to resolve " + FAddress);
            return;
        }
        FIPAddress = found.Addresses.front();
        FHostName = found.OfficialName;
    }
    FHostIP = DottedText(FIPAddress);
    FAddressResolved = true;
}

int32_t TICMP::Ping()
{
    FLastError = 0;
    if (!FAddressResolved) ResolveAddress();
    if (FIPAddress == INADDR_ALL_ONES) {
        FLastError = IP_BAD_DESTINATION;
        if (OnDisplay) OnDisplay(this, "Invalid host address");
        return 0;
    }

    // A negative size asks for no data; its low 16 bits would otherwise claim
    // data that was never allocated.
    const size_t dataSize = Size > 0 ? static_cast<size_t>(Size) : 0;
    const std::vector<uint8_t> request(dataSize);
    std::vector<uint8_t> reply(sizeof(TEchoReply) + dataSize);

    if (OnEchoRequest) OnEchoRequest(this);

    IP_OPTION_INFORMATION options{};
    options.Ttl = static_cast<uint8_t>(TTL & 0xFF);
    const uint32_t count =
        IcmpSendEcho(FIcmpHandle, FIPAddress, request.empty() ? nullptr : request.data(),
                     static_cast<uint16_t>(dataSize & 0xFFFF), &options, reply.data(),
                     static_cast<uint32_t>(reply.size()), static_cast<uint32_t>(Timeout));
    FLastError = GetIcmpLastError();
    std::memcpy(&FReply, reply.data(), sizeof FReply);

    if (OnEchoReply) OnEchoReply(this, static_cast<int32_t>(count));
    return static_cast<int32_t>(count);
}

void TICMP::Abort() noexcept
{
    if (FIcmpHandle != INVALID_ICMP_HANDLE) IcmpAbort(FIcmpHandle);
}
