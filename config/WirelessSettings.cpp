#include "config/WirelessSettings.h"

#include "protocol/Latin1.h"

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

namespace {

void Add(QList<FieldChange>& changes, const char* field, const QString& from, const QString& to,
         bool quoted = false) {
    if (from != to) {
        changes.append({QLatin1String(field), from, to, false, quoted});
    }
}

QLatin1String TypeName(NetworkType type) {
    return QLatin1String(type == NetworkType::AdHoc ? "adhoc" : "infrastructure");
}

QLatin1String AdHocName(qint32 profile) {
    static const char* const kNames[] = {"b", "g", "bg"};
    return QLatin1String(kNames[int(AdHocModeForProfile(profile))]);
}

QString Bits(KeySize size) {
    return QString::number(size == KeySize::Bits64 ? 64 : 128);
}

} // namespace

QList<FieldChange> WirelessChanges(const Bridge& reported, const WirelessSettings& settings) {
    QList<FieldChange> changes;
    if (FindRegionIndex(reported.country.view()) != settings.region) {
        Add(changes, "region", reported.country.toQString(),
            Latin1(GetRegionCode(settings.region)));
    }
    Add(changes, "ssid", reported.ssid.toQString(),
        QString::fromLatin1(NetworkNameBytes(settings.networkName)), true);
    Add(changes, "networkType", TypeName(ReportedNetworkType(reported.networkType.view())),
        TypeName(settings.networkType));
    if (settings.networkType == NetworkType::AdHoc) {
        // Compared as the Ad-Hoc dialog's mode list shows them.
        Add(changes, "adhocMode", AdHocName(DecimalValue(reported.profile.view())),
            AdHocName(settings.workProfile));
        Add(changes, "channel", QString::number(DecimalValue(reported.channel.view())),
            QString::number(settings.workChannel));
    }
    const bool wep = DecimalValue(reported.privacy.view()) != 0;
    Add(changes, "wep", QLatin1String(wep ? "on" : "off"),
        QLatin1String(settings.useWep ? "on" : "off"));
    if (!settings.useWep) {
        return changes;
    }
    Add(changes, "keySize", Bits(ReportedKeySize(reported.keyLength.view())),
        Bits(settings.keySize));
    Add(changes, "defaultKey", QString::number(DecimalValue(reported.keyId.view())),
        QString::number(settings.keyIndex + 1));
    for (size_t k = 0; k < settings.keySlots.size(); ++k) {
        // A masked slot keeps its key.
        const std::string_view slot = settings.keySlots[k].view();
        if (slot != KeyMask(settings.keySize) && slot != reported.keys[k].view()) {
            changes.append({QStringLiteral("keys"), QString(), QString(), true, false});
            break;
        }
    }
    return changes;
}

bool SameWirelessSettings(const Bridge& reported, const WirelessSettings& settings) {
    return WirelessChanges(reported, settings).isEmpty();
}

WirelessApply ApplyWirelessChange(WirelessSettings& settings, const KeyEntry& entry,
                                  KeyTexts& keySlots, bool regionAgreed) {
    if (std::optional<QString> message = RegionSelectionMessage(settings.region)) {
        return {WirelessStop::NoRegion, *message, {}};
    }
    if (settings.useWep) {
        if (std::optional<QString> message = ApplyKeyCheck(entry, keySlots)) {
            return {WirelessStop::KeyRejected, *message, {}};
        }
    }
    settings.keyIndex = entry.keyIndex;
    settings.keySize = entry.size;
    settings.keySlots = keySlots;
    if (ChangesRegion(settings) && !regionAgreed) {
        return {WirelessStop::RegionWarning, Latin1(kRegionWarning), {}};
    }
    return {WirelessStop::None, QString(), WirelessItems(settings)};
}

int RestoreReportedRegion(Bridge& bridge, RegionCodeText& currentRegionCode) {
    const int reported = FindRegionIndex(bridge.country.view());
    ApplyRegionChange(reported, bridge, currentRegionCode);
    // A code the table lacks shows as "-Select Region-" but stays the code in use, as on opening.
    currentRegionCode.set(bridge.country.view());
    return reported;
}

} // namespace vantoro
