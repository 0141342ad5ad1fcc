// The ICMP echo engine: one echo request to one IPv4 host at a time.
#pragma once

#include "net/Common.h"
#include "net/IcmpService.h"

#include <functional>
#include <string>

SCANVET_EXCEPTION_CLASS(TICMPException);

class TICMP {
public:
    using TDisplayHook = std::function<void(TICMP* Sender, const std::string& Msg)>;
    using TRequestHook = std::function<void(TICMP* Sender)>;
    using TReplyHook = std::function<void(TICMP* Sender, int32_t Error)>;

    // Raises TICMPException when the echo service cannot be opened.
    TICMP();
    virtual ~TICMP();
    TICMP(const TICMP&) = delete;
    TICMP& operator=(const TICMP&) = delete;

    void SetAddress(const std::string& text);
    // Blocks for up to Timeout ms; the hooks run on the calling thread.
    int32_t Ping();
    // Ends a Ping in progress at once and makes every later Ping return 0
    // without sending. For a close that must not wait for an echo.
    void Abort() noexcept;

    const std::string& Address() const { return FAddress; }
    const std::string& HostName() const { return FHostName; }
    const std::string& HostIP() const { return FHostIP; }
    uint32_t IPAddress() const { return FIPAddress; }
    const TEchoReply& Reply() const { return FReply; }
    uint32_t LastError() const { return FLastError; }
    bool AddressResolved() const { return FAddressResolved; }

    int32_t Size = 56;
    int32_t Timeout = 4000;
    int32_t TTL = 64;
    TDisplayHook OnDisplay;
    TRequestHook OnEchoRequest;
    TReplyHook OnEchoReply;

private:
    void ResolveAddress();

    IcmpHandle FIcmpHandle = INVALID_ICMP_HANDLE;
    TEchoReply FReply{};
    std::string FAddress;
    std::string FHostName;
    std::string FHostIP;
    uint32_t FIPAddress = 0;
    uint32_t FLastError = 0;
    bool FAddressResolved = false;
};
