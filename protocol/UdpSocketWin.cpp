// Winsock. A broadcast leaves through the adapter whose address its socket is bound to, so a
// send on one adapter uses a socket of its own; the arrival adapter comes from IP_PKTINFO
// through WSARecvMsg.

#include "protocol/UdpSocket.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
// winsock2.h must come before anything that pulls in windows.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>
// clang-format on

#include "protocol/ManagementMessage.h"

#include <array>
#include <chrono>
#include <cstring>
#include <thread>

namespace vantoro::udp {
namespace {

sockaddr_in Address(quint32 address, quint16 port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address);
    return to;
}

// WSARecvMsg is reached through a function pointer that the socket hands out.
LPFN_WSARECVMSG RecvMsgFunction(SOCKET socket) {
    GUID guid = WSAID_WSARECVMSG;
    LPFN_WSARECVMSG function = nullptr;
    DWORD bytes = 0;
    if (WSAIoctl(socket, SIO_GET_EXTENSION_FUNCTION_POINTER, &guid, sizeof guid, &function,
                 sizeof function, &bytes, nullptr, nullptr) != 0) {
        return nullptr;
    }
    return function;
}

int ArrivalInterface(WSAMSG& message) {
    for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&message); c != nullptr;
         c = WSA_CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            IN_PKTINFO info{};
            std::memcpy(&info, WSA_CMSG_DATA(c), sizeof info);
            return int(info.ipi_ifindex);
        }
    }
    return 0;
}

} // namespace

bool StartUp() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void CleanUp() {
    WSACleanup();
}

Handle Open() {
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    return s == INVALID_SOCKET ? kNoSocket : Handle(s);
}

void Close(Handle socket) {
    if (socket != kNoSocket) {
        ::closesocket(SOCKET(socket));
    }
}

bool SetIntOption(Handle socket, int level, int option, int value) {
    return ::setsockopt(SOCKET(socket), level, option, reinterpret_cast<const char*>(&value),
                        sizeof value) == 0;
}

int GetIntOption(Handle socket, int level, int option) {
    int value = 0;
    int length = sizeof value;
    ::getsockopt(SOCKET(socket), level, option, reinterpret_cast<char*>(&value), &length);
    return value;
}

bool BindExclusive(Handle socket, quint16 port) {
    // Exclusive use of the port, so a second copy of the program cannot listen beside us.
    SetIntOption(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, 1);
    const sockaddr_in local = Address(INADDR_ANY, port);
    return ::bind(SOCKET(socket), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool PrepareForReceiving(Handle socket) {
    u_long on = 1;
    const bool nonBlocking = ::ioctlsocket(SOCKET(socket), FIONBIO, &on) == 0;
    return SetIntOption(socket, IPPROTO_IP, IP_PKTINFO, 1) && nonBlocking;
}

void SendBroadcast(Handle socket, const QByteArray& text, quint16 port, const ScanInterface* via) {
    const sockaddr_in to = Address(INADDR_BROADCAST, port);
    if (via == nullptr) {
        ::sendto(SOCKET(socket), text.constData(), int(text.size()), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
        return;
    }
    const Handle own = Open();
    if (own == kNoSocket) {
        return;
    }
    const sockaddr_in from = Address(via->address, 0);
    if (EnableBroadcast(own) &&
        ::bind(SOCKET(own), reinterpret_cast<const sockaddr*>(&from), sizeof from) == 0) {
        ::sendto(SOCKET(own), text.constData(), int(text.size()), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    Close(own);
}

ReadResult ReadQueued(Handle socket, std::vector<Received>& out, size_t max) {
    static const LPFN_WSARECVMSG recvMsg = RecvMsgFunction(SOCKET(socket));
    std::array<char, kMaxDatagramBytes> buffer;
    std::array<char, WSA_CMSG_SPACE(sizeof(IN_PKTINFO))> control{};
    size_t read = 0;
    while (read < max) {
        WSABUF data{ULONG(buffer.size()), buffer.data()};
        WSAMSG message{};
        message.lpBuffers = &data;
        message.dwBufferCount = 1;
        message.Control = {ULONG(control.size()), control.data()};
        DWORD length = 0;
        int result = SOCKET_ERROR;
        if (recvMsg != nullptr) {
            result = recvMsg(SOCKET(socket), &message, &length, nullptr, nullptr);
        } else {
            result =
                ::recvfrom(SOCKET(socket), buffer.data(), int(buffer.size()), 0, nullptr, nullptr);
            length = result >= 0 ? DWORD(result) : 0;
        }
        if (result != 0 && recvMsg != nullptr) {
            result = SOCKET_ERROR;
        }
        if (result == SOCKET_ERROR) {
            const int error = WSAGetLastError();
            if (error == WSAEMSGSIZE) {
                // A datagram longer than the buffer arrives cut to its first 1514 bytes.
                length = DWORD(buffer.size());
            } else if (error == WSAEWOULDBLOCK || error == WSAECONNRESET) {
                break;
            } else {
                return read > 0 ? ReadResult::Read : ReadResult::Failed;
            }
        }
        const int interfaceIndex = recvMsg != nullptr ? ArrivalInterface(message) : 0;
        out.push_back({QByteArray(buffer.data(), qsizetype(length)), interfaceIndex});
        ++read;
    }
    return read > 0 ? ReadResult::Read : ReadResult::Empty;
}

Waker::Waker() = default;
Waker::~Waker() = default;

// Winsock cannot poll a pipe: the wait below wakes every 100 ms to look at the stop flag.
void Waker::Wake() {}

bool WaitReadable(Handle socket, Waker&) {
    WSAPOLLFD fd{SOCKET(socket), POLLRDNORM, 0};
    const int ready = WSAPoll(&fd, 1, 100);
    if (ready < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ready > 0;
}

} // namespace vantoro::udp
#endif
