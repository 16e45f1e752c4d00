#include "config/Regions.h"

#include <gtest/gtest.h>
#include <string_view>
#include <tuple>

namespace vantoro {
namespace {

TEST(RegionTable, RowsAreInListOrderAndEndWithATerminator) {
    const char* const codes[kRegionCount] = {"NONE", "ZA", "CN", "AU", "CA", "DE",
                                             "FR",   "IE", "JP", "ES", "GB", "US"};
    for (int i = 0; i < kRegionCount; ++i) {
        EXPECT_EQ(std::string_view(kRegionTable[i].code), codes[i]) << "row " << i;
        EXPECT_EQ(GetRegionCode(i), codes[i]);
        EXPECT_EQ(FindRegionIndex(codes[i]), i);
        EXPECT_LE(kRegionTable[i].firstChannel, kRegionTable[i].lastChannel);
    }
    EXPECT_EQ(std::string_view(kRegionTable[kRegionCount].code), "");
    EXPECT_EQ(GetRegionCode(-1), "");
    EXPECT_EQ(GetRegionCode(kRegionCount), "");
    // The unusual channel ranges, and the common one.
    for (const auto& [code, first, last] :
         {std::tuple{"NONE", 11, 11}, {"FR", 10, 13}, {"IE", 5, 7}, {"US", 1, 11}}) {
        EXPECT_EQ(kRegionTable[FindRegionIndex(code)].firstChannel, first) << code;
        EXPECT_EQ(kRegionTable[FindRegionIndex(code)].lastChannel, last) << code;
    }
}

TEST(RegionTable, CodeLookupsAreByteExactAndChannelLabelsCarryTheFrequency) {
    // Byte-for-byte: case, padding and the terminator's empty code all miss.
    for (std::string_view code : {"us", "TW", "", "US ", "U", "FRA"}) {
        EXPECT_EQ(FindRegionIndex(code), 0) << code;
        EXPECT_EQ(FindRegion(code), nullptr) << code;
    }
    QString name = QStringLiteral("unchanged");
    EXPECT_FALSE(GetRegionName("TW", name));
    EXPECT_EQ(name, QStringLiteral("unchanged"));
    EXPECT_TRUE(GetRegionName("GB", name));
    EXPECT_EQ(name, QStringLiteral("South America"));
    EXPECT_TRUE(GetRegionName("NONE", name));
    EXPECT_EQ(name, QStringLiteral("-Select Region-"));
    EXPECT_EQ(FormatChannelLabel(1), QStringLiteral("Ch1/2412Mhz"));
    EXPECT_EQ(FormatChannelLabel(13), QStringLiteral("Ch13/2472Mhz"));
}

} // namespace
} // namespace vantoro

namespace vantoro {
namespace {

TEST(RegionChange, TheReportedRegionRestoresTheReportedChannelAnyOtherStartsAtItsFirst) {
    Bridge bridge;
    bridge.country.Set("FR");
    bridge.channel.Set("12");
    bridge.workChannel = 11;
    bridge.workProfile = 3;
    RegionCodeText code;

    const auto pick = [&](std::string_view region) {
        ApplyRegionChange(FindRegionIndex(region), bridge, code);
        return std::pair{std::string(code.View()), bridge.workChannel};
    };
    EXPECT_EQ(pick("US"), (std::pair{std::string("US"), 1}));
    EXPECT_EQ(pick("IE"), (std::pair{std::string("IE"), 5}));
    EXPECT_EQ(pick("NONE"), (std::pair{std::string("NONE"), 11}));
    EXPECT_EQ(pick("FR"), (std::pair{std::string("FR"), 12}));
    EXPECT_EQ(bridge.workProfile, 3);

    // A reported code the table lacks reads as row 0, so "-Select Region-" counts as the
    // reported region and brings the reported channel back.
    bridge.country.Set("TW");
    EXPECT_EQ(pick("NONE"), (std::pair{std::string("NONE"), 12}));

    // A selection outside the table changes nothing.
    ApplyRegionChange(kRegionCount, bridge, code);
    ApplyRegionChange(-1, bridge, code);
    EXPECT_EQ(code.View(), "NONE");
    EXPECT_EQ(bridge.workChannel, 12);
}

TEST(RegionChange, AdHocModesAndChannelsFollowTheRegionRow) {
    EXPECT_EQ(AdHocModeForProfile(0), AdHocMode::B);
    EXPECT_EQ(AdHocModeForProfile(3), AdHocMode::G);
    for (qint32 other : {1, 2, -1, 99}) {
        EXPECT_EQ(AdHocModeForProfile(other), AdHocMode::BG) << other;
    }
    EXPECT_EQ(ProfileForAdHocMode(AdHocMode::B), 0);
    EXPECT_EQ(ProfileForAdHocMode(AdHocMode::G), 3);
    EXPECT_EQ(ProfileForAdHocMode(AdHocMode::BG), 1);
    EXPECT_EQ(AdHocModeLabel(AdHocMode::BG), QStringLiteral("2.4GHz(802.11b/g)"));

    EXPECT_EQ(AdHocChannels("FR"), (std::vector<int>{10, 11, 12, 13}));
    EXPECT_EQ(AdHocChannels("NONE"), (std::vector<int>{11}));
    EXPECT_TRUE(AdHocChannels("TW").empty());
    EXPECT_TRUE(AdHocChannels("").empty());

    RegionCodeText code;
    code.Set(std::string(80, 'X'));
    EXPECT_EQ(code.View().size(), size_t(kRegionCodeBytes - 1));
}

} // namespace
} // namespace vantoro
