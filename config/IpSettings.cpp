#include "config/IpSettings.h"

#include "config/Ipv4.h"

#include <QtEndian>

namespace vantoro {
namespace {

constexpr quint32 kNoAddress = 0xFFFFFFFFu; // what the system's conversion gives for bad text

quint32 AddressOrNone(std::string_view text) {
    return ParseIpv4(text).value_or(kNoAddress);
}

quint32 HostPart(const Ipv4Octets& address, const Ipv4Octets& mask) {
    return ToIpv4(address) & ~ToIpv4(mask);
}

// The fourth octet moved by delta, wrapping within the octet.
quint32 StepFourthOctet(quint32 address, int delta) {
    const auto fourth = quint8(int(address & 0xFFu) + delta);
    return (address & 0xFFFFFF00u) | fourth;
}

} // namespace

quint32 ToIpv4(const Ipv4Octets& octets) {
    return (quint32(octets[0]) << 24) | (quint32(octets[1]) << 16) | (quint32(octets[2]) << 8) |
           quint32(octets[3]);
}

Ipv4Octets ToOctets(quint32 address) {
    return {quint8(address >> 24), quint8(address >> 16), quint8(address >> 8), quint8(address)};
}

QByteArray FormatOctets(const Ipv4Octets& octets) {
    return FormatIpv4(ToIpv4(octets));
}

bool IsValidSubnetMask(const Ipv4Octets& mask) {
    const quint32 bits = ToIpv4(mask);
    if (bits == 0) {
        return false;
    }
    // Ones then zeros, with at least two zeros when there are any: a /31 leaves no host address.
    int changes = 0;
    int zeros = 0;
    quint32 previous = 1;
    for (int i = 31; i >= 0; --i) {
        const quint32 bit = (bits >> i) & 1u;
        if (bit != previous && ++changes == 2) {
            return false;
        }
        zeros += bit == 0 ? 1 : 0;
        previous = bit;
    }
    return zeros != 1;
}

bool IsNetworkAddress(const Ipv4Octets& address, const Ipv4Octets& mask) {
    return HostPart(address, mask) == 0;
}

bool IsBroadcastAddress(const Ipv4Octets& address, const Ipv4Octets& mask) {
    return HostPart(address, mask) == ~ToIpv4(mask);
}

bool IsReservedAddressClass(const Ipv4Octets& address) {
    return address[0] >= 224;
}

IpMode IpModeOf(std::string_view reportedIpMode) {
    return reportedIpMode == "dhcp" ? IpMode::Dhcp : IpMode::Fixed;
}

IpCheck CheckIpSettings(const Ipv4Octets& address, const Ipv4Octets& mask) {
    if (!IsValidSubnetMask(mask)) {
        return IpCheck::InvalidMask;
    }
    if (IsNetworkAddress(address, mask)) {
        return IpCheck::NetworkAddress;
    }
    if (IsBroadcastAddress(address, mask)) {
        return IpCheck::BroadcastAddress;
    }
    if (IsReservedAddressClass(address)) {
        return IpCheck::InvalidAddress;
    }
    return IpCheck::Ok;
}

QString IpCheckMessage(IpCheck check) {
    switch (check) {
    case IpCheck::Ok:
        break;
    case IpCheck::InvalidMask:
        return QStringLiteral("Invalid Subnet mask, please input correct Subnet mask.");
    case IpCheck::NetworkAddress:
        return QStringLiteral("IP Address is a network address in IP Subnet Mask setting.");
    case IpCheck::BroadcastAddress:
        return QStringLiteral("IP Address is a broadcast address in IP Subnet Mask setting.");
    case IpCheck::InvalidAddress:
        return QStringLiteral("IP address is an invalid address, please input correct IP address.");
    }
    return {};
}

IpField IpCheckFocus(IpCheck check) {
    return check == IpCheck::InvalidMask ? IpField::Mask : IpField::Address;
}

QList<ConfigItem> IpSettingItems(IpMode mode, const Ipv4Octets& address, const Ipv4Octets& mask) {
    return {{"wan_proto ", mode == IpMode::Fixed ? "static" : "dhcp"},
            {"wan_ipaddr ", FormatOctets(address)},
            {"wan_netmask ", FormatOctets(mask)}};
}

IpApply ApplyIpChange(IpMode mode, const Ipv4Octets& address, const Ipv4Octets& mask) {
    const IpCheck check = CheckIpSettings(address, mask);
    if (check != IpCheck::Ok) {
        return {check, {}};
    }
    return {IpCheck::Ok, IpSettingItems(mode, address, mask)};
}

QList<FieldChange> IpChanges(const Bridge& reported, IpMode mode, const Ipv4Octets& address,
                             const Ipv4Octets& mask) {
    QList<FieldChange> changes;
    const auto modeName = [](IpMode m) {
        return QLatin1String(m == IpMode::Dhcp ? "dhcp" : "static");
    };
    if (IpModeOf(reported.ipMode.view()) != mode) {
        changes.append(
            {QStringLiteral("ipMode"), modeName(IpModeOf(reported.ipMode.view())), modeName(mode)});
    }
    // The request carries the address and mask in both modes; a reported text that does not read
    // as an address differs from every address.
    if (ParseDottedQuad(reported.ipAddress.view()) != address) {
        changes.append({QStringLiteral("ip"), reported.ipAddress.toQString(),
                        QString::fromLatin1(FormatOctets(address))});
    }
    if (ParseDottedQuad(reported.subnetMask.view()) != mask) {
        changes.append({QStringLiteral("netmask"), reported.subnetMask.toQString(),
                        QString::fromLatin1(FormatOctets(mask))});
    }
    return changes;
}

bool SameIpSettings(const Bridge& reported, IpMode mode, const Ipv4Octets& address,
                    const Ipv4Octets& mask) {
    return IpChanges(reported, mode, address, mask).isEmpty();
}

bool LeavesGatewayOutside(const Bridge& reported, IpMode mode, const Ipv4Octets& address,
                          const Ipv4Octets& mask) {
    const std::optional<Ipv4Octets> gateway = ParseDottedQuad(reported.gateway.view());
    if (mode != IpMode::Fixed || !gateway || ToIpv4(*gateway) == 0) {
        return false;
    }
    return (ToIpv4(*gateway) & ToIpv4(mask)) != (ToIpv4(address) & ToIpv4(mask));
}

QString GatewayOutsideWarning(const Bridge& reported) {
    return QStringLiteral("warning: the bridge keeps its default gateway %1, which is outside "
                          "the new subnet; only the bridge's web pages can change it")
        .arg(QString::fromLatin1(
            FormatOctets(ParseDottedQuad(reported.gateway.view()).value_or(Ipv4Octets{}))));
}

PcIpSettings LookUpPcAddress(const QString& pcAddress, const QList<PcAddressEntry>& entries) {
    PcIpSettings pc;
    pc.address = pcAddress;
    for (const PcAddressEntry& entry : entries) {
        if (entry.ipAddress == pcAddress) {
            pc.mask = entry.subnetMask;
            pc.source = QString::fromLatin1(entry.dhcp ? kPcSourceDhcp : kPcSourceFixed);
            break;
        }
    }
    return pc;
}

std::optional<IpSuggestion> SuggestSettings(const PcIpSettings& pc) {
    const std::optional<quint32> ip = ParseIpv4(pc.address.toStdString());
    if (!ip) {
        return std::nullopt;
    }
    const quint32 mask = AddressOrNone(pc.mask.toStdString());
    const quint32 host = ~mask;
    const quint32 next = StepFourthOctet(*ip, +1);
    const bool stepDown = (*ip & host) == host || (next & host) == host;
    return IpSuggestion{ToOctets(stepDown ? StepFourthOctet(*ip, -1) : next), ToOctets(mask)};
}

bool IsOnPcSubnet(std::string_view bridgeIp, std::string_view bridgeMask,
                  const QList<PcAddressEntry>& entries) {
    const quint32 bridgeAddress = AddressOrNone(bridgeIp);
    const quint32 bridgeNetmask = AddressOrNone(bridgeMask);
    // The masks are compared as their network-order bytes read as a little-endian integer.
    const auto wireOrderValue = [](quint32 mask) { return qbswap(mask); };
    for (const PcAddressEntry& entry : entries) {
        const quint32 pcAddress = AddressOrNone(entry.ipAddress.toStdString());
        const quint32 pcMask = AddressOrNone(entry.subnetMask.toStdString());
        const quint32 mask =
            wireOrderValue(pcMask) > wireOrderValue(bridgeNetmask) ? pcMask : bridgeNetmask;
        if ((pcAddress & mask) == (bridgeAddress & mask)) {
            return true;
        }
    }
    return false;
}

} // namespace vantoro
