#include "config/Plan.h"

#include <gtest/gtest.h>

namespace vantoro {
namespace {

PlanReadResult Json(const char* text) {
    return ReadJsonPlan(QByteArray(text), QStringLiteral("plan.json"));
}

PlanReadResult Csv(std::initializer_list<QStringList> rows) {
    return ReadCsvPlan(QList<QStringList>(rows), QStringLiteral("site.csv"));
}

TEST(PlanReader, BadDocumentsNameThePlaceOfTheirFirstError) {
    const struct {
        const char* json;
        const char* error;
    } cases[] = {
        {"{", "plan.json: not JSON: unterminated object at offset 1"},
        {"[]", "plan.json: the document is not a JSON object"},
        {"{}", "plan.json: bridges: missing"},
        {R"({"bridges": [], "extra": 1})", "plan.json: extra: unknown key"},
        {R"({"bridges": [{"mac": "A"}, {"mac": "B"}, {"mac": "C"},
            {"mac": "D", "ip": {"address": "10.61.0.300"}}]})",
         R"(plan.json: bridges[3].ip.address: "10.61.0.300" is not an IPv4 address)"},
        {R"({"bridges": [{"name": "x"}]})", "plan.json: bridges[0].mac: missing"},
        {R"({"bridges": [{"mac": "02 4B"}]})",
         "plan.json: bridges[0].mac: a MAC address holds no whitespace, control or non-8-bit "
         "characters"},
        {R"({"bridges": [{"mac": "A"}, {"mac": "A"}]})",
         R"(plan.json: bridges[1].mac: "A" is listed twice (also at bridges[0].))"},
        {R"({"bridges": [{"mac": "A", "ip": {"gateway": "1.2.3.4"}}]})",
         "plan.json: bridges[0].ip.gateway: unknown key"},
        {R"({"bridges": [{"mac": "A", "ip": {"mode": "auto"}}]})",
         R"(plan.json: bridges[0].ip.mode: "auto" is not one of "dhcp", "static")"},
        {R"({"bridges": [{"mac": "A", "ip": {"mode": "dhcp", "netmask": "255.0.0.0"}}]})",
         "plan.json: bridges[0].ip.netmask: a DHCP server gives the address and mask: they go "
         "with \"mode\": \"static\" only"},
        {R"({"bridges": [{"mac": "A", "wireless": {"channel": "6"}}]})",
         R"(plan.json: bridges[0].wireless.channel: "6" is not a whole number)"},
        {R"({"bridges": [{"mac": "A", "wireless": {"region": "US", "channel": 12}}]})",
         "plan.json: bridges[0].wireless.channel: 12 is not a channel of US (1 to 11)"},
        {R"({"bridges": [{"mac": "A", "wireless": {"region": "us"}}]})",
         R"(plan.json: bridges[0].wireless.region: "us" is not a region code)"},
        {R"({"bridges": [{"mac": "A", "wireless": {"networkType": "infrastructure",
            "channel": 6}}]})",
         "plan.json: bridges[0].wireless.channel: sets up an ad-hoc network: it goes with "
         "\"networkType\": \"adhoc\""},
        {R"({"bridges": [{"mac": "A", "wireless": {"wep": {"keySize": 64,
            "keys": ["0123456789", "", "0123456789abcdef0123456789", ""]}}}]})",
         "plan.json: bridges[0].wireless.wep.keys[2]: a 64-bit key is 10 hex digits"},
        {R"({"bridges": [{"mac": "A", "wireless": {"wep": {"keys": ["012345678", "", "", ""]}}}]})",
         "plan.json: bridges[0].wireless.wep.keys[0]: a key is 10 (64-bit) or 26 (128-bit) hex "
         "digits, or \"\" for none"},
        {R"({"bridges": [{"mac": "A", "wireless": {"wep": {"keys": ["", ""]}}}]})",
         "plan.json: bridges[0].wireless.wep.keys: is not four strings"},
        {R"({"bridges": [{"mac": "A", "wireless": {"wep": {"passphrase": "p",
            "keys": ["", "", "", ""]}}}]})",
         "plan.json: bridges[0].wireless.wep.passphrase: makes the keys: it cannot go with "
         "\"keys\""},
        {R"({"bridges": [{"mac": "A", "wireless": {"wep": {"enabled": false, "defaultKey": 2}}}]})",
         "plan.json: bridges[0].wireless.wep.enabled: the key fields need WEP on, not false"},
        {R"({"defaults": {"ip": {"mode": "dhcp", "address": "1.2.3.4"}}, "bridges": []})",
         "plan.json: defaults.ip.address: a DHCP server gives the address and mask: they go "
         "with \"mode\": \"static\" only"},
        {R"({"bridges": [{"mac": "A", "wireless": {"ssid": "0123456789abcdef0123456789abcdefX"}}]})",
         R"(plan.json: bridges[0].wireless.ssid: "0123456789abcdef0123456789abcdefX" is not at most 32 characters of 8-bit text without control characters)"},
    };
    for (const auto& c : cases) {
        const PlanReadResult result = Json(c.json);
        EXPECT_EQ(result.error.toStdString(), c.error) << c.json;
        EXPECT_TRUE(result.bridges.isEmpty());
    }
}

