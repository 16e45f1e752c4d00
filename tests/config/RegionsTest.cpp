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
