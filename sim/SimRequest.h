#pragma once

// What a bridge reads from a request datagram, and how it checks and applies a configuration.

#include "sim/SimBridge.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace vantoro::sim {

struct RequestItem {
    QByteArray key; // with its trailing space, as sent: "wan_proto "
    QByteArray value;
};

struct ParsedRequest {
    int command = 0;        // the number after the magic word; 0 when there is none
    bool hasTarget = false; // 1002 and 1003 name a target
    QByteArray target;
    QByteArray argument;      // 1001 and 1003: the text before the closing CRs
    QList<RequestItem> items; // 1002, in the order sent
    QString error;            // why the bridge cannot read it; empty when it can
    bool ok() const { return error.isEmpty(); }
};

ParsedRequest ParseRequest(const QByteArray& datagram);

// Checks the items of a configuration request against what the bridge accepts and, when all is
// well, applies them to bridge and returns an empty text. Otherwise returns the reason and leaves
// bridge untouched. Does not start the reboot.
QString ApplyConfiguration(SimBridgeState& bridge, const QList<RequestItem>& items);

} // namespace vantoro::sim
