#include "protocol/NetInterfaces.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <algorithm>

namespace vantoro {

bool HasName(const NetInterface& interfaceEntry, const QString& name) {
    return interfaceEntry.name == name || interfaceEntry.label == name;
}

std::vector<ScanInterface> SelectScanInterfaces(const std::vector<NetInterface>& all,
                                                const QStringList& names) {
    std::vector<ScanInterface> selected;
    for (const NetInterface& entry : all) {
        if (!entry.up || entry.loopback || !entry.canBroadcast || entry.index <= 0) {
            continue;
        }
        if (!names.isEmpty() && std::none_of(names.begin(), names.end(),
                                             [&](const QString& n) { return HasName(entry, n); })) {
            continue;
        }
        const auto address =
            std::find_if(entry.ipv4.begin(), entry.ipv4.end(), [](quint32 a) { return a != 0; });
        // The same interface listed twice (one entry per address on some systems) counts once.
        const bool seen =
            std::any_of(selected.begin(), selected.end(),
                        [&](const ScanInterface& s) { return s.id.index == entry.index; });
        if (address != entry.ipv4.end() && !seen) {
            selected.push_back(
                {{entry.index, entry.label.isEmpty() ? entry.name : entry.label}, *address});
        }
    }
    return selected;
}

QStringList UnknownInterfaceNames(const std::vector<NetInterface>& all, const QStringList& names) {
    QStringList unknown;
    for (const QString& name : names) {
        if (std::none_of(all.begin(), all.end(),
                         [&](const NetInterface& entry) { return HasName(entry, name); })) {
            unknown.append(name);
        }
    }
    return unknown;
}

std::vector<NetInterface> SystemInterfaces() {
    std::vector<NetInterface> list;
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    list.reserve(size_t(all.size()));
    for (const QNetworkInterface& system : all) {
        NetInterface entry;
        entry.index = system.index();
        entry.name = system.name();
        entry.label = system.humanReadableName();
        const QNetworkInterface::InterfaceFlags flags = system.flags();
        entry.up = flags.testFlag(QNetworkInterface::IsUp);
        entry.loopback = flags.testFlag(QNetworkInterface::IsLoopBack);
        entry.canBroadcast = flags.testFlag(QNetworkInterface::CanBroadcast);
        for (const QNetworkAddressEntry& address : system.addressEntries()) {
            if (address.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                entry.ipv4.push_back(address.ip().toIPv4Address());
            }
        }
        list.push_back(std::move(entry));
    }
    return list;
}

} // namespace vantoro
