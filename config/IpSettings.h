#pragma once

// The rules of a bridge's IP settings that need no widget: reading and checking an address and
// mask, the suggestion next to the PC's own address, the request items, and whether the PC shares
// a bridge's subnet. The IP setting dialog and the command line both call these.

#include "config/FieldChange.h"
#include "config/Ipv4.h"
#include "protocol/Bridge.h"
#include "protocol/ManagementMessage.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>
#include <string_view>

namespace vantoro {

// First octet in the most significant byte, as ParseIpv4 and FormatIpv4 use.
quint32 ToIpv4(const Ipv4Octets& octets);
Ipv4Octets ToOctets(quint32 address);
// "%d.%d.%d.%d"
QByteArray FormatOctets(const Ipv4Octets& octets);

// Prefix masks of lengths 1 to 30 and 32. Not 0.0.0.0, not 255.255.255.254 (a /31 leaves no
// host), nothing non-contiguous.
bool IsValidSubnetMask(const Ipv4Octets& mask);
// The address's host part is all zeros / all ones under mask.
bool IsNetworkAddress(const Ipv4Octets& address, const Ipv4Octets& mask);
bool IsBroadcastAddress(const Ipv4Octets& address, const Ipv4Octets& mask);
// First octet 224 or more: multicast and reserved. (0 and 127 pass.)
bool IsReservedAddressClass(const Ipv4Octets& address);

// Where the bridge gets its address from: the dialog's two radio buttons.
enum class IpMode { Dhcp, Fixed };
// A bridge that reported exactly "dhcp" is in DHCP mode; any other text means a fixed address.
IpMode IpModeOf(std::string_view reportedIpMode);

// The checks before a change is sent, in the order they run; the first that fails wins.
enum class IpCheck { Ok, InvalidMask, NetworkAddress, BroadcastAddress, InvalidAddress };
// Which control takes the focus after a failed check.
enum class IpField { Address, Mask };

// Runs in both modes: with DHCP the address and mask are sent too, so they must be valid.
IpCheck CheckIpSettings(const Ipv4Octets& address, const Ipv4Octets& mask);
// The message shown for a failed check; empty for Ok.
QString IpCheckMessage(IpCheck check);
IpField IpCheckFocus(IpCheck check);

// The three items of the change, always all three and in this order: "wan_proto " ("static" or
// "dhcp"), "wan_ipaddr ", "wan_netmask ".
QList<ConfigItem> IpSettingItems(IpMode mode, const Ipv4Octets& address, const Ipv4Octets& mask);

// The apply step of the IP settings, one for the dialog, set-ip and apply: the checks, and when
// they pass the items of the change.
struct IpApply {
    IpCheck check = IpCheck::Ok;
    QList<ConfigItem> items; // empty unless check is Ok
};
IpApply ApplyIpChange(IpMode mode, const Ipv4Octets& address, const Ipv4Octets& mask);

// What a change to these settings would alter of what the bridge reports: mode ("ipMode"),
// address ("ip") and mask ("netmask"), in this order.
QList<FieldChange> IpChanges(const Bridge& reported, IpMode mode, const Ipv4Octets& address,
                             const Ipv4Octets& mask);
// True when the change would carry exactly what the bridge reports (IpChanges is empty). Such a
// change is not sent: it would only reboot the bridge.
bool SameIpSettings(const Bridge& reported, IpMode mode, const Ipv4Octets& address,
                    const Ipv4Octets& mask);

// True when a fixed address under mask leaves the gateway the bridge reports outside its subnet.
// The requests cannot change the gateway, so the bridge would keep one it cannot reach. A
// gateway text that does not read as an address, or 0.0.0.0, counts as none.
bool LeavesGatewayOutside(const Bridge& reported, IpMode mode, const Ipv4Octets& address,
                          const Ipv4Octets& mask);
// The warning for it, naming the gateway.
QString GatewayOutsideWarning(const Bridge& reported);

// One IPv4 address entry of one of the PC's adapters.
struct PcAddressEntry {
    QString ipAddress;  // dotted decimal
    QString subnetMask; // dotted decimal
    bool dhcp = false;
};

inline constexpr const char* kPcSourceFixed = "Fixed";
inline constexpr const char* kPcSourceDhcp = "Dhcp";

// What the dialog shows of the PC's side.
struct PcIpSettings {
    QString address;
    QString mask = QStringLiteral("0.0.0.0");
    QString source = QString::fromLatin1(kPcSourceFixed);
};

// The mask and source of the first entry whose address text equals pcAddress exactly; "0.0.0.0"
// and "Fixed" when none does.
PcIpSettings LookUpPcAddress(const QString& pcAddress, const QList<PcAddressEntry>& entries);

struct IpSuggestion {
    Ipv4Octets address{};
    Ipv4Octets mask{};
};

// A fixed address next to the PC's: its fourth octet plus one, or minus one when the PC's
// address or the next one is the subnet's broadcast address. The fourth octet wraps within
// itself and never carries. Nothing checks whether the address is free or is the subnet's
// network address. nullopt when the PC's address is not a dotted quad (a host name stood in).
std::optional<IpSuggestion> SuggestSettings(const PcIpSettings& pc);

// True when some entry shares the bridge's subnet. Each entry is compared under the greater of
// its mask and the bridge's, the masks being read as little-endian integers (for prefix masks:
// the narrower subnet). A text that is not a dotted quad counts as 255.255.255.255.
bool IsOnPcSubnet(std::string_view bridgeIp, std::string_view bridgeMask,
                  const QList<PcAddressEntry>& entries);

} // namespace vantoro
