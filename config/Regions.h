#pragma once

// The wireless regions a bridge knows: wire code, the name shown in the region list and the
// channels allowed there. Row order is the order of the region list.

#include "protocol/Bridge.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

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

// The region code the connection settings work with: a 60-byte text, kept for the whole run and
// written only by the dialog's opening and the region change.
class RegionCodeText {
public:
    void set(std::string_view code);
    std::string_view view() const { return std::string_view(bytes_.data()); }

private:
    std::array<char, kRegionCodeBytes> bytes_{};
};

// The user picked row selection (0..kRegionCount - 1) of the region list: that row's code becomes
// the code in use, and the working channel becomes the bridge's reported channel when the row is
// the region the bridge reports, else the row's first channel. The working mode is untouched.
// A selection outside the table changes nothing.
void ApplyRegionChange(int selection, Bridge& bridge, RegionCodeText& currentRegionCode);

// The 802.11 modes of the ad-hoc mode list, in list order, and their working values.
enum class AdHocMode { B = 0, G = 1, BG = 2 };
inline constexpr int kAdHocModeCount = 3;
// "2.4GHz(802.11b)", "2.4GHz(802.11g)", "2.4GHz(802.11b/g)".
QString AdHocModeLabel(AdHocMode mode);
// 0 shows 802.11b, 3 shows 802.11g, anything else 802.11b/g.
AdHocMode AdHocModeForProfile(qint32 workProfile);
// 802.11b stores 0, 802.11g 3, 802.11b/g 1.
qint32 ProfileForAdHocMode(AdHocMode mode);

// The channels the ad-hoc list offers under a region code, first to last; empty for a code the
// table does not know.
std::vector<int> AdHocChannels(std::string_view regionCode);

} // namespace vantoro
