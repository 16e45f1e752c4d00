#include "protocol/NetInterfaces.h"

#include "protocol/DiscoveryScan.h"
#include "tests/support/FakeTransport.h"

#include <gtest/gtest.h>

namespace vantoro {
namespace {

constexpr quint32 Ip(int a, int b, int c, int d) {
    return quint32(a) << 24 | quint32(b) << 16 | quint32(c) << 8 | quint32(d);
}

NetInterface Up(int index, const char* name, std::vector<quint32> ipv4) {
    NetInterface entry;
    entry.index = index;
    entry.name = QString::fromLatin1(name);
    entry.label = entry.name;
    entry.up = entry.canBroadcast = true;
    entry.ipv4 = std::move(ipv4);
    return entry;
}

QStringList Names(const std::vector<ScanInterface>& selected) {
    QStringList names;
    for (const ScanInterface& s : selected) {
        names.append(s.id.name);
    }
    return names;
}

TEST(ScanInterfaces, EveryUpBroadcastingInterfaceWithAnAddressOnceFromItsFirstAddress) {
    NetInterface lo = Up(1, "lo", {Ip(127, 0, 0, 1)});
    lo.loopback = true;
    NetInterface down = Up(3, "eth1", {Ip(10, 0, 1, 5)});
    down.up = false;
    NetInterface pointToPoint = Up(4, "tun0", {Ip(10, 8, 0, 2)});
    pointToPoint.canBroadcast = false;
    const NetInterface noIpv4 = Up(5, "eth2", {});
    // An address still being set up reads 0.0.0.0; the next one is the source.
    const NetInterface wlan = Up(6, "wlan0", {0, Ip(192, 168, 5, 20), Ip(192, 168, 6, 20)});
    const NetInterface eth0 = Up(2, "eth0", {Ip(10, 0, 0, 5)});
    NetInterface unindexed = Up(0, "odd0", {Ip(10, 9, 0, 1)});
    // Some systems list an interface once per address.
    const NetInterface eth0Again = Up(2, "eth0", {Ip(10, 0, 0, 6)});

    const std::vector<ScanInterface> selected =
        SelectScanInterfaces({lo, eth0, down, pointToPoint, noIpv4, wlan, unindexed, eth0Again});
    EXPECT_EQ(Names(selected), (QStringList{"eth0", "wlan0"}));
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[0].id.index, 2);
    EXPECT_EQ(selected[0].address, Ip(10, 0, 0, 5));
    EXPECT_EQ(selected[1].address, Ip(192, 168, 5, 20));
    EXPECT_TRUE(SelectScanInterfaces({lo, down, noIpv4}).empty());
}

TEST(ScanInterfaces, NamesLimitTheChoiceBySystemNameOrLabel) {
    NetInterface ethernet = Up(12, "{4D36E972}", {Ip(10, 0, 0, 5)});
    ethernet.label = QStringLiteral("Ethernet 2");
    const NetInterface wlan = Up(6, "wlan0", {Ip(192, 168, 5, 20)});
    NetInterface down = Up(7, "eth9", {Ip(10, 1, 0, 5)});
    down.up = false;
    const std::vector<NetInterface> all{ethernet, wlan, down};

    // The label is what people see, so it is the name a bridge is reported on.
    EXPECT_EQ(Names(SelectScanInterfaces(all, {"Ethernet 2"})), QStringList{"Ethernet 2"});
    EXPECT_EQ(Names(SelectScanInterfaces(all, {"{4D36E972}", "wlan0"})),
              (QStringList{"Ethernet 2", "wlan0"}));
    // A named interface that cannot broadcast now is known, but nothing goes out on it.
    EXPECT_TRUE(SelectScanInterfaces(all, {"eth9"}).empty());
    EXPECT_TRUE(UnknownInterfaceNames(all, {"eth9", "wlan0", "Ethernet 2"}).isEmpty());
    EXPECT_EQ(UnknownInterfaceNames(all, {"wlan0", "eth7", "ethernet 2"}),
              (QStringList{"eth7", "ethernet 2"}));
}

TEST(ScanInterfaces, EachScanReadsTheListAfreshAndABridgeKeepsItsLatestInterface) {
    test::FakeTransport transport;
    DiscoveryScan scan(transport);
    ASSERT_EQ(scan.SetUp(), SetupStatus::Ok);
    scan.Begin();
    EXPECT_EQ(transport.interfaceRefreshes, 1);
    const InterfaceId first{2, QStringLiteral("eth0")};
    const InterfaceId second{6, QStringLiteral("wlan0")};
    transport.Deliver(test::SimpleReply("00:11:22:33:44:01"), first);
    transport.Deliver(test::SimpleReply("00:11:22:33:44:02"), first);
    transport.Deliver(test::SimpleReply("00:11:22:33:44:01"), second);
    EXPECT_EQ(scan.rowCount(), 2);
    EXPECT_EQ(scan.table().records[0].arrivedOn, second);
    EXPECT_EQ(scan.table().records[1].arrivedOn, first);
    // Not a reply: no record takes its interface.
    transport.Deliver("Torva_MultiAp_mgnt\r1001\rREQ\r00:11:22:33:44:02", second);
    EXPECT_EQ(scan.table().records[1].arrivedOn, first);

    for (int tick = 0; tick <= DiscoveryScan::kLastTick; ++tick) {
        scan.OnScanTick();
    }
    scan.StartScan();
    EXPECT_EQ(transport.interfaceRefreshes, 2);
}

} // namespace
} // namespace vantoro
