#include "config/WirelessSettings.h"

#include <algorithm>

namespace vantoro {

NetworkType ReportedNetworkType(std::string_view networkType) {
    return DecimalValue(networkType) == 1 ? NetworkType::Infrastructure : NetworkType::AdHoc;
}

std::optional<QString> RegionSelectionMessage(int region) {
    if (region >= 1 && region < kRegionCount) {
        return std::nullopt;
    }
    return QStringLiteral("Please select a Country/Region");
}

bool ChangesRegion(const WirelessSettings& settings) {
    return settings.region != settings.reportedRegion;
}

bool IsWireText(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() <= 0xFF && c.isPrint(); });
}

QByteArray NetworkNameBytes(const QString& networkName) {
    return networkName.left(kMaxNetworkNameChars).toLatin1();
}

QList<ConfigItem> WirelessItems(const WirelessSettings& settings) {
    QList<ConfigItem> items;
    if (ChangesRegion(settings)) {
        const std::string_view code = GetRegionCode(settings.region);
        items.append(
            ConfigItem{"isl_wlg_country ", QByteArray(code.data(), qsizetype(code.size()))});
    }
    items.append(ConfigItem{"isl_wlg_ssid ", NetworkNameBytes(settings.networkName)});
    if (settings.networkType == NetworkType::Infrastructure) {
        items.append(ConfigItem{"isl_wlg_nw_type ", "1"});
    } else {
        items.append(ConfigItem{"isl_wlg_nw_type ", "2"});
        items.append(ConfigItem{"isl_wlg_profile ", QByteArray::number(settings.workProfile)});
        items.append(ConfigItem{"isl_wlg_channel ", QByteArray::number(settings.workChannel)});
    }
    if (!settings.useWep) {
        items.append(ConfigItem{"isl_wlg_privacy ", "0"});
        return items;
    }
    items.append(ConfigItem{"isl_wlg_privacy ", "1"});
    items.append(WepKeyItems(settings.keyIndex, settings.keySize, settings.keySlots));
    return items;
}

bool SameWirelessSettings(const Bridge& reported, const WirelessSettings& settings) {
    const QByteArray name = NetworkNameBytes(settings.networkName);
    if (ChangesRegion(settings) ||
        reported.ssid.view() != std::string_view(name.constData(), size_t(name.size())) ||
        ReportedNetworkType(reported.networkType.view()) != settings.networkType ||
        (DecimalValue(reported.privacy.view()) != 0) != settings.useWep) {
        return false;
    }
    if (settings.networkType == NetworkType::AdHoc &&
        (DecimalValue(reported.profile.view()) != settings.workProfile ||
         DecimalValue(reported.channel.view()) != settings.workChannel)) {
        return false;
    }
    if (!settings.useWep) {
        return true;
    }
    if (ReportedKeySize(reported.keyLength.view()) != settings.keySize ||
        DecimalValue(reported.keyId.view()) != settings.keyIndex + 1) {
        return false;
    }
    for (size_t k = 0; k < settings.keySlots.size(); ++k) {
        const std::string_view slot = settings.keySlots[k].view();
        if (slot != KeyMask(settings.keySize) && slot != reported.keys[k].view()) {
            return false;
        }
    }
    return true;
}

int RestoreReportedRegion(Bridge& bridge, RegionCodeText& currentRegionCode) {
    const int reported = FindRegionIndex(bridge.country.view());
    ApplyRegionChange(reported, bridge, currentRegionCode);
    // A code the table lacks shows as "-Select Region-" but stays the code in use, as on opening.
    currentRegionCode.set(bridge.country.view());
    return reported;
}

} // namespace vantoro
