#include "config/WirelessSettings.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace vantoro {
namespace {

std::string Wire(const QList<ConfigItem>& items) {
    std::string text;
    for (const ConfigItem& item : items) {
        text += item.key.toStdString() + item.value.toStdString() + "\r";
    }
    return text;
}

KeyTexts Slots(std::string_view k1, std::string_view k2, std::string_view k3, std::string_view k4) {
    return {BridgeText(k1), BridgeText(k2), BridgeText(k3), BridgeText(k4)};
}

// US reported and kept, infrastructure, no WEP: the smallest change there is.
WirelessSettings Plain() {
    WirelessSettings s;
    s.region = 11;
    s.reportedRegion = 11;
    s.networkName = QStringLiteral("Office");
    s.workProfile = 3;
    s.workChannel = 9;
    return s;
}

TEST(WirelessItems, ItemsFollowTheBridgesOrderForEachCombination) {
    struct Case {
        const char* what;
        WirelessSettings settings;
        std::string wire;
    };
    WirelessSettings adHoc = Plain();
    adHoc.networkType = NetworkType::AdHoc;
    WirelessSettings moved = adHoc;
    moved.region = 6;
    WirelessSettings wep64 = Plain();
    wep64.useWep = true;
    wep64.keyIndex = 2;
    wep64.keySlots = Slots("", "0123456789", "**********", "abcdefABCD");
    WirelessSettings wep128 = moved;
    wep128.useWep = true;
    wep128.keySize = KeySize::Bits128;
    wep128.keyIndex = 7; // outside the four keys: goes out as key 1
    wep128.keySlots = Slots("**********", "", "00112233445566778899AABBCC", "");

    const Case cases[] = {
        {"infrastructure keeps profile and channel back", Plain(),
         "isl_wlg_ssid Office\risl_wlg_nw_type 1\risl_wlg_privacy 0\r"},
        {"ad-hoc sends the working values", adHoc,
         "isl_wlg_ssid Office\risl_wlg_nw_type 2\risl_wlg_profile 3\risl_wlg_channel 9\r"
         "isl_wlg_privacy 0\r"},
        {"a new region goes first, by its code", moved,
         "isl_wlg_country FR\risl_wlg_ssid Office\risl_wlg_nw_type 2\risl_wlg_profile 3\r"
         "isl_wlg_channel 9\risl_wlg_privacy 0\r"},
        {"64-bit: the index as listed, masked slot left out", wep64,
         "isl_wlg_ssid Office\risl_wlg_nw_type 1\risl_wlg_privacy 1\risl_wlg_keyid 2\r"
         "isl_wlg_empty_key_1 empty\risl_wlg_key_2 0123456789\risl_wlg_empty_key_2 1\r"
         "isl_wlg_key_4 abcdefABCD\risl_wlg_empty_key_4 1\r"},
        {"128-bit: only its own mask means unchanged, a bad index as key 1", wep128,
         "isl_wlg_country FR\risl_wlg_ssid Office\risl_wlg_nw_type 2\risl_wlg_profile 3\r"
         "isl_wlg_channel 9\risl_wlg_privacy 1\risl_wlg_keyid 0\r"
         "isl_wlg_key_1 **********\risl_wlg_empty_key_1 1\risl_wlg_empty_key_2 empty\r"
         "isl_wlg_key_3 00112233445566778899AABBCC\risl_wlg_empty_key_3 1\r"
         "isl_wlg_empty_key_4 empty\r"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Wire(WirelessItems(c.settings)), c.wire) << c.what;
    }
    // Empty or over-long names still make one item; Latin-1 goes out as single bytes.
    WirelessSettings named = Plain();
    named.networkName.clear();
    EXPECT_EQ(Wire(WirelessItems(named)).substr(0, 14), "isl_wlg_ssid \r");
    named.networkName = QStringLiteral("Caf\u00E9") + QString(40, u'n');
    EXPECT_EQ(WirelessItems(named).front().value, "Caf\xE9" + QByteArray(28, 'n'));
}

TEST(WirelessChecks, RegionMustBeARealRowAndOnlyADifferentOneAsks) {
    for (int region : {-1, 0, kRegionCount}) {
        EXPECT_EQ(RegionSelectionMessage(region), QStringLiteral("Please select a Country/Region"))
            << region;
    }
    for (int region : {1, 7, kRegionCount - 1}) {
        EXPECT_EQ(RegionSelectionMessage(region), std::nullopt) << region;
    }
    WirelessSettings s = Plain();
    EXPECT_FALSE(ChangesRegion(s));
    s.region = 4;
    EXPECT_TRUE(ChangesRegion(s));
}

TEST(WirelessChecks, WireTextIsPrintableLatin1) {
    const std::pair<QString, bool> cases[] = {
        {QString(), true},
        {QStringLiteral("Front Office 2"), true},
        {QStringLiteral("Caf\u00E9 \u00A0\u00FF"), true},
        {QStringLiteral("\u65E5\u672C"), false}, // beyond 8 bits
        {QStringLiteral("\u20AC5"), false},      // the euro sign is not Latin-1
        {QStringLiteral("a\rb"), false},         // would end the item early
        {QStringLiteral("tab\there"), false},
        {QStringLiteral("x\u0085"), false}, // C1 control
    };
    for (const auto& [text, ok] : cases) {
        EXPECT_EQ(IsWireText(text), ok) << text.toStdString();
    }
}

TEST(WirelessReported, DecliningARegionRestoresWhatTheBridgeReported) {
    Bridge bridge;
    bridge.country.set("TW"); // not in the table: shown as "-Select Region-"
    bridge.channel.set("11");
    RegionCodeText code;
    ApplyRegionChange(6, bridge, code);
    EXPECT_EQ(RestoreReportedRegion(bridge, code), 0);
    EXPECT_EQ(code.view(), "TW");
    EXPECT_EQ(bridge.workChannel, 11);
    EXPECT_EQ(ReportedNetworkType("01"), NetworkType::Infrastructure);
    EXPECT_EQ(ReportedNetworkType(""), NetworkType::AdHoc);
}

} // namespace
} // namespace vantoro
