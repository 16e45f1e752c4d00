#pragma once

// The demo LAN that `vantoro --demo` and `vantoro-cli --demo` both work over: the demo fleet
// placed in the subnet of the PC's own address, so that the window's Advanced Settings and
// set-ip --suggest see Front-Office where the PC is.

#include "sim/Fleet.h"
#include "sim/SimulatedLan.h"

#include <memory>
#include <optional>

namespace vantoro {
class Platform;
}

namespace vantoro::demo {

// The subnet of the PC's address as set-ip --suggest reads it (its address entry's mask), else
// of the first adapter's first address; nullopt when neither is an IPv4 address and mask.
std::optional<sim::Subnet> PcSubnet(const Platform& platform);

std::unique_ptr<sim::SimulatedLan> MakeDemoLan(const Platform& platform);

} // namespace vantoro::demo
