#pragma once

// The PC's own IPv4 address: its host name's first address, checked against the adapters.

#include "platform/Adapters.h"

#include <QString>
#include <QStringList>

namespace vantoro {

class HostNames {
public:
    virtual ~HostNames() = default;
    // Empty when it cannot be read.
    virtual QString LocalHostName() const = 0;
    // The IPv4 addresses the name resolves to, dotted decimal, in the resolver's order.
    virtual QStringList Ipv4AddressesOf(const QString& hostName) const = 0;
};

// The system's resolver (hosts file, DNS).
class SystemHostNames final : public HostNames {
public:
    QString LocalHostName() const override;
    QStringList Ipv4AddressesOf(const QString& hostName) const override;
};

// The host name's first IPv4 address when it is an address of one of the adapters. A host name
// that resolves to loopback (many Linux systems map it to 127.0.1.1), to an address that no
// adapter has, or not at all, gives instead the first address of the first adapter that is up,
// the adapter with the default route first. Without any such adapter: the host name's first
// address, else the host name itself.
QString ChoosePcAddress(const QString& hostName, const QStringList& hostAddresses,
                        const AdapterList& adapters);

} // namespace vantoro
