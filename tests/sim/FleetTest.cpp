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

bool IsLocallyAdministered(const QByteArray& mac) {
    bool ok = false;
    const int firstOctet = mac.left(2).toInt(&ok, 16);
    return ok && mac.size() == 17 && (firstOctet & 0x02) != 0 && (firstOctet & 0x01) == 0;
}

// --- demo fleet ------------------------------------------------------------------------------

TEST(DemoFleet, CoversEveryCaseTheProgramHandles) {
    const std::vector<SimBridgeState> fleet = DemoFleet();
    bool dhcp = false, otherSubnet = false, wep64 = false, wep128 = false, adHocFrance = false,
         unknownRegion = false, noVersion = false, sixteenNames = false;
    std::set<QByteArray> macs;
    for (const SimBridgeState& b : fleet) {
        SCOPED_TRACE(b.deviceName.toStdString());
        EXPECT_EQ(CheckBridgeState(b), QString());
        EXPECT_TRUE(IsLocallyAdministered(b.macAddress)) << b.macAddress.toStdString();
        EXPECT_FALSE(b.userName.isEmpty());
        EXPECT_FALSE(b.password.isEmpty());
        EXPECT_TRUE(macs.insert(b.macAddress).second);
        dhcp = dhcp || b.ipMode == "dhcp";
        otherSubnet = otherSubnet || (b.ipMode == "static" && b.ipAddress == "10.20.30.40" &&
                                      b.subnetMask == "255.255.255.0");
        wep64 =
            wep64 || (b.privacy && b.keyLength == 10 && b.keys[size_t(b.keyId - 1)].size() == 10);
        wep128 =
            wep128 || (b.privacy && b.keyLength == 26 && b.keys[size_t(b.keyId - 1)].size() == 26);
        adHocFrance = adHocFrance || (b.networkType == 2 && b.country == "FR" && b.channel == 11);
        unknownRegion = unknownRegion || FindRegion(b.country.toStdString()) == nullptr;
        noVersion = noVersion || b.version.isEmpty();
        sixteenNames = sixteenNames || b.ssidList.size() == kSimMaxSsids;
        // Every one of them must fit its reply whole.
        const auto back = ParseBack(BuildReply(b, Command::Discovery, 0));
        EXPECT_EQ(back->bridge().SsidListSize(), b.ssidList.size());
    }
    EXPECT_TRUE(dhcp);
    EXPECT_TRUE(otherSubnet);
    EXPECT_TRUE(wep64);
    EXPECT_TRUE(wep128);
    EXPECT_TRUE(adHocFrance);
    EXPECT_TRUE(unknownRegion);
    EXPECT_TRUE(noVersion);
    EXPECT_TRUE(sixteenNames);
}

TEST(DemoFleet, FixedAddressBridgeJoinsThePcSubnet) {
    const std::vector<SimBridgeState> plain = DemoFleet();
    EXPECT_EQ(plain[0].ipMode, "static");
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
        const quint32 broadcast = network | ~pc.mask;
        std::set<quint32> used;
        for (int i = 0; i < 2; ++i) {
            const SimBridgeState& b = fleet[size_t(i)];
            const quint32 host = Ip(b.ipAddress);
            if (i < c.placed) {
                EXPECT_EQ(host & pc.mask, network) << b.ipAddress.toStdString();
                EXPECT_NE(host, pc.address);
                EXPECT_NE(host, network);
                EXPECT_NE(host, broadcast);
                EXPECT_EQ(Ip(b.subnetMask), pc.mask);
                EXPECT_TRUE(used.insert(host).second);
                EXPECT_EQ(CheckBridgeState(b), QString());
            } else {
                EXPECT_EQ(b.ipAddress, plain[size_t(i)].ipAddress);
            }
        }
        EXPECT_EQ(fleet[0].ipMode, "static");
    }
}

// --- generated fleet -------------------------------------------------------------------------

