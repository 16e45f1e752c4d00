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
    const qint32 linkQuality = DecimalValue(bridge.linkQuality.view());
    QString region; // stays empty for a code the table does not know
    GetRegionName(bridge.country.view(), region);

    BridgeStatusView view;
    view.signalStrength = std::clamp(linkQuality, 0, 100);
    const auto add = [&view](StatusField field, const char* label, QString value) {
        view.lines.push_back({field, QString::fromLatin1(label), std::move(value)});
    };
    add(StatusField::NetworkName, "Network Name(SSID) :", bridge.ssid.toQString());
    add(StatusField::ConnectionStatus, "Connection Status :",
        QString::fromLatin1(linkQuality != 0 ? "Connected" : "Not Connected"));
    add(StatusField::Region, "Country/Region :", region);
    add(StatusField::Channel, "Channel :", bridge.channel.toQString());
    add(StatusField::Security, "Security :",
        QString::fromLatin1(DecimalValue(bridge.privacy.view()) != 0 ? "WEP" : "No WEP"));
    add(StatusField::TxPackets, "Tx Packets :", bridge.txPackets.toQString());
    add(StatusField::RxPackets, "Rx Packets :", bridge.rxPackets.toQString());
    add(StatusField::SignalStrength, "Signal Strength :", QString::number(view.signalStrength));
    add(StatusField::IpAddress, "IP Address :", bridge.ipAddress.toQString());
    add(StatusField::SubnetMask, "Subnet Mask :", bridge.subnetMask.toQString());
    add(StatusField::Gateway, "Default Gateway :", bridge.gateway.toQString());
    add(StatusField::IpSource,
        "IP Source :", QString::fromLatin1(bridge.ipMode == "dhcp" ? "Dhcp" : "Fixed"));
    add(StatusField::BridgeName, "Bridge Name :", bridge.deviceName.toQString());
    add(StatusField::MacAddress, "Mac Address :", bridge.macAddress.toQString());
    add(StatusField::Version, "Version :", bridge.version.toQString());
    return view;
}

} // namespace vantoro
