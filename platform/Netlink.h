#pragma once

// Reading the kernel's interface, address and route tables over rtnetlink (Linux). Needs no
// privileges. The parsers take the raw dump bytes so that malformed input can be tested.

#include "platform/Adapters.h"

#include <QByteArray>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace vantoro::netlink {

struct Link {
    int index = 0;
    QString name;
    bool up = false;
    bool loopback = false;
};

struct Address {
    int index = 0;
    quint32 address = 0; // first octet in the most significant byte
    int prefixLength = 0;
    bool dynamic = false; // not marked permanent: leased, as from DHCP
};

struct DefaultRoute {
    int outIndex = 0;
    quint32 priority = 0;
};

// One message of a dump: its netlink type and payload.
struct Message {
    quint16 type = 0;
    QByteArray payload;
};

// Splits received bytes into messages. Sets done at the end-of-dump message; returns nullopt on
// an error message or a malformed header.
std::optional<std::vector<Message>> SplitMessages(const QByteArray& bytes, bool& done);

std::optional<Link> ParseLink(const QByteArray& payload);
std::optional<Address> ParseAddress(const QByteArray& payload); // IPv4 only
std::optional<DefaultRoute> ParseDefaultRoute(const QByteArray& payload);

// Adapters in link order: loopback links and links without an IPv4 address are left out; the
// default route with the lowest priority marks its adapter.
std::vector<Adapter> AssembleAdapters(const std::vector<Link>& links,
                                      const std::vector<Address>& addresses,
                                      const std::vector<DefaultRoute>& routes);

// Reads the tables of the calling thread's network namespace.
AdapterList ReadAdapters();

} // namespace vantoro::netlink
