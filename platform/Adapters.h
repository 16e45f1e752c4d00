#pragma once

// The PC's network adapters with their IPv4 address entries, as the operating system lists them.

#include <QString>
#include <vector>

namespace vantoro {

struct AdapterAddress {
    QString ipAddress;  // dotted decimal
    QString subnetMask; // dotted decimal
    bool dhcp = false;  // the address was handed out by a DHCP server
};

struct Adapter {
    QString name;
    bool up = true;
    bool defaultRoute = false;             // carries the IPv4 default route
    std::vector<AdapterAddress> addresses; // in the order the system lists them
};

enum class AdapterListState {
    Ok,
    // The system call has a fixed-size buffer (Windows: 6400 bytes) and the list did not fit.
    Overflow,
    // The list could not be read at all; not the same as a PC without adapters.
    Unreadable,
};

struct AdapterList {
    AdapterListState state = AdapterListState::Ok;
    std::vector<Adapter> adapters; // empty unless state is Ok
    bool ok() const { return state == AdapterListState::Ok; }
};

class NetworkAdapters {
public:
    virtual ~NetworkAdapters() = default;
    // Loopback interfaces are not adapters; neither are interfaces without an IPv4 address.
    virtual AdapterList Adapters() const = 0;
};

// The reader of the operating system this program was built for.
class SystemAdapters final : public NetworkAdapters {
public:
    AdapterList Adapters() const override;
};

} // namespace vantoro
