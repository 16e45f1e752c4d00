#include "config/Regions.h"

namespace vantoro {

const RegionEntry kRegionTable[kRegionCount + 1] = {
    {"NONE", "-Select Region-", 11, 11},
    {"ZA", "Africa", 1, 13},
    {"CN", "Asia", 1, 13},
    {"AU", "Australia", 1, 13},
    {"CA", "Canada", 1, 11},
    {"DE", "Europe", 1, 13},
    {"FR", "France", 10, 13},
    {"IE", "Israel", 5, 7},
    {"JP", "Japan", 1, 13},
    {"ES", "Mexico", 1, 13},
    {"GB", "South America", 1, 13},
    {"US", "United States", 1, 11},
    {"", "", 0, 0},
};

const RegionEntry* FindRegion(std::string_view code) {
    for (int i = 0; i < kRegionCount; ++i) {
        if (code == std::string_view(kRegionTable[i].code)) {
            return &kRegionTable[i];
        }
    }
    return nullptr;
}

int FindRegionIndex(std::string_view code) {
    const RegionEntry* row = FindRegion(code);
    return row == nullptr ? 0 : int(row - kRegionTable);
}

std::string_view GetRegionCode(int index) {
    if (index < 0 || index >= kRegionCount) {
        return {};
    }
    return std::string_view(kRegionTable[index].code);
}

bool GetRegionName(std::string_view code, QString& out) {
    const RegionEntry* row = FindRegion(code);
    if (row == nullptr) {
        return false;
    }
    out = QString::fromLatin1(row->displayName);
    return true;
}

QString FormatChannelLabel(int channel) {
    return QString::asprintf("Ch%d/%dMhz", channel, 2407 + 5 * channel);
}

} // namespace vantoro
