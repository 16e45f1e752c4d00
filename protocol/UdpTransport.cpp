#include "protocol/UdpTransport.h"

#include "protocol/ManagementMessage.h"

#include <array>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketLength = int;
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketLength = socklen_t;
#endif

namespace vantoro {
namespace {

constexpr qintptr kNoSocket = -1;

qintptr OpenUdpSocket() {
#ifdef Q_OS_WIN
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    return s == INVALID_SOCKET ? kNoSocket : qintptr(s);
#else
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    return s < 0 ? kNoSocket : qintptr(s);
#endif
}

void CloseSocket(qintptr socket) {
    if (socket == kNoSocket) {
        return;
    }
#ifdef Q_OS_WIN
    ::closesocket(SOCKET(socket));
#else
    ::close(int(socket));
#endif
}

bool SetIntOption(qintptr socket, int level, int option, int value) {
#ifdef Q_OS_WIN
    return ::setsockopt(SOCKET(socket), level, option, reinterpret_cast<const char*>(&value),
                        sizeof value) == 0;
#else
    return ::setsockopt(int(socket), level, option, &value, sizeof value) == 0;
#endif
}

int GetIntOption(qintptr socket, int level, int option) {
    int value = 0;
    SocketLength length = sizeof value;
#ifdef Q_OS_WIN
    ::getsockopt(SOCKET(socket), level, option, reinterpret_cast<char*>(&value), &length);
#else
    ::getsockopt(int(socket), level, option, &value, &length);
#endif
    return value;
}

bool SetNonBlocking(qintptr socket) {
#ifdef Q_OS_WIN
    u_long on = 1;
    return ::ioctlsocket(SOCKET(socket), FIONBIO, &on) == 0;
#else
    const int flags = ::fcntl(int(socket), F_GETFL, 0);
    return flags >= 0 && ::fcntl(int(socket), F_SETFL, flags | O_NONBLOCK) == 0;
#endif
}

sockaddr_in BroadcastDestination() {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kManagementPort);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    return to;
}

void SendTo(qintptr socket, const QByteArray& text) {
    const sockaddr_in to = BroadcastDestination();
    // Send errors are not reported: the protocol has no acknowledgement either.
#ifdef Q_OS_WIN
    ::sendto(SOCKET(socket), text.constData(), int(text.size()), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
#else
    [[maybe_unused]] const auto sent =
        ::sendto(int(socket), text.constData(), size_t(text.size()), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
#endif
}

bool WouldBlock() {
#ifdef Q_OS_WIN
    const int error = WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAECONNRESET;
#else
    return errno == EAGAIN || errno == EWOULDBLOCK;
#endif
}

} // namespace

UdpTransport::UdpTransport(QObject* parent) : Transport(parent) {}

UdpTransport::~UdpTransport() {
    CloseAll();
}

void UdpTransport::CloseAll() {
    notifier_.reset();
    CloseSocket(scanSocket_);
    CloseSocket(listenSocket_);
    scanSocket_ = listenSocket_ = kNoSocket;
#ifdef Q_OS_WIN
    if (startedUp_) {
        WSACleanup();
    }
#endif
    startedUp_ = false;
}

SetupStatus UdpTransport::Open() {
    CloseAll();
#ifdef Q_OS_WIN
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 0), &data) != 0) {
        return SetupStatus::StartUpFailed;
    }
#endif
    startedUp_ = true;

    scanSocket_ = OpenUdpSocket();
    if (scanSocket_ == kNoSocket) {
        return SetupStatus::ScanSocketOpenFailed;
    }
    if (!SetIntOption(scanSocket_, SOL_SOCKET, SO_BROADCAST, 1)) {
        return SetupStatus::BroadcastOptionFailed;
    }

    listenSocket_ = OpenUdpSocket();
    if (listenSocket_ == kNoSocket) {
        return SetupStatus::ListenSocketOpenFailed;
    }
    // A burst of replies must not overflow the socket while the event loop is busy. The kernel
    // may grant less (it caps unprivileged programs); the drain is built to keep up regardless.
    SetIntOption(listenSocket_, SOL_SOCKET, SO_RCVBUF, requestedReceiveBuffer_);
    grantedReceiveBuffer_ = GetIntOption(listenSocket_, SOL_SOCKET, SO_RCVBUF);
#ifdef Q_OS_WIN
    // Exclusive use of the port, so a second copy of the program cannot listen beside us.
    SetIntOption(listenSocket_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, 1);
#endif
    // No SO_REUSEADDR or SO_REUSEPORT: a second program must fail to bind the same port.
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kManagementPort);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    sockaddr_in bound{};
    SocketLength boundLength = sizeof bound;
#ifdef Q_OS_WIN
    const SOCKET listen = SOCKET(listenSocket_);
#else
    const int listen = int(listenSocket_);
#endif
    if (::bind(listen, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(listen, reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0) {
        return SetupStatus::BindFailed;
    }
    SetNonBlocking(listenSocket_);

    notifier_ = std::make_unique<QSocketNotifier>(listenSocket_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &UdpTransport::Drain);
    return SetupStatus::Ok;
}

void UdpTransport::Drain() {
    if (listenSocket_ == kNoSocket) {
        return;
    }
    std::array<char, kMaxDatagramBytes> buffer;
    for (int i = 0; i < kMaxDrainPerNotification; ++i) {
#ifdef Q_OS_WIN
        const int received = ::recvfrom(SOCKET(listenSocket_), buffer.data(), int(buffer.size()), 0,
                                        nullptr, nullptr);
#else
        const ssize_t received =
            ::recvfrom(int(listenSocket_), buffer.data(), buffer.size(), 0, nullptr, nullptr);
#endif
        if (received < 0) {
#ifndef Q_OS_WIN
            if (errno == EINTR) {
                continue;
            }
#endif
            if (!WouldBlock()) {
                Q_EMIT ReceiveFailed();
            }
            return;
        }
        // A datagram longer than the buffer arrives cut to its first 1514 bytes.
        Q_EMIT DatagramReceived(QByteArray(buffer.data(), qsizetype(received)));
    }
}

void UdpTransport::SendBroadcast(const QByteArray& text) {
    if (scanSocket_ != kNoSocket) {
        SendTo(scanSocket_, text);
    }
}

void UdpTransport::SendRequest(const QByteArray& text) {
    const qintptr socket = OpenUdpSocket();
    if (socket == kNoSocket) {
        return;
    }
    if (SetIntOption(socket, SOL_SOCKET, SO_BROADCAST, 1)) {
        SendTo(socket, text);
    }
    CloseSocket(socket);
}

} // namespace vantoro
