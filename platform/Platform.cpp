#include "platform/Platform.h"

#include <utility>

namespace vantoro {

Platform::Platform(NetworkAdapters& adapters, HostNames& hostNames, WebBrowser& browser,
                   Sounds& sounds)
    : adapters_(adapters), hostNames_(hostNames), browser_(browser), sounds_(sounds) {}

AdapterList Platform::Adapters() const {
    return adapters_.Adapters();
}

QString Platform::PcAddress() const {
    const QString hostName = hostNames_.LocalHostName();
    return ChoosePcAddress(hostName, hostNames_.Ipv4AddressesOf(hostName), adapters_.Adapters());
}

void Platform::StartBrowser(const QString& site) {
    if (const auto url = WebSiteUrl(site)) {
        browser_.Open(*url);
    }
}

void Platform::StartBrowserOnBridge(const QString& ipAddressText) {
    if (const auto url = BridgePageUrl(ipAddressText)) {
        browser_.Open(*url);
    }
}

void Platform::Beep() {
    sounds_.Beep();
}

SystemPlatform::SystemPlatform(std::function<void()> beep)
    : detail::SystemServices{{}, {}, {}, detail::CallbackSounds(std::move(beep))},
      Platform(adapters, hostNames, browser, sounds) {}

} // namespace vantoro
