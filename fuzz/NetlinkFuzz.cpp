// libFuzzer target for the rtnetlink dump parser: whatever bytes a dump holds, splitting and
// reading its messages must never read past them, crash or trip a sanitizer.

#include "platform/Netlink.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vantoro::netlink;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    bool done = false;
    const auto messages = SplitMessages(bytes, done);
    if (!messages) {
        return 0;
    }
    std::vector<Link> links;
    std::vector<Address> addresses;
    std::vector<DefaultRoute> routes;
    for (const Message& message : *messages) {
        // Every payload goes through every reader: a message of one kind must not confuse another.
        if (auto link = ParseLink(message.payload)) {
            links.push_back(*link);
        }
        if (auto address = ParseAddress(message.payload)) {
            addresses.push_back(*address);
        }
        if (auto route = ParseDefaultRoute(message.payload)) {
            routes.push_back(*route);
        }
    }
    const std::vector<vantoro::Adapter> adapters = AssembleAdapters(links, addresses, routes);
    for (const vantoro::Adapter& adapter : adapters) {
        if (adapter.addresses.empty()) {
            __builtin_trap(); // adapters without an IPv4 address are left out
        }
    }
    return 0;
}
