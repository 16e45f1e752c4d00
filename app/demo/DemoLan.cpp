#include "app/demo/DemoLan.h"

#include "config/IpSettings.h"
#include "config/Ipv4.h"
#include "platform/AddressEntries.h"
#include "platform/Platform.h"

namespace vantoro::demo {
namespace {

std::optional<sim::Subnet> SubnetOf(const QString& address, const QString& mask) {
    const std::optional<quint32> ip = ParseIpv4(address.toStdString());
    const std::optional<quint32> bits = ParseIpv4(mask.toStdString());
    if (!ip || !bits || *bits == 0 || !IsContiguousMask(*bits)) {
        return std::nullopt;
    }
    return sim::Subnet{*ip, *bits};
}

} // namespace

std::optional<sim::Subnet> PcSubnet(const Platform& platform) {
    const std::optional<QList<PcAddressEntry>> entries =
        AddressEntries<PcAddressEntry>(platform.Adapters());
    if (!entries || entries->isEmpty()) {
        return std::nullopt;
    }
    const PcIpSettings pc = LookUpPcAddress(platform.PcAddress(), *entries);
    if (const std::optional<sim::Subnet> own = SubnetOf(pc.address, pc.mask)) {
        return own;
    }
    return SubnetOf(entries->constFirst().ipAddress, entries->constFirst().subnetMask);
}

std::unique_ptr<sim::SimulatedLan> MakeDemoLan(const Platform& platform) {
    return std::make_unique<sim::SimulatedLan>(sim::DemoFleet(PcSubnet(platform)));
}

} // namespace vantoro::demo
