#pragma once

// What the status view shows of a bridge record: the texts of the status dialog's value fields,
// worked out once for the dialog and the command line.

#include "protocol/Bridge.h"

#include <QString>
#include <vector>

namespace vantoro {

// The value fields, in the order the dialog shows them (group by group).
enum class StatusField {
    NetworkName,
    ConnectionStatus,
    Region,
    Channel,
    Security,
    TxPackets,
    RxPackets,
    SignalStrength,
    IpAddress,
    SubnetMask,
    Gateway,
    IpSource,
    BridgeName,
    MacAddress,
    Version,
};

struct StatusLine {
    StatusField field;
    QString label; // the dialog's label, e.g. "Network Name(SSID) :"
    QString value; // the text the dialog shows; for SignalStrength the bar's position as a number
};

struct BridgeStatusView {
    std::vector<StatusLine> lines; // every field, in dialog order
    int signalStrength = 0;        // bar position within 0..100

    const QString& value(StatusField field) const;
};

// The record as the status dialog shows it: a region code not in the region table shows empty,
// a non-zero link quality reads "Connected", "dhcp" (exactly) reads "Dhcp".
BridgeStatusView DescribeBridgeStatus(const Bridge& bridge);

} // namespace vantoro
