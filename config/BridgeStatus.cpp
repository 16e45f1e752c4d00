#include "config/BridgeStatus.h"

#include "config/Regions.h"

#include <algorithm>

namespace vantoro {

const QString& BridgeStatusView::value(StatusField field) const {
    static const QString empty;
    for (const StatusLine& line : lines) {
        if (line.field == field) {
            return line.value;
        }
    }
    return empty;
}

BridgeStatusView DescribeBridgeStatus(const Bridge& bridge) {
    const qint32 linkQuality = DecimalValue(bridge.linkQuality.View());
    QString region; // stays empty for a code the table does not know
    GetRegionName(bridge.country.View(), region);

    BridgeStatusView view;
    view.signalStrength = std::clamp(linkQuality, 0, 100);
    const auto add = [&view](StatusField field, const char* label, QString value) {
        view.lines.push_back({field, QString::fromLatin1(label), std::move(value)});
    };
    add(StatusField::NetworkName, "Network Name(SSID) :", bridge.ssid.ToQString());
    add(StatusField::ConnectionStatus, "Connection Status :",
        QString::fromLatin1(linkQuality != 0 ? "Connected" : "Not Connected"));
    add(StatusField::Region, "Country/Region :", region);
    add(StatusField::Channel, "Channel :", bridge.channel.ToQString());
    add(StatusField::Security, "Security :",
        QString::fromLatin1(DecimalValue(bridge.privacy.View()) != 0 ? "WEP" : "No WEP"));
    add(StatusField::TxPackets, "Tx Packets :", bridge.txPackets.ToQString());
    add(StatusField::RxPackets, "Rx Packets :", bridge.rxPackets.ToQString());
    add(StatusField::SignalStrength, "Signal Strength :", QString::number(view.signalStrength));
    add(StatusField::IpAddress, "IP Address :", bridge.ipAddress.ToQString());
    add(StatusField::SubnetMask, "Subnet Mask :", bridge.subnetMask.ToQString());
    add(StatusField::Gateway, "Default Gateway :", bridge.gateway.ToQString());
    add(StatusField::IpSource,
        "IP Source :", QString::fromLatin1(bridge.ipMode == "dhcp" ? "Dhcp" : "Fixed"));
    add(StatusField::BridgeName, "Bridge Name :", bridge.deviceName.ToQString());
    add(StatusField::MacAddress, "Mac Address :", bridge.macAddress.ToQString());
    add(StatusField::Version, "Version :", bridge.version.ToQString());
    return view;
}

} // namespace vantoro
