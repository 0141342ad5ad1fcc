// The ping component: the window's way to ping, with its events, and an
// asynchronous name-to-address look-up that completes on its own thread.
#pragma once

#include "net/Icmp.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>

class TPing;

using TPingDisplay = std::function<void(TPing* Sender, TICMP* Icmp, const std::string& Msg)>;
using TPingRequest = std::function<void(TPing* Sender, TICMP* Icmp)>;
using TPingReply = std::function<void(TPing* Sender, TICMP* Icmp, int32_t Error)>;
using TDnsLookupDone = std::function<void(TPing* Sender, uint16_t Error)>;

constexpr uint16_t WSAEINTR = 10004;

class TPing : public QObject {
    Q_OBJECT
public:
    // Raises what the engine raises (TICMPException); nothing is created then.
    explicit TPing(QObject* Owner = nullptr);
    ~TPing() override;

    std::string Address() const;
    void SetAddress(const std::string& text);
    int32_t Size() const;
    void SetSize(int32_t value);
    int32_t Timeout() const;
    void SetTimeout(int32_t value);
    int32_t TTL() const;
    void SetTTL(int32_t value);

    int32_t Ping();
    void Abort() noexcept;
    TEchoReply Reply() const;
    TICMP* Engine() const { return FEngine.get(); }

    virtual void DnsLookup(const std::string& LookupName);
    void CancelDnsLookup();
    const std::string& DnsResult() const { return FDnsResult; }
    bool LookupPending() const { return FLookupHandle != 0; }
    // Look-up workers of every component that have not finished yet; once 0,
    // every completion they will ever deliver is already queued.
    static int RunningLookups() noexcept;

    TPingDisplay OnDisplay;
    TPingRequest OnEchoRequest;
    TPingReply OnEchoReply;
    TDnsLookupDone OnDnsLookupDone;

private:
    struct LookupShared;
    void LookupDone(uint32_t handle, uint16_t error, uint32_t firstAddress);

    std::unique_ptr<TICMP> FEngine;
    std::shared_ptr<LookupShared> FShared;
    uint32_t FLookupHandle = 0;
    std::string FDnsResult;
};
