#pragma once

// The PC's IPv4 address entries as the IP rules take them, for every front end that needs them
// (the IP setting dialog, the advanced settings path, vantoro-cli set-ip).

#include "platform/Adapters.h"

#include <QList>
#include <optional>

namespace vantoro {

// Every address entry, adapter by adapter in the system's order, each built as
// Entry{ipAddress, subnetMask, dhcp}; nullopt when the adapter list overflowed its buffer. A
// template so that this layer needs no header of the rules that define the entry type.
template <typename Entry> std::optional<QList<Entry>> AddressEntries(const AdapterList& list) {
    if (list.state == AdapterListState::Overflow) {
        return std::nullopt;
    }
    QList<Entry> entries;
    for (const Adapter& adapter : list.adapters) {
        for (const AdapterAddress& address : adapter.addresses) {
            entries.append(Entry{address.ipAddress, address.subnetMask, address.dhcp});
        }
    }
    return entries;
}

} // namespace vantoro
