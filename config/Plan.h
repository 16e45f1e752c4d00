#pragma once

// The settings document: what `export` writes and `apply` reads. Every field is optional; a
// missing one means "keep what the bridge has". Reading checks the whole document, so nothing is
// sent when any part of it is wrong, and each error names its place
// (`plan.json: bridges[3].ip.address: "10.61.0.300" is not an IPv4 address`).

#include "config/IpSettings.h"
#include "config/Regions.h"
#include "config/WepKeys.h"
#include "config/WirelessSettings.h"
#include "protocol/Bridge.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace vantoro {

struct PlanIp {
    std::optional<IpMode> mode;
    std::optional<Ipv4Octets> address;
    std::optional<Ipv4Octets> netmask;
    bool isEmpty() const { return !mode && !address && !netmask; }
};

struct PlanWep {
    std::optional<bool> enabled;
    std::optional<KeySize> keySize;
    std::optional<int> defaultKey; // key index 0..3
    // Each key: nullopt keeps it, "" clears it. A JSON plan gives all four or none.
    std::array<std::optional<QString>, kKeyCount> keys{};
    std::optional<QString> passphrase;
    bool hasKeys() const;
    bool isEmpty() const;
};

struct PlanWireless {
    std::optional<QString> ssid;
    std::optional<int> region; // row of the region table
    bool agreeRegion = false;
    std::optional<NetworkType> networkType;
    std::optional<AdHocMode> adHocMode;
    std::optional<int> channel;
    PlanWep wep;
    bool isEmpty() const;
};

struct PlanBridge {
    QByteArray macAddress;
    std::optional<QString> name; // informational: no request renames a bridge
    PlanIp ip;
    PlanWireless wireless;
};

struct PlanReadResult {
    QList<PlanBridge> bridges;
    QString error; // "SOURCE: PLACE: what is wrong"; empty when the plan is good
    bool ok() const { return error.isEmpty(); }
};

// A JSON plan: {"defaults": {"ip": {}, "wireless": {}}, "bridges": [{...}, ...]}. The defaults
// go under each bridge's own fields.
PlanReadResult ReadJsonPlan(const QByteArray& text, const QString& sourceName);
// A CSV plan already split into rows: a header of JSON paths ("mac", "ip.address",
// "wireless.wep.keys[0]", ...), then one bridge per row; an empty cell keeps the bridge's value.
PlanReadResult ReadCsvPlan(const QList<QStringList>& rows, const QString& sourceName);

// Why an identifier cannot name a bridge in a request (empty, too long, not 8-bit, whitespace or
// control characters); empty when it can.
QString MacAddressError(const QString& mac);

// The columns of a CSV plan, in the order export writes them; keys only with secrets.
QStringList PlanCsvHeader(bool showSecrets);

// The document of one bridge as it reports itself, in the shape the reader takes. Values a plan
// could not hold (a region code the table lacks, an address that is no dotted quad) are left
// out, so applying the document keeps them. Keys only with showSecrets.
QJsonObject BridgeDocument(const Bridge& bridge, bool showSecrets);
// The same as CSV cells under PlanCsvHeader(showSecrets).
QStringList BridgeDocumentCells(const Bridge& bridge, bool showSecrets);

} // namespace vantoro
