#include "platform/Adapters.h"
#include "platform/Netlink.h"

namespace vantoro {

AdapterList SystemAdapters::Adapters() const {
    return netlink::ReadAdapters();
}

} // namespace vantoro
