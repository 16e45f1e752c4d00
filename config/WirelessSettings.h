#pragma once

// The wireless settings of a bridge: the checks before a change is sent and the items of the
// change, in the order the bridge reads them. The connection settings dialog and
// `vantoro-cli set-wireless` both fill a WirelessSettings from their own controls or arguments and
// call these.

#include "config/FieldChange.h"
#include "config/Regions.h"
#include "config/WepKeys.h"
#include "protocol/Bridge.h"
#include "protocol/ManagementMessage.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <string_view>

namespace vantoro {

// A bridge keeps at most this many characters of a network name.
inline constexpr int kMaxNetworkNameChars = kBridgeTextChars;

// Items of the network type list.
enum class NetworkType { Infrastructure = 0, AdHoc = 1 };

// Asked before a change that moves the bridge to another region; only Yes goes on.
inline constexpr std::string_view kRegionWarning =
    "Selecting the incorrect region may result in a\r\nviolation of applicable law. Do you "
    "agree\r\nto act in accordance with these settings?";

// What the connection settings hold when the change is applied.
struct WirelessSettings {
    int region = 0;         // chosen row of the region table; 0 is "-Select Region-"
    int reportedRegion = 0; // FindRegionIndex of the code the bridge reports
    QString networkName;
    NetworkType networkType = NetworkType::Infrastructure;
    qint32 workProfile = 0; // sent for ad-hoc only
    qint32 workChannel = 0; // sent for ad-hoc only
    bool useWep = false;
    int keyIndex = 0; // 0 for "Key 1:" up to 3 for "Key 4:"
    KeySize keySize = KeySize::Bits64;
    KeyTexts keySlots{}; // the bridge's slots of keySize
};

// A reported network type whose decimal value is 1 is infrastructure; anything else ad-hoc.
NetworkType ReportedNetworkType(std::string_view networkType);

// "Please select a Country/Region" unless region is a real row (1 .. kRegionCount - 1).
std::optional<QString> RegionSelectionMessage(int region);

// True when the change moves the bridge to another region, so kRegionWarning must be answered
// Yes first and a "isl_wlg_country " item goes out.
bool ChangesRegion(const WirelessSettings& settings);

// True when every character can travel as one byte of the wire text (Latin-1) and is not a
// control character, which would break the request apart. The empty text passes.
bool IsWireText(const QString& text);

// The network name as it goes out: its first kMaxNetworkNameChars characters, Latin-1.
QByteArray NetworkNameBytes(const QString& networkName);

// The items of the change, in order: "isl_wlg_country " (only when ChangesRegion), "isl_wlg_ssid "
// (always, an empty name included), "isl_wlg_nw_type " 1 or 2, for ad-hoc "isl_wlg_profile " and
// "isl_wlg_channel ", "isl_wlg_privacy " 0 or 1, and with WEP the key index and the key items of
// WepKeyItems. The key check (ApplyKeyCheck) must have passed before.
QList<ConfigItem> WirelessItems(const WirelessSettings& settings);

// What the change would alter of what the bridge reports, in this order: region, network name
// ("ssid"), network type, for ad-hoc the mode and channel, the WEP state ("wep"), and with WEP
// the key size, the default key and the keys (one secret entry "keys"; a masked slot keeps its
// key).
QList<FieldChange> WirelessChanges(const Bridge& reported, const WirelessSettings& settings);
// True when the change would carry exactly what the bridge reports: network name, region,
// network type, for ad-hoc the mode and channel, the WEP state, and with WEP the key size, the
// default key and every key (a masked slot keeps its key). Such a change is not sent: it would
// only reboot the bridge.
bool SameWirelessSettings(const Bridge& reported, const WirelessSettings& settings);

// Where the apply step stopped: no region chosen, the key field refused, or a change of region
// the user has not agreed to yet.
enum class WirelessStop { None, NoRegion, KeyRejected, RegionWarning };

struct WirelessApply {
    WirelessStop stop = WirelessStop::None;
    QString message;         // the rule's message when stopped
    QList<ConfigItem> items; // the change when not stopped
};

// The apply step of the connection settings, one for the dialog, set-wireless and apply. In this
// order: a region must be chosen; with WEP the key field must pass the key check, which stores it
// into keySlots; settings takes the key index, size and slots from entry and keySlots; a change
// of region needs the user's agreement (regionAgreed) and stops with kRegionWarning without it.
// Then the items of the change.
WirelessApply ApplyWirelessChange(WirelessSettings& settings, const KeyEntry& entry,
                                  KeyTexts& keySlots, bool regionAgreed);

// Back to the region the bridge reports after the user declined kRegionWarning: the code in use
// and the working channel become what they were when the settings were opened. Returns the row
// the region list shows for it.
int RestoreReportedRegion(Bridge& bridge, RegionCodeText& currentRegionCode);

} // namespace vantoro
