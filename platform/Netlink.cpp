#include "platform/Netlink.h"

#include <QHostAddress>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <linux/if_addr.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace vantoro::netlink {
namespace {

constexpr qsizetype kHeaderBytes = sizeof(nlmsghdr);
constexpr qsizetype kAttributeHeaderBytes = sizeof(rtattr);
// A dump of a busy host spans a few dozen reads; anything far beyond is a kernel we do not
// understand, and the reader gives up rather than loop.
constexpr int kMaxReads = 4096;
constexpr int kReceiveBytes = 65536;

constexpr qsizetype Align(qsizetype bytes) {
    return (bytes + 3) & ~qsizetype(3);
}

template <typename T> bool ReadAt(const QByteArray& bytes, qsizetype offset, T& out) {
    if (offset < 0 || offset + qsizetype(sizeof(T)) > bytes.size()) {
        return false;
    }
    std::memcpy(&out, bytes.constData() + offset, sizeof(T));
    return true;
}

struct Attribute {
    quint16 type = 0;
    QByteArray data;
};

// The attributes that follow a fixed header of headerBytes; a malformed one ends the list.
std::vector<Attribute> Attributes(const QByteArray& payload, qsizetype headerBytes) {
    std::vector<Attribute> attributes;
    qsizetype offset = Align(headerBytes);
    rtattr header{};
    while (ReadAt(payload, offset, header)) {
        const qsizetype length = header.rta_len;
        if (length < kAttributeHeaderBytes || offset + length > payload.size()) {
            break;
        }
        attributes.push_back(
            {quint16(header.rta_type & NLA_TYPE_MASK),
             payload.mid(offset + kAttributeHeaderBytes, length - kAttributeHeaderBytes)});
        offset += Align(length);
    }
    return attributes;
}

std::optional<quint32> U32(const QByteArray& data) {
    quint32 value = 0;
    if (!ReadAt(data, 0, value)) {
        return std::nullopt;
    }
    return value;
}

quint32 Ipv4FromBytes(const QByteArray& data) {
    const auto byte = [&](int i) { return quint32(quint8(data[i])); };
    return (byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
}

QString DottedQuad(quint32 value) {
    return QHostAddress(value).toString();
}

quint32 PrefixMask(int prefixLength) {
    return prefixLength <= 0 ? 0u : ~quint32(0) << (32 - std::min(prefixLength, 32));
}

class Socket {
public:
    Socket() : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {
        if (fd_ >= 0) {
            // A kernel that never finishes a dump must not hang the window.
            timeval timeout{2, 0};
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        }
    }
    ~Socket() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Every message of one dump request, or nullopt when the dump fails.
    template <typename Request>
    std::optional<std::vector<Message>> Dump(quint16 type, const Request& body) {
        if (fd_ < 0) {
            return std::nullopt;
        }
        struct {
            nlmsghdr header;
            Request body;
        } request{};
        request.header.nlmsg_len = sizeof(request);
        request.header.nlmsg_type = type;
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.header.nlmsg_seq = ++sequence_;
        request.body = body;
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        if (::sendto(fd_, &request, sizeof(request), 0, reinterpret_cast<sockaddr*>(&kernel),
                     sizeof(kernel)) < 0) {
            return std::nullopt;
        }
        std::vector<Message> messages;
        QByteArray buffer(kReceiveBytes, Qt::Uninitialized);
        for (int reads = 0; reads < kMaxReads; ++reads) {
            const ssize_t received = ::recv(fd_, buffer.data(), size_t(buffer.size()), 0);
            if (received < 0 && errno == EINTR) {
                continue;
            }
            if (received <= 0) {
                return std::nullopt;
            }
            bool done = false;
            auto chunk = SplitMessages(buffer.left(qsizetype(received)), done);
            if (!chunk) {
                return std::nullopt;
            }
            std::move(chunk->begin(), chunk->end(), std::back_inserter(messages));
            if (done) {
                return messages;
            }
        }
        return std::nullopt;
    }

private:
    int fd_;
    quint32 sequence_ = 0;
};

} // namespace

std::optional<std::vector<Message>> SplitMessages(const QByteArray& bytes, bool& done) {
    std::vector<Message> messages;
    qsizetype offset = 0;
    nlmsghdr header{};
    while (offset < bytes.size()) {
        if (!ReadAt(bytes, offset, header)) {
            return std::nullopt;
        }
        const qsizetype length = qsizetype(header.nlmsg_len);
        if (length < kHeaderBytes || offset + length > bytes.size()) {
            return std::nullopt;
        }
        if (header.nlmsg_type == NLMSG_DONE) {
            done = true;
            return messages;
        }
        if (header.nlmsg_type == NLMSG_ERROR) {
            return std::nullopt;
        }
        if (header.nlmsg_type >= NLMSG_MIN_TYPE) {
            messages.push_back(
                {header.nlmsg_type, bytes.mid(offset + kHeaderBytes, length - kHeaderBytes)});
        }
        offset += Align(length);
    }
    return messages;
}

std::optional<Link> ParseLink(const QByteArray& payload) {
    ifinfomsg info{};
    if (!ReadAt(payload, 0, info)) {
        return std::nullopt;
    }
    Link link;
    link.index = info.ifi_index;
    link.up = (info.ifi_flags & IFF_UP) != 0;
    link.loopback = (info.ifi_flags & IFF_LOOPBACK) != 0;
    for (const Attribute& attribute : Attributes(payload, sizeof(ifinfomsg))) {
        if (attribute.type == IFLA_IFNAME) {
            const qsizetype end = attribute.data.indexOf('\0');
            link.name = QString::fromUtf8(end < 0 ? attribute.data : attribute.data.left(end));
        }
    }
    return link;
}

std::optional<Address> ParseAddress(const QByteArray& payload) {
    ifaddrmsg info{};
    if (!ReadAt(payload, 0, info) || info.ifa_family != AF_INET || info.ifa_prefixlen > 32) {
        return std::nullopt;
    }
    Address address;
    address.index = int(info.ifa_index);
    address.prefixLength = info.ifa_prefixlen;
    quint32 flags = info.ifa_flags;
    std::optional<quint32> local;
    std::optional<quint32> peer;
    for (const Attribute& attribute : Attributes(payload, sizeof(ifaddrmsg))) {
        if (attribute.data.size() < 4) {
            continue;
        }
        switch (attribute.type) {
        case IFA_LOCAL:
            local = Ipv4FromBytes(attribute.data);
            break;
        case IFA_ADDRESS:
            peer = Ipv4FromBytes(attribute.data);
            break;
        case IFA_FLAGS: // the full 32 flag bits; ifa_flags holds only the low eight
            flags = U32(attribute.data).value_or(flags);
            break;
        default:
            break;
        }
    }
    // On a point-to-point link IFA_ADDRESS is the peer; the PC's own address is IFA_LOCAL.
    if (!local && !peer) {
        return std::nullopt;
    }
    address.address = local ? *local : *peer;
    address.dynamic = (flags & IFA_F_PERMANENT) == 0;
    return address;
}

std::optional<DefaultRoute> ParseDefaultRoute(const QByteArray& payload) {
    rtmsg info{};
    if (!ReadAt(payload, 0, info) || info.rtm_family != AF_INET || info.rtm_dst_len != 0 ||
        info.rtm_type != RTN_UNICAST) {
        return std::nullopt;
    }
    quint32 table = info.rtm_table;
    DefaultRoute route;
    for (const Attribute& attribute : Attributes(payload, sizeof(rtmsg))) {
        const std::optional<quint32> value = U32(attribute.data);
        if (!value) {
            continue;
        }
        if (attribute.type == RTA_TABLE) {
            table = *value;
        } else if (attribute.type == RTA_OIF) {
            route.outIndex = int(*value);
        } else if (attribute.type == RTA_PRIORITY) {
            route.priority = *value;
        }
    }
    if (table != RT_TABLE_MAIN || route.outIndex <= 0) {
        return std::nullopt;
    }
    return route;
}

std::vector<Adapter> AssembleAdapters(const std::vector<Link>& links,
                                      const std::vector<Address>& addresses,
                                      const std::vector<DefaultRoute>& routes) {
    const auto best = std::min_element(
        routes.begin(), routes.end(),
        [](const DefaultRoute& a, const DefaultRoute& b) { return a.priority < b.priority; });
    std::vector<Adapter> adapters;
    for (const Link& link : links) {
        if (link.loopback) {
            continue;
        }
        Adapter adapter;
        adapter.name = link.name;
        adapter.up = link.up;
        adapter.defaultRoute = best != routes.end() && best->outIndex == link.index;
        for (const Address& address : addresses) {
            if (address.index == link.index) {
                adapter.addresses.push_back({DottedQuad(address.address),
                                             DottedQuad(PrefixMask(address.prefixLength)),
                                             address.dynamic});
            }
        }
        if (!adapter.addresses.empty()) {
            adapters.push_back(std::move(adapter));
        }
    }
    return adapters;
}

AdapterList ReadAdapters() {
    Socket socket;
    ifinfomsg linkRequest{};
    linkRequest.ifi_family = AF_UNSPEC;
    ifaddrmsg addressRequest{};
    addressRequest.ifa_family = AF_INET;
    rtmsg routeRequest{};
    routeRequest.rtm_family = AF_INET;

    const auto linkDump = socket.Dump(RTM_GETLINK, linkRequest);
    const auto addressDump = socket.Dump(RTM_GETADDR, addressRequest);
    if (!linkDump || !addressDump) {
        return {AdapterListState::Unreadable, {}};
    }
    std::vector<Link> links;
    for (const Message& message : *linkDump) {
        if (message.type == RTM_NEWLINK) {
            if (auto link = ParseLink(message.payload)) {
                links.push_back(std::move(*link));
            }
        }
    }
    std::vector<Address> addresses;
    for (const Message& message : *addressDump) {
        if (message.type == RTM_NEWADDR) {
            if (auto address = ParseAddress(message.payload)) {
                addresses.push_back(*address);
            }
        }
    }
    // Without a route table the adapters are still worth having; only the preference is lost.
    std::vector<DefaultRoute> routes;
    if (const auto routeDump = socket.Dump(RTM_GETROUTE, routeRequest)) {
        for (const Message& message : *routeDump) {
            if (message.type == RTM_NEWROUTE) {
                if (auto route = ParseDefaultRoute(message.payload)) {
                    routes.push_back(*route);
                }
            }
        }
    }
    return {AdapterListState::Ok, AssembleAdapters(links, addresses, routes)};
}

} // namespace vantoro::netlink
