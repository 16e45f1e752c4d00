// Linux sockets. The interface of each arriving datagram comes from IP_PKTINFO; sends pick
// their interface the same way, which needs no privileges.

#include "protocol/ManagementMessage.h"
#include "protocol/UdpSocket.h"

#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace vantoro::udp {
namespace {

sockaddr_in BroadcastAddress(quint16 port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    return to;
}

// Room for one IP_PKTINFO control message.
using ControlBuffer = std::array<char, CMSG_SPACE(sizeof(in_pktinfo))>;

int ArrivalInterface(msghdr& message) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            return info.ipi_ifindex;
        }
    }
    return 0;
}

} // namespace

bool StartUp() {
    return true;
}

void CleanUp() {}

Handle Open() {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    return s < 0 ? kNoSocket : Handle(s);
}

void Close(Handle socket) {
    if (socket != kNoSocket) {
        ::close(int(socket));
    }
}

bool SetIntOption(Handle socket, int level, int option, int value) {
    return ::setsockopt(int(socket), level, option, &value, sizeof value) == 0;
}

int GetIntOption(Handle socket, int level, int option) {
    int value = 0;
    socklen_t length = sizeof value;
    ::getsockopt(int(socket), level, option, &value, &length);
    return value;
}

bool BindExclusive(Handle socket, quint16 port) {
    // No SO_REUSEADDR or SO_REUSEPORT: that alone keeps the port to one program here.
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    return ::bind(int(socket), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool PrepareForReceiving(Handle socket) {
    const int flags = ::fcntl(int(socket), F_GETFL, 0);
    const bool nonBlocking = flags >= 0 && ::fcntl(int(socket), F_SETFL, flags | O_NONBLOCK) == 0;
    return SetIntOption(socket, IPPROTO_IP, IP_PKTINFO, 1) && nonBlocking;
}

void SendBroadcast(Handle socket, const QByteArray& text, quint16 port, const ScanInterface* via) {
    sockaddr_in to = BroadcastAddress(port);
    iovec data{const_cast<char*>(text.constData()), size_t(text.size())};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    ControlBuffer control{};
    if (via != nullptr) {
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = via->id.index;
        info.ipi_spec_dst.s_addr = htonl(via->address);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    [[maybe_unused]] const ssize_t sent = ::sendmsg(int(socket), &message, MSG_NOSIGNAL);
}

ReadResult ReadQueued(Handle socket, std::vector<Received>& out, size_t max) {
    // A burst is read many datagrams per call: one system call for up to kBatch datagrams.
    constexpr size_t kBatch = 32;
    static thread_local std::array<std::array<char, kMaxDatagramBytes>, kBatch> buffers;
    static thread_local std::array<ControlBuffer, kBatch> controls;
    std::array<iovec, kBatch> data{};
    std::array<mmsghdr, kBatch> messages{};
    const size_t count = std::min(max, kBatch);
    for (size_t i = 0; i < count; ++i) {
        data[i] = {buffers[i].data(), buffers[i].size()};
        msghdr& m = messages[i].msg_hdr;
        m.msg_iov = &data[i];
        m.msg_iovlen = 1;
        m.msg_control = controls[i].data();
        m.msg_controllen = controls[i].size();
    }
    int received = 0;
    do {
        received = ::recvmmsg(int(socket), messages.data(), unsigned(count), MSG_DONTWAIT, nullptr);
    } while (received < 0 && errno == EINTR);
    if (received < 0) {
        return errno == EAGAIN || errno == EWOULDBLOCK ? ReadResult::Empty : ReadResult::Failed;
    }
    for (size_t i = 0; i < size_t(received); ++i) {
        // A datagram longer than the buffer arrives cut to its first 1514 bytes.
        const size_t length = std::min<size_t>(messages[i].msg_len, kMaxDatagramBytes);
        out.push_back({QByteArray(buffers[i].data(), qsizetype(length)),
                       ArrivalInterface(messages[i].msg_hdr)});
    }
    return received > 0 ? ReadResult::Read : ReadResult::Empty;
}

Waker::Waker() {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        fds_[0] = fds_[1] = -1;
    }
}

Waker::~Waker() {
    for (int fd : fds_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void Waker::Wake() {
    [[maybe_unused]] const ssize_t written = ::write(fds_[1], "x", 1);
}

bool WaitReadable(Handle socket, Waker& waker) {
    std::array<pollfd, 2> fds{{{int(socket), POLLIN, 0}, {waker.fds_[0], POLLIN, 0}}};
    const int ready = ::poll(fds.data(), fds.size(), -1);
    if (ready < 0) {
        if (errno != EINTR) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    if ((fds[1].revents & POLLIN) != 0) {
        std::array<char, 64> drain{};
        while (::read(waker.fds_[0], drain.data(), drain.size()) > 0) {
        }
        return false;
    }
    return (fds[0].revents & (POLLIN | POLLERR)) != 0;
}

} // namespace vantoro::udp
