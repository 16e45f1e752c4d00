#include "sim/SimEngine.h"

#include "sim/SimRequest.h"
#include "tests/sim/SimTestUtil.h"

#include <gtest/gtest.h>

namespace vantoro::sim {
namespace {

using namespace vantoro::sim::testing;

constexpr qint64 kRebootMs = 500;
const QByteArray kOffice = "02:4B:00:00:00:01";    // fixed address, no WEP
const QByteArray kWarehouse = "02:4B:00:00:00:02"; // DHCP, 64-bit keys 1 and 2, default key 2
const QByteArray kLab = "02:4B:00:00:00:03";       // 128-bit keys 1..3
const QByteArray kTaipei = "02:4B:00:00:00:05";    // region "TW", not in the table

QByteArray Text(const BridgeText& t) {
    return QByteArray(t.view().data(), qsizetype(t.view().size()));
}

class SimEngineTest : public ::testing::Test {
protected:
    SimEngineTest() {
        engine = std::make_unique<SimEngine>(DemoFleet(), SimOptions{.rebootMs = int(kRebootMs)});
        engine->setLogSink([this](const QByteArray& line) { log.append(QString::fromUtf8(line)); });
    }

    std::vector<OutgoingDatagram> Send(const QByteArray& request, qint64 now = 0) {
        return engine->HandleDatagram(request, now);
    }

    const SimBridgeState& Bridge(int index) const { return engine->bridges()[size_t(index)]; }
    QJsonObject LastLog() const { return JsonLine(log.last()); }
    bool Applied() const { return LastLog().value("applied").toBool(); }
    QString Reason() const { return LastLog().value("reason").toString(); }

