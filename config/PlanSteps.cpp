#include "config/PlanSteps.h"

#include "protocol/Latin1.h"

#include <algorithm>

namespace vantoro {
namespace {

// A reported address as the dialog's control shows it: blank (0.0.0.0) when it does not parse.
Ipv4Octets Control(std::string_view reported) {
    return ParseDottedQuad(reported).value_or(Ipv4Octets{});
}

} // namespace

std::optional<QString> SetSecurityControls(const WirelessWanted& wanted, Bridge& bridge,
                                           KeyEntry& entry) {
    if (wanted.passphrase) {
        entry.size = wanted.keySize.value_or(entry.size);
        const QByteArray passphrase = PassphraseBytes(*wanted.passphrase);
        SlotsFor(bridge, entry.size) = GenerateWepKeys(View(passphrase), entry.size);
    } else {
        if (wanted.keySize && *wanted.keySize != entry.size) {
            // Keys typed for one size cannot stand for the other: all eight slots start over.
            ClearKeySlots(bridge);
            entry.size = *wanted.keySize;
        }
        for (const auto& [index, text] : wanted.keys) {
            if (std::optional<QString> message = KeyIndexChangeMessage(entry.size, text)) {
                return message;
            }
            SlotsFor(bridge, entry.size)[size_t(index)].set(View(text.toLatin1()));
        }
    }
    if (wanted.defaultKey) {
        entry.keyIndex = *wanted.defaultKey;
    }
    // The key field shows the slot of the selected key.
    entry.keyText = SlotsFor(bridge, entry.size)[size_t(entry.keyIndex)].toQString();
    return std::nullopt;
}

WirelessDialogState OpenWirelessDialog(Bridge& bridge) {
    WirelessDialogState state;
    state.settings.reportedRegion = FindRegionIndex(bridge.country.view());
    state.settings.region = state.settings.reportedRegion;
    state.regionCode.set(bridge.country.view());
    state.settings.networkName = bridge.ssid.toQString();
    state.settings.networkType = ReportedNetworkType(bridge.networkType.view());
    bridge.workProfile = DecimalValue(bridge.profile.view());
    bridge.workChannel = DecimalValue(bridge.channel.view());
    state.settings.useWep = DecimalValue(bridge.privacy.view()) != 0;
    state.keyEntry = StartKeyEntry(bridge);
    return state;
}

AdHocStep SetAdHocControls(std::optional<AdHocMode> mode, std::optional<int> channel,
                           const RegionCodeText& regionCode, NetworkType type, Bridge& bridge) {
    AdHocStep step;
    if (!mode && !channel) {
        return step;
    }
    if (type != NetworkType::AdHoc) {
        step.refusal = AdHocRefusal::NotAdHoc;
        return step;
    }
    const std::vector<int> offered = AdHocChannels(regionCode.view());
    step.channel = channel.value_or(bridge.workChannel);
    if (std::find(offered.begin(), offered.end(), step.channel) == offered.end()) {
        step.region = FindRegion(regionCode.view());
        step.refusal = step.region == nullptr ? AdHocRefusal::NoChannelOffered
                                              : AdHocRefusal::ChannelNotOffered;
        return step;
    }
    bridge.workProfile =
        ProfileForAdHocMode(mode.value_or(AdHocModeForProfile(bridge.workProfile)));
    bridge.workChannel = step.channel;
    return step;
}

namespace {

// The plan's wording of an Ad-Hoc refusal.
std::optional<QString> AdHocMessage(const AdHocStep& step, const RegionCodeText& regionCode) {
    switch (step.refusal) {
    case AdHocRefusal::None:
        return std::nullopt;
    case AdHocRefusal::NotAdHoc:
        return QStringLiteral("The ad-hoc mode and channel set up an ad-hoc network: this bridge "
                              "is in an infrastructure network.");
    case AdHocRefusal::NoChannelOffered:
        return QStringLiteral("No channel is offered in the region '%1'.")
            .arg(Latin1(regionCode.view()));
    case AdHocRefusal::ChannelNotOffered:
        return QStringLiteral("Channel %1 is not offered in %2: the channels there are %3 to %4.")
            .arg(step.channel)
            .arg(QLatin1String(step.region->displayName))
            .arg(step.region->firstChannel)
            .arg(step.region->lastChannel);
    }
    return std::nullopt;
}

} // namespace

IpChange PrepareIpChange(const Bridge& reported, const IpWanted& wanted) {
    IpChange change;
    change.mode = wanted.mode.value_or(IpModeOf(reported.ipMode.view()));
    change.address = wanted.address.value_or(Control(reported.ipAddress.view()));
    change.mask = wanted.netmask.value_or(Control(reported.subnetMask.view()));
    if (const IpApply step = ApplyIpChange(change.mode, change.address, change.mask);
        step.check != IpCheck::Ok) {
        change.refusal = IpCheckMessage(step.check);
    }
    return change;
}

QList<ConfigItem> IpChangeItems(const IpChange& change) {
    return IpSettingItems(change.mode, change.address, change.mask);
}

WirelessChange PrepareWirelessChange(const Bridge& reported, const WirelessWanted& wanted,
                                     bool agreeRegion) {
    // The dialog as it opens on the record.
    Bridge bridge = reported;
    WirelessDialogState opened = OpenWirelessDialog(bridge);
    auto& [settings, currentRegionCode, entry] = opened;

    // The controls, in the dialog's order.
    settings.networkName = wanted.networkName.value_or(settings.networkName);
    // Picking the row already shown is no change, so the region rule does not run for it.
    if (wanted.region && *wanted.region != settings.region) {
        settings.region = *wanted.region;
        ApplyRegionChange(settings.region, bridge, currentRegionCode);
    }
    settings.networkType = wanted.networkType.value_or(settings.networkType);
    std::optional<QString> refusal =
        AdHocMessage(SetAdHocControls(wanted.adHocMode, wanted.channel, currentRegionCode,
                                      settings.networkType, bridge),
                     currentRegionCode);
    settings.useWep = wanted.useWep.value_or(settings.useWep);
    if (settings.useWep && !refusal) {
        refusal = SetSecurityControls(wanted, bridge, entry);
    }

    // OK: the apply step's checks, in order.
    settings.workProfile = bridge.workProfile;
    settings.workChannel = bridge.workChannel;
    // What the changes are compared with, also when a check stops the step before it sets them.
    settings.keyIndex = entry.keyIndex;
    settings.keySize = entry.size;
    settings.keySlots = SlotsFor(bridge, entry.size);
    const WirelessApply step =
        ApplyWirelessChange(settings, entry, SlotsFor(bridge, entry.size), agreeRegion);
    WirelessChange result{settings, refusal};
    if (!refusal && step.stop != WirelessStop::None) {
        result.refusal = step.message;
        result.needsRegionAgreement = step.stop == WirelessStop::RegionWarning;
    }
    return result;
}

} // namespace vantoro
