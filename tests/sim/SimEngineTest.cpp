#include "sim/SimEngine.h"

#include "sim/Fleet.h"
#include "sim/SimRequest.h"
#include "tests/sim/SimTestUtil.h"

#include <QJsonArray>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace vantoro::sim {
namespace {

using namespace vantoro::sim::testing;

constexpr qint64 kRebootMs = 500;

// A literal with its NULs: everything but the terminating one.
template <size_t N> QByteArray Bytes(const char (&text)[N]) {
    return QByteArray(text, qsizetype(N - 1));
}

class SimEngineTest : public ::testing::Test {
protected:
    SimEngineTest() { Reset({}); }

    void Reset(SimOptions options, std::vector<SimBridgeState> fleet = DemoFleet()) {
        if (options.rebootMs == SimOptions{}.rebootMs) {
            options.rebootMs = int(kRebootMs);
        }
        engine = std::make_unique<SimEngine>(std::move(fleet), options);
        log.clear();
        engine->SetLogSink([this](const QByteArray& line) { log.append(QString::fromUtf8(line)); });
    }

    std::vector<OutgoingDatagram> Send(const QByteArray& request, qint64 now = 0) {
        return engine->HandleDatagram(request, now);
    }

    const SimBridgeState& Bridge(int index) const { return engine->Bridges()[size_t(index)]; }
    QJsonObject LastLog() const { return JsonLine(log.last()); }