TEST(PlanReader, DefaultsGoUnderEachBridgesOwnFields) {
    const PlanReadResult result = Json(R"({
        "defaults": {"ip": {"mode": "static", "netmask": "255.255.0.0"},
                     "wireless": {"ssid": "Plant", "wep": {"passphrase": "secret"}}},
        "bridges": [
            {"mac": "02:4B:00:00:00:01", "ip": {"address": "10.61.0.1"}},
            {"mac": "02:4B:00:00:00:02", "ip": {"mode": "dhcp"},
             "wireless": {"ssid": "Dock", "wep": {"keySize": 128,
                          "keys": ["0123456789abcdef0123456789", "", "", ""]}}}]})");
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    ASSERT_EQ(result.bridges.size(), 2);
    const PlanBridge& first = result.bridges[0];
    EXPECT_EQ(first.ip.mode, IpMode::Fixed);
    EXPECT_EQ(first.ip.address, (Ipv4Octets{10, 61, 0, 1}));
    EXPECT_EQ(first.ip.netmask, (Ipv4Octets{255, 255, 0, 0}));
    EXPECT_EQ(first.wireless.ssid, QStringLiteral("Plant"));
    EXPECT_EQ(first.wireless.wep.passphrase, QStringLiteral("secret"));
    // The bridge's DHCP and typed keys rule out the defaults' mask and passphrase.
    const PlanBridge& second = result.bridges[1];
    EXPECT_EQ(second.ip.mode, IpMode::Dhcp);
    EXPECT_FALSE(second.ip.netmask);
    EXPECT_EQ(second.wireless.ssid, QStringLiteral("Dock"));
    EXPECT_FALSE(second.wireless.wep.passphrase);
    EXPECT_EQ(second.wireless.wep.keys[1], QString());
    EXPECT_EQ(second.wireless.wep.keySize, KeySize::Bits128);
}

TEST(PlanReader, CsvRowsReadAsBridgesWithEmptyCellsKept) {
    const QStringList header{"mac", "ip.address", "wireless.channel", "wireless.wep.keys[1]",
                             "wireless.wep.enabled"};
    const PlanReadResult good = Csv({header,
                                     {"02:4B:00:00:00:01", "10.61.0.1", "", "", ""},
                                     {"02:4B:00:00:00:02", "", "6", "0123456789", "true"},
                                     {"", "", "", "", ""}});
    ASSERT_TRUE(good.ok()) << good.error.toStdString();
    ASSERT_EQ(good.bridges.size(), 2);
    EXPECT_EQ(good.bridges[0].ip.address, (Ipv4Octets{10, 61, 0, 1}));
    EXPECT_FALSE(good.bridges[0].wireless.channel);
    EXPECT_EQ(good.bridges[1].wireless.channel, 6);
    EXPECT_FALSE(good.bridges[1].wireless.wep.keys[0]);
    EXPECT_EQ(good.bridges[1].wireless.wep.keys[1], QStringLiteral("0123456789"));
    EXPECT_EQ(good.bridges[1].wireless.wep.enabled, true);

    const struct {
        QList<QStringList> rows;
        const char* error;
    } bad[] = {
        {{{"mac", "ip.gateway"}},
         R"(site.csv: row 1, column 2: "ip.gateway" is not a column of a plan)"},
        {{{"mac", "mac"}}, R"(site.csv: row 1, column 2: "mac" is named twice)"},
        {{header, {"A", "", "six", "", ""}},
         R"(site.csv: row 2: wireless.channel: "six" is not a whole number)"},
        {{header, {"A", "", "", "", "yes"}},
         R"(site.csv: row 2: wireless.wep.enabled: "yes" is not true or false)"},
        {{header, {"A", ""}}, "site.csv: row 2: 2 cells, the header has 5"},
    };
    for (const auto& c : bad) {
        EXPECT_EQ(ReadCsvPlan(c.rows, QStringLiteral("site.csv")).error.toStdString(), c.error);
    }
}

} // namespace
} // namespace vantoro
