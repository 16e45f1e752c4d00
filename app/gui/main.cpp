// The GUI program. The application object does the work; this file picks the network.

#include "platform/Platform.h"
#include "protocol/UdpTransport.h"
#include "sim/SimulatedLan.h"
#include "ui/main/Application.h"

#include <QHostAddress>
#include <memory>
#include <optional>

namespace {

// The subnet of the PC's first adapter, so that one demo bridge can be reached from the PC.
std::optional<vantoro::sim::Subnet> FirstAdapterSubnet(const vantoro::Platform& platform) {
    const vantoro::AdapterList list = platform.Adapters();
    if (list.adapters.empty() || list.adapters.front().addresses.empty()) {
        return std::nullopt;
    }
    const vantoro::AdapterAddress& first = list.adapters.front().addresses.front();
    const QHostAddress address(first.ipAddress);
    const QHostAddress mask(first.subnetMask);
    if (address.protocol() != QAbstractSocket::IPv4Protocol ||
        mask.protocol() != QAbstractSocket::IPv4Protocol) {
        return std::nullopt;
    }
    return vantoro::sim::Subnet{address.toIPv4Address(), mask.toIPv4Address()};
}

std::unique_ptr<vantoro::Transport> MakeTransport(vantoro::Platform& platform, bool demo) {
    if (demo) {
        return std::make_unique<vantoro::sim::SimulatedLan>(
            vantoro::sim::DemoFleet(FirstAdapterSubnet(platform)));
    }
    return std::make_unique<vantoro::UdpTransport>();
}

} // namespace

int main(int argc, char** argv) {
    return vantoro::Application::Main(argc, argv, &MakeTransport);
}
