// The PC's own address: the host name's address when an adapter has it, else an adapter's.

#include "platform/PcAddress.h"

#include "tests/support/FakePlatform.h"

#include <gtest/gtest.h>

namespace vantoro {
namespace {

Adapter MakeAdapter(const char* name, std::initializer_list<const char*> addresses, bool up = true,
                    bool defaultRoute = false) {
    Adapter adapter{QString::fromLatin1(name), up, defaultRoute, {}};
    for (const char* address : addresses) {
        adapter.addresses.push_back(
            {QString::fromLatin1(address), QStringLiteral("255.255.255.0"), false});
    }
    return adapter;
}

TEST(PcAddressTest, HostNameAddressWhenAnAdapterHasItElseTheBestAdapter) {
    const AdapterList twoAdapters{
        AdapterListState::Ok,
        {MakeAdapter("eth0", {"192.168.1.10"}), MakeAdapter("wlan0", {"10.0.0.7", "10.0.1.7"})}};
    const AdapterList routed{AdapterListState::Ok,
                             {MakeAdapter("docker0", {"172.17.0.1"}),
                              MakeAdapter("eth0", {"0.0.0.0", "192.168.1.10"}, true, true)}};
    const AdapterList downFirst{
        AdapterListState::Ok,
        {MakeAdapter("eth0", {"192.168.1.10"}, false), MakeAdapter("eth1", {"10.0.0.7"})}};
    const AdapterList nothingUsable{
        AdapterListState::Ok,
        {MakeAdapter("eth0", {"0.0.0.0"}), MakeAdapter("eth1", {"10.0.0.7"}, false, true)}};
    const AdapterList unreadable{AdapterListState::Unreadable, {}};

    const struct {
        const char* what;
        QString hostName;
        QStringList resolves;
        AdapterList adapters;
        QString expected;
    } cases[] = {
        {"resolves to the second adapter", "pc", {"10.0.0.7"}, twoAdapters, "10.0.0.7"},
        {"first resolved wins", "pc", {"10.0.1.7", "192.168.1.10"}, twoAdapters, "10.0.1.7"},
        {"stock Debian: 127.0.1.1", "pc", {"127.0.1.1"}, twoAdapters, "192.168.1.10"},
        {"resolves off every adapter", "pc", {"203.0.113.5"}, twoAdapters, "192.168.1.10"},
        {"does not resolve", "pc", {}, twoAdapters, "192.168.1.10"},
        {"no host name", "", {}, twoAdapters, "192.168.1.10"},
        {"default route wins, unset address skipped", "pc", {"127.0.1.1"}, routed, "192.168.1.10"},
        {"adapter that is down is skipped", "pc", {}, downFirst, "10.0.0.7"},
        {"no usable adapter: resolved address", "pc", {"127.0.1.1"}, nothingUsable, "127.0.1.1"},
        {"no usable adapter, no address: host name", "pc", {}, nothingUsable, "pc"},
        {"adapters unreadable", "pc", {"192.168.1.10"}, unreadable, "192.168.1.10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChoosePcAddress(c.hostName, c.resolves, c.adapters), c.expected) << c.what;
    }
}

TEST(PcAddressTest, PlatformResolvesItsOwnHostName) {
    test::FakePlatform platform;
    EXPECT_EQ(platform.PcAddress(), "192.168.1.10");
    platform.hostNames.resolves["office-pc"] = {"127.0.1.1"};
    platform.adapters.list.adapters.front().addresses.front().ipAddress = "192.168.7.7";
    EXPECT_EQ(platform.PcAddress(), "192.168.7.7");
}

} // namespace
} // namespace vantoro