TEST(GeneratedFleet, FiveThousandDistinctValidBridges) {
    const std::vector<SimBridgeState> fleet = GenerateFleet(5000);
    ASSERT_EQ(fleet.size(), 5000u);
    std::set<QByteArray> macs;
    std::set<QByteArray> regions;
    int privacy = 0, adHoc = 0, dhcp = 0, noVersion = 0;
    for (const SimBridgeState& b : fleet) {
        ASSERT_EQ(CheckBridgeState(b), QString()) << b.deviceName.toStdString();
        ASSERT_TRUE(IsLocallyAdministered(b.macAddress)) << b.macAddress.toStdString();
        macs.insert(b.macAddress);
        regions.insert(b.country);
        const RegionEntry* region = FindRegion(b.country.toStdString());
        ASSERT_NE(region, nullptr);
        EXPECT_GE(b.channel, region->firstChannel);
        EXPECT_LE(b.channel, region->lastChannel);
        if (b.privacy) {
            EXPECT_FALSE(b.keys[size_t(b.keyId - 1)].isEmpty()) << "the default key exists";
        }
        privacy += b.privacy ? 1 : 0;
        adHoc += b.networkType == 2 ? 1 : 0;
        dhcp += b.ipMode == "dhcp" ? 1 : 0;
        noVersion += b.version.isEmpty() ? 1 : 0;
    }
    EXPECT_EQ(macs.size(), 5000u);
    EXPECT_EQ(regions.size(), size_t(kRegionCount - 1));
    EXPECT_GT(privacy, 0);
    EXPECT_GT(adHoc, 0);
    EXPECT_GT(dhcp, 0);
    EXPECT_GT(noVersion, 0);
}

