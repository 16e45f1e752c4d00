#include "config/Regions.h"

#include <algorithm>

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

void RegionCodeText::set(std::string_view code) {
    bytes_.fill('\0');
    std::copy_n(code.begin(), std::min(code.size(), bytes_.size() - 1), bytes_.begin());
}

void ApplyRegionChange(int selection, Bridge& bridge, RegionCodeText& currentRegionCode) {
    if (selection < 0 || selection >= kRegionCount) {
        return;
    }
    currentRegionCode.set(GetRegionCode(selection));
    if (FindRegionIndex(bridge.country.view()) == selection) {
        bridge.workChannel = DecimalValue(bridge.channel.view());
    } else {
        // Even a channel that the new region allows starts over at its first one.
        bridge.workChannel = kRegionTable[selection].firstChannel;
    }
}

QString AdHocModeLabel(AdHocMode mode) {
    switch (mode) {
    case AdHocMode::B:
        return QStringLiteral("2.4GHz(802.11b)");
    case AdHocMode::G:
        return QStringLiteral("2.4GHz(802.11g)");
    case AdHocMode::BG:
        break;
    }
    return QStringLiteral("2.4GHz(802.11b/g)");
}

AdHocMode AdHocModeForProfile(qint32 workProfile) {
    switch (workProfile) {
    case 0:
        return AdHocMode::B;
    case 3:
        return AdHocMode::G;
    default:
        return AdHocMode::BG;
    }
}

qint32 ProfileForAdHocMode(AdHocMode mode) {
    switch (mode) {
    case AdHocMode::B:
        return 0;
    case AdHocMode::G:
        return 3;
    case AdHocMode::BG:
        break;
    }
    return 1;
}

std::vector<int> AdHocChannels(std::string_view regionCode) {
    std::vector<int> channels;
    if (const RegionEntry* row = FindRegion(regionCode)) {
        for (int channel = row->firstChannel; channel <= row->lastChannel; ++channel) {
            channels.push_back(channel);
        }
    }
    return channels;
}

} // namespace vantoro
