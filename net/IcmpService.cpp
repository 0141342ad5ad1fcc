// Placeholder until the socket implementation lands.
#include "net/IcmpService.h"

IcmpHandle IcmpCreateFile() noexcept { return INVALID_ICMP_HANDLE; }
uint32_t IcmpSendEcho(IcmpHandle, uint32_t, const void*, uint16_t, const IP_OPTION_INFORMATION*, void*,
                      uint32_t, uint32_t) noexcept
{
    return 0;
}
void IcmpCloseHandle(IcmpHandle) noexcept {}
void IcmpAbort(IcmpHandle) noexcept {}
uint32_t GetIcmpLastError() noexcept { return IP_GENERAL_FAILURE; }
