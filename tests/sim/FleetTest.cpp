#include "sim/Fleet.h"

#include "config/Regions.h"
#include "tests/sim/SimTestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>

namespace vantoro::sim {
namespace {

using namespace vantoro::sim::testing;

TEST(DemoFleet, BridgesAreValidDistinctAndFitTheirReplies) {
    std::set<QByteArray> macs;
    int full = 0;
    for (const SimBridgeState& b : DemoFleet()) {
        SCOPED_TRACE(b.deviceName.toStdString());
        EXPECT_EQ(CheckBridgeState(b), QString());
        EXPECT_TRUE(b.macAddress.startsWith("02:4B:") && macs.insert(b.macAddress).second);
        EXPECT_EQ(ParseBack(BuildReply(b, Command::Discovery, 0))->bridge().ssidListSize(),
                  b.ssidList.size());
        full += b.ssidList.size() == kSimMaxSsids ? 1 : 0;
    }
    EXPECT_GT(full, 0) << "one bridge sees sixteen networks and still fits its reply";
}

TEST(DemoFleet, FixedAddressBridgeJoinsThePcSubnetWhenThereIsRoom) {
    const std::vector<SimBridgeState> plain = DemoFleet();
    const auto ip = [](std::string_view text) { return ParseIpv4(text).value_or(0); };
    const struct {
        const char *address, *mask;
        int placed; // demo bridges that fit in the subnet
    } cases[] = {
        {"172.16.40.250", "255.255.0.0", 2},
        {"10.0.0.2", "255.255.255.252", 1},
        {"10.0.0.6", "255.255.255.254", 0},
        {"10.0.0.6", "255.0.255.0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.address) + "/" + c.mask);
        const Subnet pc{ip(c.address), ip(c.mask)};
        const std::vector<SimBridgeState> fleet = DemoFleet(pc);
        const quint32 network = pc.address & pc.mask;
        for (size_t i = 0; i < 2; ++i) {
            const quint32 host = ip(fleet[i].ipAddress.toStdString());
            if (int(i) >= c.placed) {
                EXPECT_EQ(fleet[i].ipAddress, plain[i].ipAddress);
                continue;
            }
            EXPECT_TRUE(host != pc.address && host != network && host != (network | ~pc.mask));
            EXPECT_TRUE(i == 0 || fleet[i].ipAddress != fleet[0].ipAddress);
            EXPECT_TRUE((host & pc.mask) == network && fleet[i].subnetMask == c.mask);
            EXPECT_EQ(CheckBridgeState(fleet[i]), QString());
        }
    }
}

TEST(GeneratedFleet, ValidDistinctClampedAndStable) {
    EXPECT_TRUE(GenerateFleet(0).empty() && GenerateFleet(-5).empty());
    const std::vector<SimBridgeState> all = GenerateFleet(kMaxFleetSize + 10);
    ASSERT_EQ(all.size(), size_t(kMaxFleetSize));
    std::set<QByteArray> macs;
    for (const SimBridgeState& b : all) {
        ASSERT_EQ(CheckBridgeState(b), QString()) << b.deviceName.toStdString();
        ASSERT_TRUE(b.macAddress.startsWith("02:4B:") && macs.insert(b.macAddress).second);
        const RegionEntry* region = FindRegion(b.country.toStdString());
        ASSERT_TRUE(region && b.channel >= region->firstChannel &&
                    b.channel <= region->lastChannel);
        ASSERT_TRUE(!b.privacy || !b.keys[size_t(b.keyId - 1)].isEmpty()) << "default key exists";
    }
    EXPECT_EQ(FleetToJson(GenerateFleet(30)), FleetToJson(GenerateFleet(30)));
}

TEST(FleetFile, DemoFleetSurvivesARoundTripThroughAFile) {
    QTemporaryDir dir;
    const QByteArray json = FleetToJson(DemoFleet());
    QFile file(dir.filePath(QStringLiteral("fleet.json")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.flush());
    const FleetLoadResult loaded = LoadFleet(file.fileName());
    ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
    EXPECT_EQ(FleetToJson(loaded.fleet), json);
}

} // namespace
} // namespace vantoro::sim
