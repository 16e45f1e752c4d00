#pragma once

// Requests written out byte for byte, so the bridges are tested against the wire format and not
// against the program's own request builders.

#include "protocol/Bridge.h"
#include "sim/Fleet.h"
#include "sim/SimBridge.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <memory>

namespace vantoro::sim::testing {

inline const QByteArray kDiscovery = "Torva_MultiAp_mgnt 1001 REQ 0.0.0.0\r\r";

inline QByteArray StatusRequest(const QByteArray& mac) {
    return "Torva_MultiAp_mgnt 1003 REQ " + mac + " 0.0.0.0\r\r";
}

// items: "key value" pairs separated by CR, e.g. "wan_proto static\rwan_ipaddr 10.0.0.2".
inline QByteArray ConfigRequest(const QByteArray& mac, const QByteArray& items) {
    return "Torva_MultiAp_mgnt 1002 REQ " + mac + " " + items + "\r\r";
}

// A reply read back the way the program reads it.
struct ParsedBack {
    std::unique_ptr<BridgeTable> table = std::make_unique<BridgeTable>();
    RowText row;
    ReplyResult result;
    const Bridge& bridge() const { return table->records[0]; }
};

inline std::unique_ptr<ParsedBack> ParseBack(const QByteArray& datagram) {
    auto parsed = std::make_unique<ParsedBack>();
    parsed->result = ParseReply(*parsed->table, 0, DatagramText(datagram), parsed->row);
    return parsed;
}

inline QJsonObject JsonLine(const QString& line) {
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

// Every persistent field of a bridge, for whole-state comparisons.
inline QByteArray StateJson(const SimBridgeState& bridge) {
    return FleetToJson({bridge});
}

} // namespace vantoro::sim::testing
