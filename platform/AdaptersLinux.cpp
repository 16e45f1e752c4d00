// Linux: the adapters as Qt lists them; which one carries the default route, which Qt does not
// say, from the kernel's route table.

#include "platform/Adapters.h"

#include <QFile>
#include <QNetworkInterface>
#include <limits>

namespace vantoro {
namespace {

// The interface of the IPv4 default route with the lowest metric, empty without one. The calling
// thread's own table: a thread may have joined another network namespace than its process.
QString DefaultRouteInterface() {
    QFile table(QStringLiteral("/proc/thread-self/net/route"));
    if (!table.open(QIODevice::ReadOnly | QIODevice::Text)) {
        table.setFileName(QStringLiteral("/proc/net/route"));
        if (!table.open(QIODevice::ReadOnly | QIODevice::Text)) {
            return {};
        }
    }
    constexpr uint kRouteUp = 0x1; // RTF_UP
    QString best;
    uint bestMetric = std::numeric_limits<uint>::max();
    table.readLine(); // the column names
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ..., numbers in hex but the metric.
    for (QByteArray line = table.readLine(); !line.isEmpty(); line = table.readLine()) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 8) {
            continue;
        }
        bool ok = true;
        const auto number = [&ok](const QByteArray& text, int base) {
            bool parsed = false;
            const uint value = text.toUInt(&parsed, base);
            ok = ok && parsed;
            return value;
        };
        const uint destination = number(fields[1], 16);
        const uint flags = number(fields[3], 16);
        const uint metric = number(fields[6], 10);
        const uint mask = number(fields[7], 16);
        if (ok && destination == 0 && mask == 0 && (flags & kRouteUp) != 0 &&
            (best.isEmpty() || metric < bestMetric)) {
            best = QString::fromUtf8(fields[0]);
            bestMetric = metric;
        }
    }
    return best;
}

} // namespace

AdapterList SystemAdapters::Adapters() const {
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    // Every system has a loopback interface: an empty list is one that could not be read.
    if (all.isEmpty()) {
        return {AdapterListState::Unreadable, {}};
    }
    const QString routed = DefaultRouteInterface();
    std::vector<Adapter> adapters;
    for (const QNetworkInterface& system : all) {
        if (system.flags().testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        Adapter adapter;
        adapter.name = system.name();
        adapter.up = system.flags().testFlag(QNetworkInterface::IsUp);
        adapter.defaultRoute = !routed.isEmpty() && adapter.name == routed;
        for (const QNetworkAddressEntry& entry : system.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                // A lease has a lifetime; an address set by hand has none.
                adapter.addresses.push_back({entry.ip().toString(), entry.netmask().toString(),
                                             entry.isLifetimeKnown() && !entry.isPermanent()});
            }
        }
        if (!adapter.addresses.empty()) {
            adapters.push_back(std::move(adapter));
        }
    }
    return {AdapterListState::Ok, std::move(adapters)};
}

} // namespace vantoro
