#pragma once

// One change step per family: the bridge as it reported itself and what the user wants become
// the dialog's working values, the dialog's checks with its messages, the request items, and
// what would change field by field. A change whose list of changes is empty sends nothing.

#include "config/IpSettings.h"
#include "config/Regions.h"
#include "config/WepKeys.h"
#include "config/WirelessSettings.h"
#include "protocol/Bridge.h"

#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace vantoro {

// The IP Setting dialog's controls, each left as the bridge reported it when not given.
struct IpWanted {
    std::optional<IpMode> mode;
    std::optional<Ipv4Octets> address;
    std::optional<Ipv4Octets> netmask;
};

struct IpChange {
    IpMode mode = IpMode::Fixed;
    Ipv4Octets address{};
    Ipv4Octets mask{};
    std::optional<QString> refusal; // the dialog's message when a check fails
};

// Where the dialog opens (a reported text that is no dotted quad leaves its control blank), then
// the wanted values, then the dialog's checks.
IpChange PrepareIpChange(const Bridge& reported, const IpWanted& wanted);
QList<ConfigItem> IpChangeItems(const IpChange& change);

// The connection settings dialog's controls, set in this order as a user would.
struct WirelessWanted {
    std::optional<QString> networkName;
    std::optional<int> region; // row of the region table
    std::optional<NetworkType> networkType;
    std::optional<AdHocMode> adHocMode;
    std::optional<int> channel;
    std::optional<bool> useWep;
    std::optional<KeySize> keySize;
    std::optional<QString> passphrase;
    QList<std::pair<int, QString>> keys; // (key index 0..3, text), in order
    std::optional<int> defaultKey;       // key index 0..3
};

// The connection settings dialog as it opens on a record: its controls, the region code in use
// and the key field. The record's working profile and channel start from what it reported.
struct WirelessDialogState {
    WirelessSettings settings;
    RegionCodeText regionCode;
    KeyEntry keyEntry;
};
WirelessDialogState OpenWirelessDialog(Bridge& bridge);

// The Ad-Hoc dialog's OK with the wanted mode and channel (nothing wanted: nothing to do). The
// channel must be one the region in use offers; on success the record's working profile and
// channel take the choice. Each caller words the refusal for its own user.
enum class AdHocRefusal { None, NotAdHoc, NoChannelOffered, ChannelNotOffered };
struct AdHocStep {
    AdHocRefusal refusal = AdHocRefusal::None;
    int channel = 0;                     // the channel asked for
    const RegionEntry* region = nullptr; // the region in use, for ChannelNotOffered
};
AdHocStep SetAdHocControls(std::optional<AdHocMode> mode, std::optional<int> channel,
                           const RegionCodeText& regionCode, NetworkType type, Bridge& bridge);

// The security group set as wanted, on the slots of a record opened by StartKeyEntry: passphrase
// mode makes the keys of the chosen size; manual mode clears all slots on a change of size and
// puts each given key into its slot, as a key index change would accept it; then the default key.
// The message of a refused key text, nothing otherwise.
std::optional<QString> SetSecurityControls(const WirelessWanted& wanted, Bridge& bridge,
                                           KeyEntry& entry);

struct WirelessChange {
    WirelessSettings settings;
    std::optional<QString> refusal; // the first rule that refuses the change
    // The refusal is the region warning: the change may go ahead once the user agrees.
    bool needsRegionAgreement = false;
};

// The dialog opened on the reported record, the wanted values applied, and its checks run
// (region chosen, ad-hoc channel offered by the region, key texts, the key check of apply, the
// region warning unless agreeRegion).
WirelessChange PrepareWirelessChange(const Bridge& reported, const WirelessWanted& wanted,
                                     bool agreeRegion);
} // namespace vantoro