    std::unique_ptr<SimEngine> engine;
    QStringList log;
};

// The first demo bridges: a fixed address without WEP, DHCP with 64-bit keys, 128-bit keys.
const QByteArray kOffice = "02:4B:00:00:00:01";
const QByteArray kWarehouse = "02:4B:00:00:00:02";
const QByteArray kLab = "02:4B:00:00:00:03";
const QByteArray kTaipei = "02:4B:00:00:00:05";

// --- replies -------------------------------------------------------------------------------

TEST_F(SimEngineTest, DiscoveryGetsOneReplyPerBridgeThatReadsBackIntoTheSameRecord) {
    ASSERT_EQ(kDiscovery.size(), 37);
    const std::vector<OutgoingDatagram> out = Send(kDiscovery, 5000);
    ASSERT_EQ(out.size(), engine->Bridges().size());
    for (const OutgoingDatagram& d : out) {
        const SimBridgeState& b = Bridge(d.bridgeIndex);
        SCOPED_TRACE(b.deviceName.toStdString());
        EXPECT_EQ(d.sendAtMs, 5000);
        EXPECT_FALSE(d.bytes.contains('\0'));
        EXPECT_LE(d.bytes.size(), kMaxReplyTextChars);
        EXPECT_TRUE(d.bytes.startsWith("Torva_MultiAp_mgnt\r1001\rACK\r"));

        const auto back = ParseBack(d.bytes);
        ASSERT_EQ(back->result.kind, ReplyKind::New);
        const vantoro::Bridge& r = back->bridge();
        EXPECT_EQ(r.macAddress.View(), b.macAddress.toStdString());
        EXPECT_EQ(r.deviceName.View(), b.deviceName.toStdString());
        EXPECT_EQ(back->row[ColumnModel].View(), b.model.toStdString());
        EXPECT_EQ(r.ipMode.View(), b.ipMode.toStdString());
        EXPECT_EQ(r.ipAddress.View(), b.ipAddress.toStdString());
        EXPECT_EQ(r.subnetMask.View(), b.subnetMask.toStdString());
        EXPECT_EQ(r.gateway.View(), b.gateway.toStdString());
        EXPECT_EQ(DecimalValue(r.networkType.View()), b.networkType);
        EXPECT_EQ(DecimalValue(r.channel.View()), b.channel);
        EXPECT_EQ(DecimalValue(r.profile.View()), b.profile);
        EXPECT_EQ(r.country.View(), b.country.toStdString());
        EXPECT_EQ(DecimalValue(r.privacy.View()) != 0, b.privacy);
        EXPECT_EQ(DecimalValue(r.keyLength.View()), b.keyLength);
        EXPECT_EQ(DecimalValue(r.keyId.View()), b.keyId);
        for (int k = 0; k < kKeyCount; ++k) {
            EXPECT_EQ(r.keys[size_t(k)].View(), b.keys[size_t(k)].toStdString()) << "key " << k;
        }
        EXPECT_EQ(r.ssid.View(), b.ssid.toStdString());
        ASSERT_EQ(r.SsidListSize(), b.ssidList.size());
        for (int i = 0; i < r.SsidListSize(); ++i) {
            EXPECT_EQ(r.ssidList[size_t(i)].View(), b.ssidList[i].toStdString());
        }
        EXPECT_EQ(DecimalValue(r.linkQuality.View()), b.linkQuality);
        EXPECT_EQ(r.txPackets.View(), std::to_string(b.TxPacketsAt(5000)));
        EXPECT_EQ(r.rxPackets.View(), std::to_string(b.RxPacketsAt(5000)));
        EXPECT_EQ(r.userName.View(), b.userName.toStdString());
        EXPECT_EQ(r.password.View(), b.password.toStdString());
        EXPECT_EQ(r.version.View(), b.version.toStdString());
    }
}

TEST_F(SimEngineTest, EmptyTextsBecomePlaceholdersAndAnEmptyVersionEndsTheReply) {
    SimBridgeState b = DemoFleet()[0];
    b.deviceName.clear();
    b.ssid.clear();
    b.keys = {};
    b.version.clear();
    const QByteArray reply = BuildReply(b, Command::Status, 0);
    const QList<QByteArray> fields = reply.split('\r');
    EXPECT_FALSE(fields.contains(QByteArray())) << "an empty field would shift the rest";
    EXPECT_EQ(fields[4], "NULL");
    EXPECT_EQ(fields[17], "NULL");
    EXPECT_EQ(fields.last(), b.password);
    EXPECT_EQ(fields.size(), 28 + b.ssidList.size());

    const auto back = ParseBack(reply);
    EXPECT_TRUE(back->bridge().version.IsEmpty());
    EXPECT_TRUE(back->bridge().keys[0].IsEmpty());
    EXPECT_EQ(back->bridge().password.View(), b.password.toStdString());
}

TEST_F(SimEngineTest, LongNetworkNamesAreDroppedToKeepTheReplyReadable) {
    SimBridgeState b = DemoFleet()[2];
    // Every field at its longest: sixteen 32-character names no longer fit in 1023 characters.
    for (QByteArray* text : {&b.macAddress, &b.deviceName, &b.model, &b.country, &b.ssid,
                             &b.userName, &b.password, &b.version}) {
        *text = QByteArray(kSimFieldChars, 't');
    }
    b.keys[3] = b.keys[0];
    b.txPackets = b.rxPackets = 1'000'000'000'000'000;
    b.ssidList.clear();
    for (int i = 0; i < kSimMaxSsids; ++i) {
        b.ssidList.append(QByteArray(kSimFieldChars, char('a' + i)));
    }
    const QByteArray reply = BuildReply(b, Command::Discovery, 0);
    EXPECT_LE(reply.size(), kMaxReplyTextChars);
    const auto back = ParseBack(reply);
    EXPECT_GT(back->bridge().SsidListSize(), 0);
    EXPECT_LT(back->bridge().SsidListSize(), kSimMaxSsids);
    // The fields after the list are where N says they are.
    EXPECT_EQ(back->bridge().password.View(), b.password.toStdString());
    EXPECT_EQ(back->bridge().version.View(), b.version.toStdString());
}

TEST_F(SimEngineTest, PacketCountersGrowWithTheClock) {
    const SimBridgeState& b = Bridge(0);
    EXPECT_EQ(b.TxPacketsAt(0), b.txPackets);
    EXPECT_EQ(b.TxPacketsAt(10'000), b.txPackets + 10u * b.txPerSecond);
    EXPECT_EQ(b.RxPacketsAt(10'000), b.rxPackets + 10u * b.rxPerSecond);
}

// --- who answers -----------------------------------------------------------------------------

TEST_F(SimEngineTest, StatusIsAnsweredOnlyByTheBridgeWithThatExactIdentifier) {
    const std::vector<OutgoingDatagram> own = Send(StatusRequest(kWarehouse));
    ASSERT_EQ(own.size(), 1u);
    EXPECT_EQ(own[0].bridgeIndex, 1);
    EXPECT_TRUE(own[0].bytes.startsWith("Torva_MultiAp_mgnt\r1003\rACK\r" + kWarehouse + '\r'));

    EXPECT_TRUE(Send(StatusRequest("02:4b:00:00:00:02")).empty()) << "compared byte for byte";
    EXPECT_TRUE(Send(StatusRequest("02:4B:00:00:00:0")).empty());
    EXPECT_TRUE(Send(StatusRequest("02:4B:00:00:00:99")).empty());
    EXPECT_EQ(LastLog().value("reason").toString(),
              QStringLiteral("no bridge has this identifier"));
}

TEST_F(SimEngineTest, ConfigurationForAnotherIdentifierChangesNothing) {
    const Items items = {{"wan_proto ", "static"},
                         {"wan_ipaddr ", "192.168.7.7"},
                         {"wan_netmask ", "255.255.255.0"}};
    Send(ConfigRequest("02:4B:00:00:00:77", items));
    EXPECT_FALSE(LastLog().value("applied").toBool());
    for (const SimBridgeState& b : engine->Bridges()) {
        EXPECT_NE(b.ipAddress, "192.168.7.7");
        EXPECT_FALSE(b.IsRebooting(0));
    }
}

TEST_F(SimEngineTest, RepliesFromOtherBridgesAreIgnoredWithoutALogLine) {
    const QByteArray reply = BuildReply(Bridge(0), Command::Discovery, 0);
    EXPECT_TRUE(Send(reply).empty());
    EXPECT_TRUE(log.isEmpty());
}

// --- configuration ---------------------------------------------------------------------------

TEST_F(SimEngineTest, IpGroupIsAppliedAndTheBridgeIsSilentWhileItReboots) {
    const Items items = {
        {"wan_proto ", "static"}, {"wan_ipaddr ", "192.168.9.20"}, {"wan_netmask ", "255.255.0.0"}};
    EXPECT_TRUE(Send(ConfigRequest(kWarehouse, items), 1000).empty()) << "no reply to a config";
    EXPECT_TRUE(LastLog().value("applied").toBool());

    EXPECT_TRUE(Send(StatusRequest(kWarehouse), 1000 + kRebootMs - 1).empty());
    EXPECT_EQ(LastLog().value("reason").toString(), QStringLiteral("bridge is rebooting"));
    const std::vector<OutgoingDatagram> discovery = Send(kDiscovery, 1000 + kRebootMs - 1);
    EXPECT_EQ(discovery.size(), engine->Bridges().size() - 1);
    for (const OutgoingDatagram& d : discovery) {
        EXPECT_NE(d.bridgeIndex, 1);
    }

    const std::vector<OutgoingDatagram> after = Send(StatusRequest(kWarehouse), 1000 + kRebootMs);
    ASSERT_EQ(after.size(), 1u);
    const auto back = ParseBack(after[0].bytes);
    EXPECT_EQ(back->bridge().ipMode.View(), "static");
    EXPECT_EQ(back->bridge().ipAddress.View(), "192.168.9.20");
    EXPECT_EQ(back->bridge().subnetMask.View(), "255.255.0.0");
    EXPECT_EQ(back->bridge().txPackets.View(), "0") << "counters restart with the reboot";
    // The wireless settings were not touched.
    EXPECT_EQ(back->bridge().keys[0].View(), "0A1B2C3D4E");
}

TEST_F(SimEngineTest, DhcpKeepsTheLeaseWhenTheProgramSendsNoAddress) {
    Send(ConfigRequest(
        kOffice,
        {{"wan_proto ", "dhcp"}, {"wan_ipaddr ", "0.0.0.0"}, {"wan_netmask ", "0.0.0.0"}}));
    ASSERT_TRUE(LastLog().value("applied").toBool()) << log.last().toStdString();
    EXPECT_EQ(Bridge(0).ipMode, "dhcp");
    EXPECT_EQ(Bridge(0).ipAddress, "192.168.1.250");
    EXPECT_EQ(Bridge(0).subnetMask, "255.255.255.0");
}

TEST_F(SimEngineTest, WirelessGroupSetsRegionModeAndKeys) {
    // Warehouse holds 64-bit keys 1 and 2, default key 2.
    const QByteArray key1 = "00112233445566778899AABBCC";
    const QByteArray key3 = "ffeeddccbbaa99887766554433";
    Send(ConfigRequest(kWarehouse, {{"isl_wlg_country ", "JP"},
                                    {"isl_wlg_ssid ", "New Net 1"},
                                    {"isl_wlg_nw_type ", "2"},
                                    {"isl_wlg_profile ", "0"},
                                    {"isl_wlg_channel ", "13"},
                                    {"isl_wlg_privacy ", "1"},
                                    {"isl_wlg_keyid ", "3"},
                                    {"isl_wlg_key_1 ", key1},
                                    {"isl_wlg_empty_key_1 ", "1"},
                                    {"isl_wlg_empty_key_2 ", "empty"},
                                    {"isl_wlg_key_3 ", key3},
                                    {"isl_wlg_empty_key_3 ", "1"}}),
         0);
    ASSERT_TRUE(LastLog().value("applied").toBool()) << log.last().toStdString();

    const std::vector<OutgoingDatagram> out = Send(StatusRequest(kWarehouse), kRebootMs);
    ASSERT_EQ(out.size(), 1u);
    const auto back = ParseBack(out[0].bytes);
    const vantoro::Bridge& r = back->bridge();
    EXPECT_EQ(r.country.View(), "JP");
    EXPECT_EQ(r.ssid.View(), "New Net 1");
    EXPECT_EQ(r.networkType.View(), "2");
    EXPECT_EQ(r.profile.View(), "0");
    EXPECT_EQ(r.channel.View(), "13");
    EXPECT_EQ(r.privacy.View(), "1");
    EXPECT_EQ(r.keyId.View(), "4") << "keyid 0..3 is reported as 1..4";
    EXPECT_EQ(r.keyLength.View(), "26");
    EXPECT_EQ(r.keys[0].View(), key1.toStdString());
    EXPECT_TRUE(r.keys[1].IsEmpty()) << "cleared with \"empty\", sent as NULL";
    EXPECT_EQ(r.keys[2].View(), key3.toStdString());
    EXPECT_TRUE(r.keys[3].IsEmpty());
}

TEST_F(SimEngineTest, KeysOfTheOtherLengthAreDroppedWhenTheLengthChanges) {
    // Lab holds 128-bit keys 1..3; a new 64-bit key 2 leaves keys 1 and 3 unusable.
    Send(ConfigRequest(kLab, {{"isl_wlg_ssid ", "Lab"},
                              {"isl_wlg_nw_type ", "1"},
                              {"isl_wlg_privacy ", "1"},
                              {"isl_wlg_keyid ", "1"},
                              {"isl_wlg_key_2 ", "0123456789"},
                              {"isl_wlg_empty_key_2 ", "1"}}));
    ASSERT_TRUE(LastLog().value("applied").toBool()) << log.last().toStdString();
    const SimBridgeState& lab = Bridge(2);
    EXPECT_EQ(lab.keyLength, 10);
    EXPECT_EQ(lab.keyId, 2);
    EXPECT_EQ(lab.keys[0], "");
    EXPECT_EQ(lab.keys[1], "0123456789");
    EXPECT_EQ(lab.keys[2], "");
}

TEST_F(SimEngineTest, AdHocChannelFollowsTheRegionTheBridgeAlreadyHas) {
    // Taipei's "TW" is not in the table: it reads as the first row, channel 11 only.
    const auto adHoc = [](const char* channel) {
        return Items{{"isl_wlg_ssid ", "Desk"},
                     {"isl_wlg_nw_type ", "2"},
                     {"isl_wlg_channel ", channel},
                     {"isl_wlg_privacy ", "0"}};
    };
    Send(ConfigRequest(kTaipei, adHoc("6")));
    EXPECT_FALSE(LastLog().value("applied").toBool());
    EXPECT_TRUE(LastLog().value("reason").toString().contains(QStringLiteral("11..11")));
    Send(ConfigRequest(kTaipei, adHoc("11")));
    EXPECT_TRUE(LastLog().value("applied").toBool()) << log.last().toStdString();
    EXPECT_EQ(Bridge(4).channel, 11);
    EXPECT_EQ(Bridge(4).country, "TW") << "the region is kept when not sent";
}

struct RejectCase {
    const char* name;
    Items items;
    const char* reason; // part of the logged reason
};

class SimEngineRejectTest : public SimEngineTest,
                            public ::testing::WithParamInterface<RejectCase> {};

const Items kIp = {
    {"wan_proto ", "static"}, {"wan_ipaddr ", "192.168.1.77"}, {"wan_netmask ", "255.255.255.0"}};

Items With(Items items, int index, QByteArray value) {
    items[index].second = std::move(value);
    return items;
}

Items Wireless(Items tail, QByteArray privacy = "1") {
    Items items = {
        {"isl_wlg_ssid ", "Net"}, {"isl_wlg_nw_type ", "1"}, {"isl_wlg_privacy ", privacy}};
    items.append(tail);
    return items;
}

TEST_P(SimEngineRejectTest, IsLoggedWithItsReasonAndChangesNothing) {
    const RejectCase& c = GetParam();
    const SimBridgeState before = Bridge(1);
    Send(ConfigRequest(kWarehouse, c.items), 0);
    const QJsonObject line = LastLog();
    EXPECT_EQ(line.value("command").toInt(), 1002);
    EXPECT_FALSE(line.value("applied").toBool(true));
    EXPECT_TRUE(line.value("reason").toString().contains(QLatin1String(c.reason)))
        << line.value("reason").toString().toStdString();
    const SimBridgeState& after = Bridge(1);
    EXPECT_EQ(after.ipAddress, before.ipAddress);
    EXPECT_EQ(after.ssid, before.ssid);
    EXPECT_EQ(after.keys, before.keys);
    EXPECT_EQ(after.keyId, before.keyId);
    EXPECT_EQ(after.privacy, before.privacy);
    EXPECT_EQ(Send(StatusRequest(kWarehouse), 1).size(), 1u) << "no reboot after a refusal";
}

INSTANTIATE_TEST_SUITE_P(
    Refused, SimEngineRejectTest,
    ::testing::Values(
        RejectCase{
            "UnknownKey", {{"wan_proto ", "static"}, {"wan_gateway ", "1.2.3.4"}}, "unknown key"},
        RejectCase{"KeyInCapitals", {{"WAN_PROTO ", "static"}}, "unknown key"},
        RejectCase{"WrongOrder",
                   {{"wan_ipaddr ", "192.168.1.77"},
                    {"wan_proto ", "static"},
                    {"wan_netmask ", "255.255.255.0"}},
                   "out of order"},
        RejectCase{"Repeated", {{"wan_proto ", "static"}, {"wan_proto ", "static"}}, "repeated"},
        RejectCase{"MixedGroups",
                   {{"wan_proto ", "static"},
                    {"wan_ipaddr ", "192.168.1.77"},
                    {"wan_netmask ", "255.255.255.0"},
                    {"isl_wlg_ssid ", "Net"}},
                   "IP and wireless"},
        RejectCase{"IpGroupIncomplete",
                   {{"wan_proto ", "static"}, {"wan_ipaddr ", "1.2.3.4"}},
                   "wan_netmask missing"},
        RejectCase{"BadProto", With(kIp, 0, "pppoe"), "static or dhcp"},
        RejectCase{"AddressPartTooBig", With(kIp, 1, "192.168.1.300"), "dotted-decimal"},
        RejectCase{"AddressThreeParts", With(kIp, 1, "192.168.1"), "dotted-decimal"},
        RejectCase{"AddressWithSpace", With(kIp, 1, "192.168.1.7 "), "dotted-decimal"},
        RejectCase{"FixedZeroAddress", With(kIp, 1, "0.0.0.0"), "host address"},
        RejectCase{"MaskWithHoles", With(kIp, 2, "255.0.255.0"), "contiguous"},
        RejectCase{"SsidTooLong",
                   {{"isl_wlg_ssid ", QByteArray(33, 's')},
                    {"isl_wlg_nw_type ", "1"},
                    {"isl_wlg_privacy ", "0"}},
                   "1 to 32"},
        RejectCase{"SsidEmpty", With(Wireless({}, "0"), 0, ""), "1 to 32"},
        RejectCase{"WirelessWithoutPrivacy",
                   {{"isl_wlg_ssid ", "Net"}, {"isl_wlg_nw_type ", "1"}},
                   "isl_wlg_privacy missing"},
        RejectCase{"NetworkType3", With(Wireless({}, "0"), 1, "3"), "1 or 2"},
        RejectCase{"ChannelInInfrastructure",
                   {{"isl_wlg_ssid ", "Net"},
                    {"isl_wlg_nw_type ", "1"},
                    {"isl_wlg_channel ", "6"},
                    {"isl_wlg_privacy ", "0"}},
                   "only for ad-hoc"},
        RejectCase{"Profile2",
                   {{"isl_wlg_ssid ", "Net"},
                    {"isl_wlg_nw_type ", "2"},
                    {"isl_wlg_profile ", "2"},
                    {"isl_wlg_privacy ", "0"}},
                   "0, 1 or 3"},
        RejectCase{"ChannelOutsideNewRegion",
                   {{"isl_wlg_country ", "FR"},
                    {"isl_wlg_ssid ", "Net"},
                    {"isl_wlg_nw_type ", "2"},
                    {"isl_wlg_channel ", "9"},
                    {"isl_wlg_privacy ", "0"}},
                   "outside 10..13"},
        RejectCase{"ChannelNotANumber",
                   {{"isl_wlg_ssid ", "Net"},
                    {"isl_wlg_nw_type ", "2"},
                    {"isl_wlg_channel ", "+6"},
                    {"isl_wlg_privacy ", "0"}},
                   "outside"},
        RejectCase{"RegionNotInTable",
                   {{"isl_wlg_country ", "TW"},
                    {"isl_wlg_ssid ", "Net"},
                    {"isl_wlg_nw_type ", "1"},
                    {"isl_wlg_privacy ", "0"}},
                   "unknown region"},
        RejectCase{"RegionLowerCase",
                   {{"isl_wlg_country ", "us"},
                    {"isl_wlg_ssid ", "Net"},
                    {"isl_wlg_nw_type ", "1"},
                    {"isl_wlg_privacy ", "0"}},
                   "unknown region"},
        RejectCase{"Privacy2", With(Wireless({}, "0"), 2, "2"), "0 or 1"},
        RejectCase{"KeyIdFour", Wireless({{"isl_wlg_keyid ", "4"}}), "0 to 3"},
        RejectCase{"KeysWithPrivacyOff", Wireless({{"isl_wlg_keyid ", "0"}}, "0"),
                   "need isl_wlg_privacy 1"},
        RejectCase{"KeyNotHex",
                   Wireless({{"isl_wlg_key_1 ", "0A1B2C3D4G"}, {"isl_wlg_empty_key_1 ", "1"}}),
                   "hex digits"},
        RejectCase{"KeyLength12",
                   Wireless({{"isl_wlg_key_1 ", "0A1B2C3D4E5F"}, {"isl_wlg_empty_key_1 ", "1"}}),
                   "hex digits"},
        RejectCase{"KeysOfTwoLengths",
                   Wireless({{"isl_wlg_key_1 ", "0A1B2C3D4E"},
                             {"isl_wlg_empty_key_1 ", "1"},
                             {"isl_wlg_key_2 ", "00112233445566778899AABBCC"},
                             {"isl_wlg_empty_key_2 ", "1"}}),
                   "different lengths"},
        RejectCase{"KeyWithoutItsEmptyItem", Wireless({{"isl_wlg_key_1 ", "0A1B2C3D4E"}}),
                   "isl_wlg_empty_key_1 must follow"},
        RejectCase{"KeyFollowedByEmpty",
                   Wireless({{"isl_wlg_key_1 ", "0A1B2C3D4E"}, {"isl_wlg_empty_key_1 ", "empty"}}),
                   "must follow with 1"},
        RejectCase{"EmptyItemOneAlone", Wireless({{"isl_wlg_empty_key_3 ", "1"}}),
                   "alone must be \"empty\""},
        RejectCase{"KeyPairsOutOfOrder",
                   Wireless({{"isl_wlg_key_2 ", "0A1B2C3D4E"},
                             {"isl_wlg_empty_key_2 ", "1"},
                             {"isl_wlg_key_1 ", "0A1B2C3D4E"},
                             {"isl_wlg_empty_key_1 ", "1"}}),
                   "out of order"}),
    [](const ::testing::TestParamInfo<RejectCase>& param) {
        return std::string(param.param.name);
    });

TEST_F(SimEngineTest, BrokenRequestLayoutsAreLoggedAndIgnored) {
    const SimBridgeState before = Bridge(1);
    const struct {
        QByteArray request;
        const char* reason;
    } cases[] = {
        // A CR inside the SSID value splits it into an item with no value.
        {"Torva_MultiAp_mgnt 1002 REQ " + kWarehouse +
             " isl_wlg_ssid a\rb\risl_wlg_nw_type 1\risl_wlg_privacy 0\r\r",
         "has no value"},
        {"Torva_MultiAp_mgnt 1002 REQ " + kWarehouse +
             " isl_wlg_ssid a\r\risl_wlg_nw_type 1\risl_wlg_privacy 0\r\r",
         "empty item"},
        {"Torva_MultiAp_mgnt 1002 REQ " + kWarehouse + " wan_proto dhcp\r", "CR CR"},
        {"Torva_MultiAp_mgnt 1002 REQ " + kWarehouse + "\r\r", "no target"},
        {"Torva_MultiAp_mgnt 1003 REQ " + kWarehouse + " 0.0.0.0\r", "CR CR"},
        {Bytes("Torva_MultiAp_mgnt 1003 REQ 02:4B:00:00:00:02 0.0.0.0\r\r\0"), "CR CR"},
        {Bytes("Torva_MultiAp_mgnt 1003 REQ 02:4B:00:00:00:02 0.0\0.0\r\r"), "NUL"},
        {"Torva_MultiAp_mgnt 1004 REQ 0.0.0.0\r\r", "unknown command 1004"},
        {"Torva_MultiAp_mgnt 1001 ACK 0.0.0.0\r\r", "REQ"},
        {"torva_multiap_mgnt 1001 REQ 0.0.0.0\r\r", "not a management request"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request.toStdString());
        EXPECT_TRUE(Send(c.request).empty());
        EXPECT_TRUE(LastLog().value("reason").toString().contains(QLatin1String(c.reason)))
            << log.last().toStdString();
    }
    EXPECT_EQ(Bridge(1).ssid, before.ssid);
    EXPECT_EQ(Bridge(1).ipMode, before.ipMode);
}

// --- the request log -------------------------------------------------------------------------

TEST_F(SimEngineTest, LogLineRecordsExactlyWhatWentOverTheWire) {
    const QByteArray request = ConfigRequest(
        kWarehouse,
        {{"isl_wlg_ssid ", "Two words"}, {"isl_wlg_nw_type ", "1"}, {"isl_wlg_privacy ", "0"}});
    Send(request, 1234);
    const QJsonObject line = LastLog();
    EXPECT_EQ(line.value("time").toInteger(), 1234);
    EXPECT_EQ(line.value("command").toInt(), 1002);
    EXPECT_EQ(line.value("target").toString(), QString::fromLatin1(kWarehouse));
    EXPECT_EQ(line.value("raw").toString(), QString::fromLatin1(request.toHex()));
    EXPECT_EQ(QByteArray::fromHex(line.value("raw").toString().toLatin1()), request);
    const QJsonArray expected = {QJsonArray{"isl_wlg_ssid", "Two words"},
                                 QJsonArray{"isl_wlg_nw_type", "1"},
                                 QJsonArray{"isl_wlg_privacy", "0"}};
    EXPECT_EQ(line.value("items").toArray(), expected);
    EXPECT_TRUE(line.value("applied").toBool());
    EXPECT_FALSE(line.contains("reason"));
    EXPECT_FALSE(log.last().contains('\n')) << "one line per request";

    Send(kDiscovery, 1234 + kRebootMs - 1);
    const QJsonObject discovery = LastLog();
    EXPECT_EQ(discovery.value("command").toInt(), 1001);
    EXPECT_TRUE(discovery.value("target").isNull());
    EXPECT_EQ(discovery.value("argument").toString(), QStringLiteral("0.0.0.0"));
    EXPECT_TRUE(discovery.value("items").toArray().isEmpty());
    EXPECT_EQ(discovery.value("replies").toInt(), 5) << "the reconfigured bridge is rebooting";
    EXPECT_FALSE(discovery.contains("applied"));

    Send(QByteArray("\x01\x02junk", 6));
    EXPECT_TRUE(LastLog().value("command").isNull());
    EXPECT_EQ(LastLog().value("raw").toString(), QStringLiteral("01026a756e6b"));
    EXPECT_EQ(log.size(), 3);
}

// --- options ---------------------------------------------------------------------------------

TEST_F(SimEngineTest, DelayJitterDropsAndDuplicatesFollowTheSeed) {
    SimOptions options;
    options.replyDelayMs = 100;
    options.jitterMs = 40;
    options.dropProbability = 0.3;
    options.duplicateProbability = 0.5;
    options.seed = 42;
    const auto run = [&](quint64 seed) {
        options.seed = seed;
        SimEngine e(GenerateFleet(200), options);
        std::vector<std::pair<qint64, int>> sent;
        for (int i = 0; i < 3; ++i) {
            for (const OutgoingDatagram& d : e.HandleDatagram(kDiscovery, i * 500)) {
                EXPECT_GE(d.sendAtMs, i * 500 + 100);
                EXPECT_LE(d.sendAtMs, i * 500 + 140);
                sent.emplace_back(d.sendAtMs, d.bridgeIndex);
            }
        }
        return sent;
    };
    const auto first = run(42);
    EXPECT_EQ(first, run(42));
    EXPECT_NE(first, run(43));
    // 600 replies, about 0.7 * 1.5 of them sent: loose bounds that still catch a broken draw.
    EXPECT_GT(first.size(), 500u);
    EXPECT_LT(first.size(), 800u);
    std::set<qint64> times;
    for (const auto& [time, index] : first) {
        times.insert(time);
    }
    EXPECT_GT(times.size(), 60u) << "jitter spreads the replies";
}

TEST_F(SimEngineTest, EveryDatagramCanBeDroppedOrRepeated) {
    SimOptions options;
    options.dropProbability = 1.0;
    Reset(options);
    EXPECT_TRUE(Send(kDiscovery).empty());
    EXPECT_EQ(LastLog().value("replies").toInt(), 0);

    options = {};
    options.duplicateCount = 2;
    Reset(options);
    const std::vector<OutgoingDatagram> out = Send(StatusRequest(kOffice));
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].bytes, out[1].bytes);
    EXPECT_EQ(out[0].bytes, out[2].bytes);
}

// --- malformed mode --------------------------------------------------------------------------

TEST_F(SimEngineTest, MalformedModeSendsEveryBrokenKindAndTheParserSurvivesThem) {
    SimOptions options;
    options.malformed = true;
    options.seed = 7;
    Reset(options);
    const std::vector<OutgoingDatagram> out = Send(kDiscovery);
    ASSERT_EQ(out.size(), 2 * engine->Bridges().size());

    auto table = std::make_unique<BridgeTable>();
    RowText row;
    int rows = 0;
    int good = 0;
    bool overlong = false, tooManyNames = false, noAck = false, nul = false, oversize = false;
    for (const OutgoingDatagram& d : out) {
        const QByteArray& bytes = d.bytes;
        EXPECT_LE(bytes.size(), kMaxDatagramBytes);
        const std::string_view text = DatagramText(bytes);
        const ReplyResult result = ParseReply(*table, rows, text, row);
        if (result.kind == ReplyKind::New) {
            ++rows;
        }
        const QList<QByteArray> fields = bytes.split('\r');
        good += bytes == BuildReply(Bridge(d.bridgeIndex), Command::Discovery, 0) ? 1 : 0;
        overlong = overlong || (fields.size() > 4 && fields[4].size() > kSimFieldChars &&
                                bytes.size() < kMaxDatagramBytes);
        tooManyNames = tooManyNames || (fields.size() > 22 && fields[2] == "ACK" &&
                                        fields[22].toInt() > kSimMaxSsids);
        noAck = noAck || (fields.size() > 20 && fields[2] != "ACK");
        nul = nul || bytes.contains('\0');
        oversize = oversize || (bytes.size() == kMaxDatagramBytes && !bytes.contains('\0'));
        if (bytes.startsWith("Torva_MultiAp_mgnt\r") && fields[2] != "ACK") {
            EXPECT_EQ(result.kind, ReplyKind::Ignored);
        }
    }
    EXPECT_EQ(good, int(engine->Bridges().size()));
    EXPECT_TRUE(overlong);
    EXPECT_TRUE(tooManyNames);
    EXPECT_TRUE(noAck);
    EXPECT_TRUE(nul);
    EXPECT_TRUE(oversize);
    EXPECT_LE(rows, kBridgeTableSize);
    for (int i = 0; i < rows; ++i) {
        EXPECT_LE(table->records[size_t(i)].deviceName.View().size(), size_t(kBridgeTextChars));
    }
}

TEST_F(SimEngineTest, EachMalformedKindIsBrokenTheWayItsNameSays) {
    SimRandom random(3);
    const SimBridgeState& b = Bridge(5);
    const auto make = [&](MalformedKind kind) {
        return BuildMalformedReply(b, Command::Status, 0, kind, random);
    };
    const QByteArray nul = make(MalformedKind::EmbeddedNul);
    EXPECT_TRUE(nul.contains('\0'));
    EXPECT_GT(nul.size(), nul.indexOf('\0') + 100) << "text follows the NUL";
    const auto cut = ParseBack(nul);
    EXPECT_EQ(cut->result.kind, ReplyKind::New);
    EXPECT_TRUE(cut->bridge().ssid.IsEmpty()) << "nothing after the NUL is read";

    const QByteArray big = make(MalformedKind::Oversize);
    EXPECT_EQ(big.size(), kMaxDatagramBytes);
    EXPECT_FALSE(big.contains('\0'));
    EXPECT_EQ(ParseBack(big)->result.kind, ReplyKind::New);

    const auto many = ParseBack(make(MalformedKind::TooManySsids));
    EXPECT_EQ(many->bridge().SsidListSize(), kSimMaxSsids);

    const auto longer = ParseBack(make(MalformedKind::OverlongFields));
    EXPECT_EQ(longer->bridge().deviceName.View().size(), size_t(kBridgeTextChars));
    EXPECT_EQ(longer->bridge().macAddress.View(), b.macAddress.toStdString());

    EXPECT_EQ(ParseBack(make(MalformedKind::MissingAck))->result.kind, ReplyKind::Ignored);
    for (int i = 0; i < 50; ++i) {
        const QByteArray junk = make(MalformedKind::JunkBytes);
        EXPECT_FALSE(junk.isEmpty());
        ParseBack(junk);
    }
}

} // namespace
} // namespace vantoro::sim