TEST(GeneratedFleet, SizeIsClampedAndStable) {
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

// --- JSON fleet files ------------------------------------------------------------------------

class FleetFileTest : public ::testing::Test {
protected:
    QString Write(const QByteArray& content) {
        const QString path = dir.filePath(QStringLiteral("fleet%1.json").arg(++files));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    QTemporaryDir dir;
    int files = 0;
};

TEST_F(FleetFileTest, ReadsEveryFieldAndAcceptsNumbersAsText) {
    const QString path = Write(R"([
      {"macAddress": "02:4B:AA:00:00:01", "deviceName": "Hall", "model": "X1",
       "ipMode": "static", "ipAddress": "10.9.8.7", "subnetMask": "255.255.0.0",
       "gateway": "10.9.0.1", "networkType": "2", "channel": 12, "profile": "3",
       "country": "TW", "privacy": true, "keyLength": 26, "keyId": "3",
       "keys": ["", "NULL", "00112233445566778899aabbcc"], "ssid": "Hall Net",
       "ssidList": ["Hall Net", "Caf\u00e9"], "linkQuality": 55, "txPackets": 10,
       "rxPackets": "20", "userName": "root", "password": "pw", "version": ""},
      {"macAddress": "02:4B:AA:00:00:02"}
    ])");
    const FleetLoadResult loaded = LoadFleet(path);
    ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
    ASSERT_EQ(loaded.fleet.size(), 2u);
    const SimBridgeState& b = loaded.fleet[0];
    EXPECT_EQ(b.deviceName, "Hall");
    EXPECT_EQ(b.model, "X1");
    EXPECT_EQ(b.ipMode, "static");
    EXPECT_EQ(b.subnetMask, "255.255.0.0");
    EXPECT_EQ(b.networkType, 2);
    EXPECT_EQ(b.channel, 12);
    EXPECT_EQ(b.profile, 3);
    EXPECT_EQ(b.country, "TW");
    EXPECT_TRUE(b.privacy);
    EXPECT_EQ(b.keyId, 3);
    EXPECT_EQ(b.keys[0], "");
    EXPECT_EQ(b.keys[1], "") << "\"NULL\" is no key, as on the wire";
    EXPECT_EQ(b.keys[2], "00112233445566778899aabbcc");
    EXPECT_EQ(b.ssidList.size(), 2);
    EXPECT_EQ(b.ssidList[1], QByteArray("Caf\xe9")) << "8-bit text, one byte per character";
    EXPECT_EQ(b.rxPackets, 20u);
    EXPECT_TRUE(b.version.isEmpty());
    // Missing keys keep the defaults.
    EXPECT_EQ(loaded.fleet[1].ipMode, "dhcp");
    EXPECT_EQ(loaded.fleet[1].keyId, 1);
}

TEST_F(FleetFileTest, DemoFleetSurvivesARoundTrip) {
    const QByteArray json = FleetToJson(DemoFleet());
    const FleetLoadResult loaded = LoadFleet(Write(json));
    ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
    EXPECT_EQ(FleetToJson(loaded.fleet), json);
}

TEST_F(FleetFileTest, BadFilesGiveAnErrorNamingThePlace) {
    const struct {
        QByteArray json;
        const char* error;
    } cases[] = {
        {"[{\"macAddress\": \"02:4B:00:00:00:01\",]", "not valid JSON"},
        {"{\"macAddress\": \"02:4B:00:00:00:01\"}", "JSON array"},
        {"[]", "1 to 65536 bridges"},
        {"[42]", "bridge 1: must be an object"},
        {"[{\"deviceName\": \"x\"}]", "\"macAddress\" missing"},
        {"[{\"macAddress\": \"a\"}, {\"macAddress\": \"b\", \"ipAdress\": \"1.2.3.4\"}]",
         "bridge 2: unknown key \"ipAdress\""},
        {"[{\"macAddress\": \"a\", \"ipMode\": \"pppoe\"}]", "\"ipMode\""},
        {"[{\"macAddress\": \"a\", \"ipAddress\": \"10.0.0.256\"}]", "dotted-decimal"},
        {"[{\"macAddress\": \"a\", \"subnetMask\": \"255.0.255.0\"}]", "contiguous"},
        {"[{\"macAddress\": \"a\", \"channel\": 15}]", "\"channel\" must be a whole number"},
        {"[{\"macAddress\": \"a\", \"channel\": 6.5}]", "\"channel\" must be a whole number"},
        {"[{\"macAddress\": \"a\", \"channel\": \"six\"}]", "\"channel\""},
        {"[{\"macAddress\": \"a\", \"keyLength\": 12}]", "\"keyLength\" must be 10 or 26"},
        {"[{\"macAddress\": \"a\", \"keys\": [\"0A1B2C3D4E5F\"]}]", "10 hex digits"},
        {"[{\"macAddress\": \"a\", \"keys\": [\"\", \"\", \"\", \"\", \"\"]}]", "\"keys\""},
        {"[{\"macAddress\": \"a\", \"ssidList\": [\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\","
         "\"i\",\"j\",\"k\",\"l\",\"m\",\"n\",\"o\",\"p\",\"q\"]}]",
         "at most 16"},
        {"[{\"macAddress\": \"a\", \"deviceName\": \"123456789012345678901234567890123\"}]",
         "at most 32 characters"},
        {"[{\"macAddress\": \"a\", \"ssid\": \"two\\rlines\"}]", "without CR"},
        {"[{\"macAddress\": \"a\", \"userName\": \"\\u4e2d\"}]", "8-bit text"},
        {"[{\"macAddress\": \"a\", \"privacy\": \"yes\"}]", "\"privacy\""},
        {"[{\"macAddress\": \"a b\"}]", "without spaces"},
        {"[{\"macAddress\": \"a\"}, {\"macAddress\": \"a\"}]",
         "bridge 2: \"macAddress\" a appears twice"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json.toStdString());
        const QString path = Write(c.json);
        const FleetLoadResult loaded = LoadFleet(path);
        EXPECT_FALSE(loaded.ok());
        EXPECT_TRUE(loaded.fleet.empty());
        EXPECT_TRUE(loaded.error.startsWith(path)) << loaded.error.toStdString();
        EXPECT_TRUE(loaded.error.contains(QLatin1String(c.error))) << loaded.error.toStdString();
    }
    const FleetLoadResult missing = LoadFleet(dir.filePath(QStringLiteral("none.json")));
    EXPECT_TRUE(missing.error.contains(QStringLiteral("cannot be read")));
}

} // namespace
} // namespace vantoro::sim
