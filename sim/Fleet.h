#pragma once

// Where simulated bridges come from: the built-in demo fleet, a JSON file, or a generator.

#include "sim/SimBridge.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace vantoro::sim {

// The PC's own IPv4 address and mask on its first adapter (host byte order).
struct Subnet {
    quint32 address = 0;
    quint32 mask = 0;
};

// Six bridges that between them show every case the program handles:
//   02:4B:00:00:00:01 "Front-Office"  fixed address inside the PC's subnet (192.168.1.0/24 by
//                                     default), no WEP; login admin / front01
//   02:4B:00:00:00:02 "Warehouse"     DHCP, WEP with 64-bit keys; login admin / store02
//   02:4B:00:00:00:03 "Lab-Annex"     fixed 10.20.30.40/255.255.255.0, WEP with 128-bit keys;
//                                     login admin / lab03
//   02:4B:00:00:00:04 "Paris-AdHoc"   ad-hoc in region "FR", channel 11, 802.11g;
//                                     login admin / paris04
//   02:4B:00:00:00:05 "Taipei-Desk"   region "TW" (not in the table), no version text: no login
//                                     needed (guest / open05 all the same)
//   02:4B:00:00:00:06 "Roof-Link"     sees sixteen networks; login admin / roof06
// With pcSubnet, the fixed-address bridge 1 (and the DHCP bridge 2 when there is room) take
// host addresses in that subnet, never the PC's own, the network or the broadcast address; a
// subnet with no free host (/31, /32) keeps the default 192.168.1.0/24 placement.
std::vector<SimBridgeState> DemoFleet(std::optional<Subnet> pcSubnet = std::nullopt);

inline constexpr int kMaxFleetSize = 65536;

// count bridges (clamped to 0..kMaxFleetSize) with identifiers 02:4B:10:xx:xx:xx and varied,
// valid states. The same count gives the same fleet.
std::vector<SimBridgeState> GenerateFleet(int count);

struct FleetLoadResult {
    std::vector<SimBridgeState> fleet;
    QString error; // empty on success
    bool ok() const { return error.isEmpty(); }
};

// A JSON array of bridge objects. Keys: macAddress (required), deviceName, model, ipMode,
// ipAddress, subnetMask, gateway, networkType, channel, profile, country, privacy, keyLength,
// keyId, keys (up to 4 strings, "" or "NULL" = no key), ssid, ssidList (up to 16 strings),
// linkQuality, txPackets, rxPackets, txPerSecond, rxPerSecond, userName, password, version. Numbers
// may also be given as decimal strings, privacy as true/false. Missing keys take the defaults of
// SimBridgeState.
FleetLoadResult LoadFleet(const QString& path);
FleetLoadResult FleetFromJson(const QByteArray& json, const QString& sourceName = QString());
QByteArray FleetToJson(const std::vector<SimBridgeState>& fleet);

// Why a bridge state cannot be simulated faithfully; empty when it can.
QString CheckBridgeState(const SimBridgeState& bridge);

} // namespace vantoro::sim
