#pragma once

// The wireless regions a bridge knows: wire code, the name shown in the region list and the
// channels allowed there. Row order is the order of the region list.

#include <QString>
#include <QtGlobal>
#include <string_view>

namespace vantoro {

inline constexpr int kRegionCodeBytes = 60;
inline constexpr int kRegionCount = 12; // rows before the terminator

struct RegionEntry {
    char code[kRegionCodeBytes];
    char displayName[kRegionCodeBytes];
    qint32 firstChannel;
    qint32 lastChannel;
};

// kRegionCount rows and a terminator row whose code is empty.
extern const RegionEntry kRegionTable[kRegionCount + 1];

// Index of the first row whose code equals code byte for byte; 0 when none does, so a code the
// table does not know reads as "NONE".
int FindRegionIndex(std::string_view code);

// The row whose code equals code, or nullptr when none does.
const RegionEntry* FindRegion(std::string_view code);

// Code of row index (0..kRegionCount - 1); empty for any other index.
std::string_view GetRegionCode(int index);

// Writes the display name of the row whose code equals code and returns true; leaves out
// untouched and returns false when no row matches.
bool GetRegionName(std::string_view code, QString& out);

// "Ch6/2437Mhz": channel number and its centre frequency.
QString FormatChannelLabel(int channel);

} // namespace vantoro
