#pragma once

// Requests written out byte for byte, so the bridges are tested against the wire format and not
// against the program's own request builders.

#include "protocol/Bridge.h"
#include "sim/SimBridge.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <memory>
#include <utility>

namespace vantoro::sim::testing {

inline const QByteArray kDiscovery = "Torva_MultiAp_mgnt 1001 REQ 0.0.0.0\r\r";

inline QByteArray StatusRequest(const QByteArray& mac) {
    return "Torva_MultiAp_mgnt 1003 REQ " + mac + " 0.0.0.0\r\r";
}

using Items = QList<std::pair<QByteArray, QByteArray>>;

inline QByteArray ConfigRequest(const QByteArray& mac, const Items& items) {
    QByteArray text = "Torva_MultiAp_mgnt 1002 REQ " + mac + " ";
    for (const auto& [key, value] : items) {
        text += key + value + '\r';
    }
    return text + '\r';
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

} // namespace vantoro::sim::testing
