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

quint32 Ip(const QByteArray& text) {
    return ParseIpv4(text.toStdString()).value_or(0);
}

// Locally administered unicast identifiers, as documented: 02:4B:xx:xx:xx:xx.
bool IsSimulatorMac(const QByteArray& mac) {
    return mac.size() == 17 && mac.startsWith("02:4B:");
}

TEST(DemoFleet, CoversEveryCaseTheProgramHandles) {
    std::set<std::string> cases;
    std::set<QByteArray> macs;
    for (const SimBridgeState& b : DemoFleet()) {
        SCOPED_TRACE(b.deviceName.toStdString());
        EXPECT_EQ(CheckBridgeState(b), QString());
        EXPECT_TRUE(IsSimulatorMac(b.macAddress));
        EXPECT_FALSE(b.userName.isEmpty() || b.password.isEmpty());
        EXPECT_TRUE(macs.insert(b.macAddress).second);
        const QByteArray& defaultKey = b.keys[size_t(b.keyId - 1)];
        const std::pair<bool, const char*> checks[] = {
            {b.ipMode == "dhcp", "dhcp"},
            {b.ipMode == "static" && b.ipAddress == "10.20.30.40", "other subnet"},
            {b.privacy && b.keyLength == 10 && defaultKey.size() == 10, "wep64"},
            {b.privacy && b.keyLength == 26 && defaultKey.size() == 26, "wep128"},
            {b.networkType == 2 && b.country == "FR" && b.channel == 11, "ad-hoc France"},
            {FindRegion(b.country.toStdString()) == nullptr, "unknown region"},
            {b.version.isEmpty(), "no version"},
            {b.ssidList.size() == kSimMaxSsids, "sixteen names"},
        };
        for (const auto& [holds, name] : checks) {
            if (holds) {
                cases.insert(name);
            }
        }
        // Every one of them must fit its reply whole.
        EXPECT_EQ(ParseBack(BuildReply(b, Command::Discovery, 0))->bridge().SsidListSize(),
                  b.ssidList.size());
    }
    EXPECT_EQ(cases.size(), 8u);
}

TEST(DemoFleet, FixedAddressBridgeJoinsThePcSubnet) {
    const std::vector<SimBridgeState> plain = DemoFleet();
    EXPECT_EQ(Ip(plain[0].ipAddress) & 0xFFFFFF00u, Ip("192.168.1.0"));
    const struct {
        const char* address;
        const char* mask;
        int placed; // demo bridges that fit in the subnet
    } cases[] = {
        {"10.1.2.3", "255.255.255.0", 2},      {"172.16.40.250", "255.255.0.0", 2},
        {"192.168.5.250", "255.255.255.0", 2}, {"10.0.0.1", "255.255.255.252", 1},
        {"10.0.0.2", "255.255.255.252", 1},    {"10.0.0.6", "255.255.255.254", 0},
        {"10.0.0.6", "255.255.255.255", 0},    {"10.0.0.6", "255.0.255.0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.address) + "/" + c.mask);
        const Subnet pc{Ip(c.address), Ip(c.mask)};
        const std::vector<SimBridgeState> fleet = DemoFleet(pc);
        const quint32 network = pc.address & pc.mask;
        std::set<quint32> used;
        for (size_t i = 0; i < 2; ++i) {
            const quint32 host = Ip(fleet[i].ipAddress);
            if (int(i) >= c.placed) {
                EXPECT_EQ(fleet[i].ipAddress, plain[i].ipAddress);
                continue;
            }
            EXPECT_EQ(host & pc.mask, network);
            EXPECT_TRUE(host != pc.address && host != network && host != (network | ~pc.mask));
            EXPECT_EQ(Ip(fleet[i].subnetMask), pc.mask);
            EXPECT_TRUE(used.insert(host).second);
            EXPECT_EQ(CheckBridgeState(fleet[i]), QString());
        }
        EXPECT_EQ(fleet[0].ipMode, "static");
    }
}

TEST(GeneratedFleet, DistinctValidBridgesClampedAndStable) {
    const std::vector<SimBridgeState> fleet = GenerateFleet(5000);
    ASSERT_EQ(fleet.size(), 5000u);
    std::set<QByteArray> regions;
    int privacy = 0, adHoc = 0, dhcp = 0, noVersion = 0;
    for (const SimBridgeState& b : fleet) {
        ASSERT_EQ(CheckBridgeState(b), QString()) << b.deviceName.toStdString();
        ASSERT_TRUE(IsSimulatorMac(b.macAddress)) << b.macAddress.toStdString();
        regions.insert(b.country);
        const RegionEntry* region = FindRegion(b.country.toStdString());
        ASSERT_NE(region, nullptr);
        EXPECT_GE(b.channel, region->firstChannel);
        EXPECT_LE(b.channel, region->lastChannel);
        EXPECT_TRUE(!b.privacy || !b.keys[size_t(b.keyId - 1)].isEmpty()) << "default key exists";
        privacy += b.privacy ? 1 : 0;
        adHoc += b.networkType == 2 ? 1 : 0;
        dhcp += b.ipMode == "dhcp" ? 1 : 0;
        noVersion += b.version.isEmpty() ? 1 : 0;
    }
    EXPECT_EQ(regions.size(), size_t(kRegionCount - 1));
    EXPECT_TRUE(privacy > 0 && adHoc > 0 && dhcp > 0 && noVersion > 0);

    EXPECT_TRUE(GenerateFleet(0).empty());
    EXPECT_TRUE(GenerateFleet(-5).empty());
    const std::vector<SimBridgeState> all = GenerateFleet(kMaxFleetSize + 10);
    ASSERT_EQ(all.size(), size_t(kMaxFleetSize));
    std::set<QByteArray> macs;
    for (const SimBridgeState& b : all) {
        macs.insert(b.macAddress);
    }
    EXPECT_EQ(macs.size(), size_t(kMaxFleetSize));
    EXPECT_EQ(FleetToJson(GenerateFleet(30)), FleetToJson(GenerateFleet(30)));
}

TEST(FleetFile, DemoFleetSurvivesARoundTripThroughAFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fleet.json"));
    const QByteArray json = FleetToJson(DemoFleet());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(json);
    file.close();
    const FleetLoadResult loaded = LoadFleet(path);
    ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
    EXPECT_EQ(FleetToJson(loaded.fleet), json);
    const FleetLoadResult missing = LoadFleet(dir.filePath(QStringLiteral("none.json")));
    EXPECT_TRUE(missing.error.contains(QStringLiteral("cannot be read")));
}

TEST(FleetFile, AcceptsNumbersAsTextAndKeepsDefaultsForMissingKeys) {
    const FleetLoadResult loaded = FleetFromJson(R"([
      {"macAddress": "02:4B:AA:00:00:01", "networkType": "2", "channel": 12, "privacy": true,
       "keyLength": 26, "keyId": "3", "keys": ["", "NULL", "00112233445566778899aabbcc"],
       "ssidList": ["Hall Net", "Caf\u00e9"], "rxPackets": "20"},
      {"macAddress": "02:4B:AA:00:00:02"}
    ])");
    ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
    ASSERT_EQ(loaded.fleet.size(), 2u);
    const SimBridgeState& b = loaded.fleet[0];
    EXPECT_EQ(b.networkType, 2);
    EXPECT_EQ(b.channel, 12);
    EXPECT_EQ(b.keyId, 3);
    EXPECT_TRUE(b.privacy);
    EXPECT_EQ(b.rxPackets, 20u);
    EXPECT_EQ(b.keys[1], "") << "\"NULL\" is no key, as on the wire";
    EXPECT_EQ(b.keys[2], "00112233445566778899aabbcc");
    EXPECT_EQ(b.ssidList[1], QByteArray("Caf\xe9")) << "8-bit text, one byte per character";
    SimBridgeState defaults;
    defaults.macAddress = "02:4B:AA:00:00:02";
    EXPECT_EQ(StateJson(loaded.fleet[1]), StateJson(defaults));
}

