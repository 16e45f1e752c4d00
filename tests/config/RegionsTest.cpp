#include "config/Regions.h"

#include <gtest/gtest.h>
#include <string_view>

namespace vantoro {
namespace {

TEST(RegionTable, EveryRowIsFoundByItsCodeAndIndexesOutsideTheTableHaveNone) {
    for (int i = 0; i < kRegionCount; ++i) {
        EXPECT_EQ(FindRegionIndex(GetRegionCode(i)), i) << "row " << i;
        EXPECT_LE(kRegionTable[i].firstChannel, kRegionTable[i].lastChannel) << "row " << i;
    }
    EXPECT_EQ(std::string_view(kRegionTable[kRegionCount].code), "");
    EXPECT_EQ(GetRegionCode(-1), "");
    EXPECT_EQ(GetRegionCode(kRegionCount), "");
}

TEST(RegionTable, CodeLookupsAreByteExact) {
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
}

TEST(RegionChange, TheReportedRegionRestoresTheReportedChannelAnyOtherStartsAtItsFirst) {
    Bridge bridge;
    bridge.country.set("FR");
    bridge.channel.set("12");
    bridge.workChannel = 11;
    bridge.workProfile = 3;
    RegionCodeText code;

    const auto pick = [&](std::string_view region) {
        ApplyRegionChange(FindRegionIndex(region), bridge, code);
        return std::pair{std::string(code.view()), bridge.workChannel};
    };
    EXPECT_EQ(pick("US"), (std::pair{std::string("US"), 1}));
    EXPECT_EQ(pick("IE"), (std::pair{std::string("IE"), 5}));
    EXPECT_EQ(pick("NONE"), (std::pair{std::string("NONE"), 11}));
    EXPECT_EQ(pick("FR"), (std::pair{std::string("FR"), 12}));
    EXPECT_EQ(bridge.workProfile, 3);

    // A reported code the table lacks reads as row 0, so "-Select Region-" counts as the
    // reported region and brings the reported channel back.
    bridge.country.set("TW");
    EXPECT_EQ(pick("NONE"), (std::pair{std::string("NONE"), 12}));

    // A selection outside the table changes nothing.
    ApplyRegionChange(kRegionCount, bridge, code);
    ApplyRegionChange(-1, bridge, code);
    EXPECT_EQ(code.view(), "NONE");
    EXPECT_EQ(bridge.workChannel, 12);
}

TEST(RegionChange, OddProfilesReadAsBgAndTheCodeTextIsBounded) {
    // 0 and 3 are checked through the Ad-Hoc dialog.
    for (qint32 other : {1, 2, -1, 99}) {
        EXPECT_EQ(AdHocModeForProfile(other), AdHocMode::BG) << other;
    }

    EXPECT_TRUE(AdHocChannels("").empty());

    RegionCodeText code;
    code.set(std::string(80, 'X'));
    EXPECT_EQ(code.view().size(), size_t(kRegionCodeBytes - 1));
}

} // namespace
} // namespace vantoro