    std::unique_ptr<SimEngine> engine;
    QStringList log;
};

TEST_F(SimEngineTest, DiscoveryGetsOneReplyPerBridgeThatReadsBackIntoTheSameRecord) {
    const std::vector<OutgoingDatagram> out = Send(kDiscovery, 5000);
    ASSERT_EQ(out.size(), engine->bridges().size());
    const auto n = [](qint64 value) { return QByteArray::number(value); };
    for (const OutgoingDatagram& d : out) {
        const SimBridgeState& b = Bridge(d.bridgeIndex);
        EXPECT_LE(d.bytes.size(), kMaxReplyTextChars);
        const auto back = ParseBack(d.bytes);
        ASSERT_EQ(back->result.kind, ReplyKind::New);
        const vantoro::Bridge& r = back->bridge();
        QList<QByteArray> got, want;
        got << Text(r.macAddress) << Text(r.deviceName) << Text(back->row[ColumnModel])
            << Text(r.ipMode) << Text(r.ipAddress) << Text(r.subnetMask) << Text(r.gateway)
            << Text(r.networkType) << Text(r.channel) << Text(r.profile) << Text(r.country)
            << Text(r.privacy) << Text(r.keyLength) << Text(r.keyId) << Text(r.ssid)
            << Text(r.linkQuality) << Text(r.txPackets) << Text(r.rxPackets) << Text(r.userName)
            << Text(r.password) << Text(r.version) << Text(r.keys[0]) << Text(r.keys[1])
            << Text(r.keys[2]) << Text(r.keys[3]);
        want << b.macAddress << b.deviceName << b.model << b.ipMode << b.ipAddress << b.subnetMask
             << b.gateway << n(b.networkType) << n(b.channel) << n(b.profile) << b.country
             << n(b.privacy) << n(b.keyLength) << n(b.keyId) << b.ssid << n(b.linkQuality)
             << n(qint64(b.txPackets + 5 * quint64(b.txPerSecond))) // the counters grow per second
             << n(qint64(b.rxPackets + 5 * quint64(b.rxPerSecond))) << b.userName << b.password
             << b.version << b.keys[0] << b.keys[1] << b.keys[2] << b.keys[3] << b.ssidList;
        for (int i = 0; i < r.ssidListSize(); ++i) {
            got.append(Text(r.ssidList[size_t(i)]));
        }
        EXPECT_EQ(got, want) << b.deviceName.toStdString();
    }
}

TEST_F(SimEngineTest, EmptyTextsBecomePlaceholdersSoNoFieldShifts) {
    SimBridgeState b = DemoFleet()[0];
    b.deviceName.clear();
    b.keys = {};
    b.version.clear();
    const QByteArray reply = BuildReply(b, Command::Status, 0);
    const QList<QByteArray> fields = reply.split('\r');
    EXPECT_FALSE(fields.contains(QByteArray())) << "an empty field would shift the rest";
    EXPECT_TRUE(fields[4] == "NULL" && fields[17] == "NULL") << reply.toStdString();
    EXPECT_EQ(fields.size(), 28 + b.ssidList.size()) << "an empty version ends the reply";
}

TEST_F(SimEngineTest, IpGroupIsAppliedAndTheBridgeIsSilentWhileItReboots) {
    SimBridgeState want = Bridge(1);
    const QByteArray ip = "wan_proto static\rwan_ipaddr 192.168.9.20\rwan_netmask 255.255.0.0";
    EXPECT_TRUE(Send(ConfigRequest(kWarehouse, ip), 1000).empty() && Applied()) << "no reply";
    want.ipMode = "static";
    want.ipAddress = "192.168.9.20";
    want.subnetMask = "255.255.0.0";
    want.txPackets = want.rxPackets = 0; // counters restart with the reboot
    EXPECT_EQ(StateJson(Bridge(1)), StateJson(want)) << "the wireless settings are untouched";

    EXPECT_TRUE(Send(StatusRequest(kWarehouse), 1000 + kRebootMs - 1).empty());
    EXPECT_EQ(Reason(), QStringLiteral("bridge is rebooting"));
    const std::vector<OutgoingDatagram> after = Send(StatusRequest(kWarehouse), 1000 + kRebootMs);
    ASSERT_EQ(after.size(), 1u) << "only the bridge with that identifier answers";
    EXPECT_TRUE(after[0].bytes.startsWith("Torva_MultiAp_mgnt\r1003\rACK\r" + kWarehouse + '\r'));
    EXPECT_EQ(ParseBack(after[0].bytes)->bridge().txPackets.view(), "0");

    // DHCP keeps the lease when the program sends no address.
    Send(ConfigRequest(kOffice, "wan_proto dhcp\rwan_ipaddr 0.0.0.0\rwan_netmask 0.0.0.0"));
    ASSERT_TRUE(Applied()) << log.last().toStdString();
    EXPECT_EQ(Bridge(0).ipMode + ' ' + Bridge(0).ipAddress + ' ' + Bridge(0).subnetMask,
              "dhcp 192.168.1.250 255.255.255.0");
}

TEST_F(SimEngineTest, WirelessGroupSetsRegionModeChannelAndKeys) {
    SimBridgeState want = Bridge(1);
    Send(ConfigRequest(kWarehouse, "isl_wlg_country JP\risl_wlg_ssid New Net 1\r"
                                   "isl_wlg_nw_type 2\risl_wlg_profile 0\risl_wlg_channel 13\r"
                                   "isl_wlg_privacy 1\risl_wlg_keyid 3\r"
                                   "isl_wlg_key_1 00112233445566778899AABBCC\r"
                                   "isl_wlg_empty_key_1 1\risl_wlg_empty_key_2 empty\r"
                                   "isl_wlg_key_3 ffeeddccbbaa99887766554433\r"
                                   "isl_wlg_empty_key_3 1"));
    ASSERT_TRUE(Applied()) << log.last().toStdString();
    want.country = "JP";
    want.ssid = "New Net 1";
    want.networkType = 2;
    want.profile = 0;
    want.channel = 13;
    want.privacy = true;
    want.keyId = 4; // keyid 0..3 is reported as 1..4
    want.keyLength = 26;
    want.keys = {"00112233445566778899AABBCC", "", "ffeeddccbbaa99887766554433", ""};
    want.txPackets = want.rxPackets = 0;
    EXPECT_EQ(StateJson(Bridge(1)), StateJson(want));

    // Lab holds 128-bit keys 1..3; a new 64-bit key 2 leaves keys 1 and 3 unusable.
    Send(ConfigRequest(kLab, "isl_wlg_ssid Lab\risl_wlg_nw_type 1\risl_wlg_privacy 1\r"
                             "isl_wlg_keyid 1\risl_wlg_key_2 0123456789\risl_wlg_empty_key_2 1"));
    ASSERT_TRUE(Applied()) << log.last().toStdString();
    EXPECT_TRUE(Bridge(2).keyLength == 10 && Bridge(2).keyId == 2 &&
                Bridge(2).country == DemoFleet()[2].country); // a region not sent is kept
    EXPECT_EQ(Bridge(2).keys, (std::array<QByteArray, kSimKeyCount>{"", "0123456789", "", ""}));
}

TEST_F(SimEngineTest, RefusedAndBrokenRequestsAreLoggedWithTheirReasonAndChangeNothing) {
    const auto w = [](const QByteArray& items) { return ConfigRequest(kWarehouse, items); };
    const auto ip = [&](const char* address, const char* mask = "255.255.255.0") {
        return w(QByteArray("wan_proto static\rwan_ipaddr ") + address + "\rwan_netmask " + mask);
    };
    const auto net = [&](const char* type, const QByteArray& rest) {
        return w("isl_wlg_ssid Net\risl_wlg_nw_type " + QByteArray(type) + '\r' + rest);
    };
    const auto wep = [&](const QByteArray& keys) { return net("1", "isl_wlg_privacy 1\r" + keys); };
    const struct {
        QByteArray request;
        const char* reason; // part of the logged reason
    } cases[] = {
        {w("wan_proto static\rwan_gateway 1.2.3.4"), "unknown key"},
        {w("wan_ipaddr 1.2.3.4\rwan_proto static\rwan_netmask 255.0.0.0"), "out of order"},
        {StatusRequest("02:4b:00:00:00:02"), "no bridge has this identifier"}, // byte for byte
        {net("1", "isl_wlg_privacy 0").replace(kWarehouse, "02:4B:00:00:00:7"), "no bridge has"},
        {w("wan_proto static\rwan_ipaddr 1.2.3.4"), "wan_netmask missing"},
        {ip("1.2.3.4", "255.0.0.0\risl_wlg_ssid Net"), "IP and wireless"},
        {w("wan_proto pppoe\rwan_ipaddr 1.2.3.4\rwan_netmask 255.0.0.0"), "static or dhcp"},
        {ip("192.168.1.300"), "dotted-decimal"},
        {ip("192.168.1.77", "255.0.255.0"), "contiguous"},
        {w("isl_wlg_ssid " + QByteArray(33, 's') + "\risl_wlg_nw_type 1\risl_wlg_privacy 0"),
         "1 to 32"},
        {net("3", "isl_wlg_privacy 0"), "1 or 2"},
        // Taipei's "TW" is not in the table: it reads as the first row, channel 11 only.
        {net("2", "isl_wlg_channel 6\risl_wlg_privacy 0").replace(kWarehouse, kTaipei), "11..11"},
        {wep("isl_wlg_key_1 0A1B2C3D4G\risl_wlg_empty_key_1 1"), "hex digits"},
        {wep("isl_wlg_key_1 0A1B2C3D4E"), "isl_wlg_empty_key_1 must follow"},
        // A CR inside the SSID value splits it into an item with no value.
        {w("isl_wlg_ssid a\rb\risl_wlg_nw_type 1\risl_wlg_privacy 0"), "has no value"},
        {StatusRequest(kWarehouse).replace("0.0.0.0", QByteArray("0.0\0.0", 6)), "NUL"},
        {"torva_multiap_mgnt 1001 REQ 0.0.0.0\r\r", "not a management request"},
    };
    const QByteArray fleet = FleetToJson(engine->bridges());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request.toStdString());
        EXPECT_TRUE(Send(c.request).empty());
        EXPECT_FALSE(Applied());
        EXPECT_TRUE(Reason().contains(QLatin1String(c.reason))) << log.last().toStdString();
        EXPECT_EQ(FleetToJson(engine->bridges()), fleet);
    }
    EXPECT_EQ(Send(kDiscovery, 1).size(), engine->bridges().size()) << "nobody reboots";
    // Replies from other bridges are not requests: no answer and no log line.
    EXPECT_TRUE(Send(BuildReply(Bridge(0), Command::Discovery, 0)).empty());
    EXPECT_EQ(log.size(), qsizetype(std::size(cases)) + 1) << "one line per request";
}

} // namespace
} // namespace vantoro::sim