TEST(FleetFile, BadFilesGiveAnErrorNamingThePlace) {
    const auto one = [](const char* fields) {
        return R"([{"macAddress": "a", )" + QByteArray(fields) + "}]";
    };
    const struct {
        QByteArray json;
        const char* error;
    } cases[] = {
        {R"([{"macAddress": "02:4B:00:00:00:01",])", "not valid JSON"},
        {R"({"macAddress": "02:4B:00:00:00:01"})", "JSON array"},
        {"[]", "1 to 65536 bridges"},
        {"[42]", "bridge 1: must be an object"},
        {R"([{"deviceName": "x"}])", "\"macAddress\" missing"},
        {R"([{"macAddress": "a"}, {"macAddress": "b", "ipAdress": "1.2.3.4"}])",
         "bridge 2: unknown key \"ipAdress\""},
        {one(R"("ipMode": "pppoe")"), "\"ipMode\""},
        {one(R"("ipAddress": "10.0.0.256")"), "dotted-decimal"},
        {one(R"("subnetMask": "255.0.255.0")"), "contiguous"},
        {one(R"("channel": 15)"), "\"channel\" must be a whole number"},
        {one(R"("channel": 6.5)"), "\"channel\" must be a whole number"},
        {one(R"("channel": "six")"), "\"channel\""},
        {one(R"("keyLength": 12)"), "\"keyLength\" must be 10 or 26"},
        {one(R"("keys": ["0A1B2C3D4E5F"])"), "10 hex digits"},
        {one(R"("keys": ["", "", "", "", ""])"), "\"keys\""},
        {one(R"("ssidList": ["a","b","c","d","e","f","g","h","i","j","k","l","m","n","o","p","q"])"),
         "at most 16"},
        {one(R"("deviceName": "123456789012345678901234567890123")"), "at most 32 characters"},
        {one(R"("ssid": "two\rlines")"), "without CR"},
        {one(R"("userName": "\u4e2d")"), "8-bit text"},
        {one(R"("privacy": "yes")"), "\"privacy\""},
        {R"([{"macAddress": "a b"}])", "without spaces"},
        {R"([{"macAddress": "a"}, {"macAddress": "a"}])",
         "bridge 2: \"macAddress\" a appears twice"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json.toStdString());
        const FleetLoadResult loaded = FleetFromJson(c.json, QStringLiteral("hall.json"));
        EXPECT_TRUE(loaded.fleet.empty());
        EXPECT_TRUE(loaded.error.startsWith(QStringLiteral("hall.json: ")));
        EXPECT_TRUE(loaded.error.contains(QLatin1String(c.error))) << loaded.error.toStdString();
    }
}

} // namespace
} // namespace vantoro::sim
