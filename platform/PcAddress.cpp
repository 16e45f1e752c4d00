#include "platform/PcAddress.h"

#include <QHostAddress>
#include <QHostInfo>

namespace vantoro {
namespace {

// Addresses that cannot reach a bridge: unset (0.0.0.0, a disconnected Windows adapter) and
// loopback.
bool IsUsable(const QString& text) {
    const QHostAddress address(text);
    return address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback() &&
           address.toIPv4Address() != 0;
}

const AdapterAddress* FirstUsable(const Adapter& adapter) {
    for (const AdapterAddress& entry : adapter.addresses) {
        if (IsUsable(entry.ipAddress)) {
            return &entry;
        }
    }
    return nullptr;
}

bool IsAdapterAddress(const QString& text, const AdapterList& adapters) {
    for (const Adapter& adapter : adapters.adapters) {
        for (const AdapterAddress& entry : adapter.addresses) {
            if (entry.ipAddress == text) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

QString SystemHostNames::LocalHostName() const {
    return QHostInfo::localHostName();
}

QStringList SystemHostNames::Ipv4AddressesOf(const QString& hostName) const {
    QStringList texts;
    if (hostName.isEmpty()) {
        return texts;
    }
    for (const QHostAddress& address : QHostInfo::fromName(hostName).addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            texts.append(address.toString());
        }
    }
    return texts;
}

QString ChoosePcAddress(const QString& hostName, const QStringList& hostAddresses,
                        const AdapterList& adapters) {
    QString resolved = hostAddresses.value(0); // not const: returned by move
    if (IsUsable(resolved) && IsAdapterAddress(resolved, adapters)) {
        return resolved;
    }
    const AdapterAddress* fallback = nullptr;
    for (const Adapter& adapter : adapters.adapters) {
        const AdapterAddress* entry = adapter.up ? FirstUsable(adapter) : nullptr;
        if (entry != nullptr && (fallback == nullptr || adapter.defaultRoute)) {
            fallback = entry;
            if (adapter.defaultRoute) {
                break;
            }
        }
    }
    if (fallback != nullptr) {
        return fallback->ipAddress;
    }
    return resolved.isEmpty() ? hostName : resolved;
}

} // namespace vantoro
