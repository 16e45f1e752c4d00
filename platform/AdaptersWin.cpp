// Windows: the IP Helper adapter list. Compiled only on Windows.

#include "platform/Adapters.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
// winsock2.h must come before anything that pulls in windows.h.
// clang-format off
#include <winsock2.h>
#include <iphlpapi.h>
// clang-format on

namespace vantoro {

AdapterList SystemAdapters::Adapters() const {
    // The list is read into one buffer of this size; a longer list is reported as an overflow,
    // which the commands that read it treat as "end silently".
    constexpr ULONG kBufferBytes = 6400;
    alignas(IP_ADAPTER_INFO) unsigned char buffer[kBufferBytes];
    ULONG size = kBufferBytes;
    auto* first = reinterpret_cast<IP_ADAPTER_INFO*>(buffer);
    const DWORD result = GetAdaptersInfo(first, &size);
    if (result == ERROR_BUFFER_OVERFLOW || size > kBufferBytes) {
        return {AdapterListState::Overflow, {}};
    }
    if (result == ERROR_NO_DATA) {
        return {AdapterListState::Ok, {}};
    }
    if (result != NO_ERROR) {
        return {AdapterListState::Unreadable, {}};
    }

    DWORD defaultRouteIndex = 0;
    // The interface that 0.0.0.0 leaves by: the one with the default route.
    const bool haveDefaultRoute = GetBestInterface(0, &defaultRouteIndex) == NO_ERROR;

    std::vector<Adapter> adapters;
    for (const IP_ADAPTER_INFO* info = first; info != nullptr; info = info->Next) {
        Adapter adapter;
        adapter.name = QString::fromLocal8Bit(info->Description);
        adapter.defaultRoute = haveDefaultRoute && info->Index == defaultRouteIndex;
        for (const IP_ADDR_STRING* entry = &info->IpAddressList; entry != nullptr;
             entry = entry->Next) {
            adapter.addresses.push_back({QString::fromLatin1(entry->IpAddress.String),
                                         QString::fromLatin1(entry->IpMask.String),
                                         info->DhcpEnabled != 0});
        }
        adapters.push_back(std::move(adapter));
    }
    return {AdapterListState::Ok, std::move(adapters)};
}

} // namespace vantoro
#endif
