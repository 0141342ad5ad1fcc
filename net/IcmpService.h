// The platform's ICMP echo service: open, send one echo and wait, close.
// Same contract as the classic ICMP helper library, built on Linux sockets:
// an unprivileged ICMP datagram socket where net.ipv4.ping_group_range allows
// it, else a raw socket (CAP_NET_RAW).
#pragma once

#include <cstdint>

using IcmpHandle = intptr_t;
constexpr IcmpHandle INVALID_ICMP_HANDLE = -1;

// Status numbers of the classic ICMP helper, kept as they were.
enum : uint32_t {
    IP_SUCCESS = 0,
    IP_BUF_TOO_SMALL = 11001,
    IP_DEST_NET_UNREACHABLE = 11002,
    IP_DEST_HOST_UNREACHABLE = 11003,
    IP_DEST_PROT_UNREACHABLE = 11004,
    IP_DEST_PORT_UNREACHABLE = 11005,
    IP_NO_RESOURCES = 11006,
    IP_BAD_OPTION = 11007,
    IP_PACKET_TOO_BIG = 11009,
    IP_REQ_TIMED_OUT = 11010,
    IP_BAD_REQ = 11011,
    IP_BAD_ROUTE = 11012,
    IP_TTL_EXPIRED_TRANSIT = 11013,
    IP_TTL_EXPIRED_REASSEM = 11014,
    IP_PARAM_PROBLEM = 11015,
    IP_SOURCE_QUENCH = 11016,
    IP_BAD_DESTINATION = 11018,
    IP_GENERAL_FAILURE = 11050,
};
// A call ended by IcmpAbort: the socket service's interrupted-call code.
constexpr uint32_t ICMP_ABORTED = 10004;

#pragma pack(push, 1)
struct IP_OPTION_INFORMATION {  // 8 bytes, 32-bit layout
    uint8_t Ttl;
    uint8_t Tos;
    uint8_t Flags;
    uint8_t OptionsSize;
    uint32_t OptionsData;       // pointer slot of the 32-bit layout; unused
};

struct TEchoReply {             // ICMP_ECHO_REPLY, 28 bytes, 32-bit layout
    uint32_t Address;           // replying address, network byte order
    uint32_t Status;            // IP_* status
    uint32_t RoundTripTime;     // whole milliseconds
    uint16_t DataSize;
    uint16_t Reserved;
    uint32_t Data;              // pointer slot; never valid after the call
    IP_OPTION_INFORMATION Options;
};
#pragma pack(pop)
static_assert(sizeof(IP_OPTION_INFORMATION) == 8);
static_assert(sizeof(TEchoReply) == 28);

// -1 when no ICMP socket can be opened (GetIcmpLastError tells why).
IcmpHandle IcmpCreateFile() noexcept;
// Blocks until our own echo reply arrives or timeoutMs passes on the monotonic
// clock. Returns the number of reply records stored at the start of
// replyBuffer (0 or 1); 0 on time-out, on an ICMP error quoting our request,
// on failure or after IcmpAbort. The status goes to GetIcmpLastError and, when
// replyBufferSize allows, to the record's Status.
uint32_t IcmpSendEcho(IcmpHandle handle, uint32_t destination, const void* requestData,
                      uint16_t requestSize, const IP_OPTION_INFORMATION* options,
                      void* replyBuffer, uint32_t replyBufferSize, uint32_t timeoutMs) noexcept;
// Safe while another thread waits on the handle: that wait ends as by
// IcmpAbort, and the socket closes when it has returned.
void IcmpCloseHandle(IcmpHandle handle) noexcept;
// Wakes a blocked IcmpSendEcho on this handle; it and every later call return 0.
void IcmpAbort(IcmpHandle handle) noexcept;
// The status or errno-derived code of the calling thread's last call.
uint32_t GetIcmpLastError() noexcept;

// Beyond the classic contract: which socket a handle uses, for tests and
// diagnostics. IcmpCreateFile tries Datagram first, then Raw.
enum class IcmpSocketKind { Datagram, Raw };
IcmpHandle IcmpCreateFileOfKind(IcmpSocketKind kind) noexcept;
bool IcmpHandleKind(IcmpHandle handle, IcmpSocketKind& kind) noexcept;
// The echo identifier that requests of this handle carry.
bool IcmpHandleIdentifier(IcmpHandle handle, uint16_t& identifier) noexcept;
