#include "config/Regions.h"

#include <gtest/gtest.h>
#include <string_view>

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
}

TEST(RegionTable, ChannelRangesOfTheUnusualRegions) {
    const RegionEntry& none = kRegionTable[FindRegionIndex("NONE")];
    EXPECT_EQ(none.firstChannel, 11);
    EXPECT_EQ(none.lastChannel, 11);
    const RegionEntry& france = kRegionTable[FindRegionIndex("FR")];
    EXPECT_EQ(france.firstChannel, 10);
    EXPECT_EQ(france.lastChannel, 13);
    const RegionEntry& israel = kRegionTable[FindRegionIndex("IE")];
    EXPECT_EQ(israel.firstChannel, 5);
    EXPECT_EQ(israel.lastChannel, 7);
    const RegionEntry& us = kRegionTable[FindRegionIndex("US")];
    EXPECT_EQ(us.firstChannel, 1);
    EXPECT_EQ(us.lastChannel, 11);
}

TEST(RegionTable, UnknownCodesFallBackToRowZero) {
    // Byte-for-byte: case, padding and the terminator's empty code all miss.
    for (std::string_view code : {"us", "TW", "", "US ", "U", "FRA"}) {
        EXPECT_EQ(FindRegionIndex(code), 0) << code;
        EXPECT_EQ(FindRegion(code), nullptr) << code;
    }
}

TEST(RegionTable, RegionNameLeavesTheOutputAloneOnAMiss) {
    QString name = QStringLiteral("unchanged");
    EXPECT_FALSE(GetRegionName("TW", name));
    EXPECT_EQ(name, QStringLiteral("unchanged"));
    EXPECT_TRUE(GetRegionName("GB", name));
    EXPECT_EQ(name, QStringLiteral("South America"));
    EXPECT_TRUE(GetRegionName("NONE", name));
    EXPECT_EQ(name, QStringLiteral("-Select Region-"));
}

TEST(RegionTable, ChannelLabelsCarryTheCentreFrequency) {
    EXPECT_EQ(FormatChannelLabel(1), QStringLiteral("Ch1/2412Mhz"));
    EXPECT_EQ(FormatChannelLabel(6), QStringLiteral("Ch6/2437Mhz"));
    EXPECT_EQ(FormatChannelLabel(11), QStringLiteral("Ch11/2462Mhz"));
    EXPECT_EQ(FormatChannelLabel(13), QStringLiteral("Ch13/2472Mhz"));
}

} // namespace
} // namespace vantoro
