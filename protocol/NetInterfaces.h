#pragma once

// The PC's network interfaces as the discovery sees them: which ones a scan goes out on, and
// which one a datagram arrived on.

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace vantoro {

// One interface of the PC. Index 0 means "not known": the datagram came from somewhere that has
// no interfaces (the demo LAN, a test), and a request for it goes out as the plain broadcast.
struct InterfaceId {
    int index = 0;
    QString name;

    bool known() const { return index > 0; }
    friend bool operator==(const InterfaceId& a, const InterfaceId& b) = default;
};

// An interface as the system lists it.
struct NetInterface {
    int index = 0;
    QString name;  // the system's name ("eth0")
    QString label; // the name people see; the same as name except on Windows
    bool up = false;
    bool loopback = false;
    bool canBroadcast = false;
    std::vector<quint32> ipv4; // first octet in the most significant byte
};

// An interface that discovery requests go out on, and the address they leave from.
struct ScanInterface {
    InterfaceId id;
    quint32 address = 0;
};

// Whether the interface answers to name (its system name or its label).
bool HasName(const NetInterface& interfaceEntry, const QString& name);

// The interfaces a discovery goes out on: up, not loopback, able to broadcast, with an IPv4
// address other than 0.0.0.0; each once, in list order, leaving from its first such address.
// With names given, only interfaces that answer to one of them.
std::vector<ScanInterface> SelectScanInterfaces(const std::vector<NetInterface>& all,
                                                const QStringList& names = {});

// The names in names that no interface answers to.
QStringList UnknownInterfaceNames(const std::vector<NetInterface>& all, const QStringList& names);

// The system's interface list, read now.
std::vector<NetInterface> SystemInterfaces();

} // namespace vantoro

Q_DECLARE_METATYPE(vantoro::InterfaceId)
