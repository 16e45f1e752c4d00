#include "protocol/UdpTransport.h"

#include "protocol/ManagementMessage.h"

#include <QMetaObject>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketLength = int;
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
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

struct UdpTransport::ReceiveQueue {
    std::mutex mutex;
    std::vector<QByteArray> datagrams;
    int failures = 0; // receive errors since the last delivery
    // Until this steady-clock time (ns) the receiver reads without sleeping: the answers to a
    // broadcast arrive all at once, faster than a sleeping thread wakes up.
    std::atomic<qint64> watchUntil{0};
    std::atomic<bool> watching{false}; // the receiver has seen watchUntil and is reading
    bool deliveryPosted = false;
    std::atomic<bool> stop{false};
#ifndef Q_OS_WIN
    int wake[2] = {-1, -1}; // a pipe that ends the receiver's wait at once on shutdown
#endif
};

namespace {

// Waits for the listening socket to be readable; false when the receiver should stop.
qint64 SteadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool Watching(UdpTransport::ReceiveQueue& queue) {
    const bool watching = SteadyNow() < queue.watchUntil.load();
    queue.watching.store(watching);
    return watching;
}

bool WaitReadable(qintptr socket, UdpTransport::ReceiveQueue& queue) {
    while (!queue.stop.load()) {
        if (Watching(queue)) {
            return true;
        }
#ifdef Q_OS_WIN
        WSAPOLLFD fd{SOCKET(socket), POLLRDNORM, 0};
        const int ready = WSAPoll(&fd, 1, 100);
        if (ready > 0) {
            return true;
        }
#else
        pollfd fds[2] = {{int(socket), POLLIN, 0}, {queue.wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, -1);
        if (ready > 0) {
            if ((fds[1].revents & POLLIN) != 0) {
                char drain[64];
                while (::read(queue.wake[0], drain, sizeof drain) > 0) {
                }
            }
            if (!queue.stop.load() && (fds[0].revents & (POLLIN | POLLERR)) != 0) {
                return true;
            }
            continue;
        }
        if (ready < 0 && errno != EINTR) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
#endif
    }
    return false;
}

// Hands what the receiver read to the UI thread: one queued call per batch, none while one is
// already on its way.
void HandOver(UdpTransport::ReceiveQueue& queue, std::vector<QByteArray>& batch, bool failed,
              UdpTransport* owner) {
    if (batch.empty() && !failed) {
        return;
    }
    bool post = false;
    {
        std::lock_guard lock(queue.mutex);
        for (QByteArray& datagram : batch) {
            if (queue.datagrams.size() >= size_t(UdpTransport::kMaxQueuedDatagrams)) {
                break;
            }
            queue.datagrams.push_back(std::move(datagram));
        }
        queue.failures += failed ? 1 : 0;
        post = !std::exchange(queue.deliveryPosted, true);
    }
    batch.clear();
    if (post) {
        QMetaObject::invokeMethod(owner, &UdpTransport::Deliver, Qt::QueuedConnection);
    }
}

void ReceiveLoop(qintptr socket, std::shared_ptr<UdpTransport::ReceiveQueue> queue,
                 UdpTransport* owner) {
    using Clock = std::chrono::steady_clock;
    // Replies come in bursts (every bridge answers the same broadcast at once). Once a datagram
    // arrives, keep reading without sleeping until the line has been quiet this long, so a burst
    // never waits on a thread wake-up while the socket buffer overflows.
    constexpr auto kKeepReading = std::chrono::milliseconds(3);
    constexpr size_t kBatch = 64;
    std::array<char, kMaxDatagramBytes> buffer;
    std::vector<QByteArray> batch;
    batch.reserve(kBatch);
    while (WaitReadable(socket, *queue)) {
        bool failed = false;
        auto lastArrival = Clock::now();
        while (!queue->stop.load()) {
#ifdef Q_OS_WIN
            const int received =
                ::recvfrom(SOCKET(socket), buffer.data(), int(buffer.size()), 0, nullptr, nullptr);
#else
            const ssize_t received =
                ::recvfrom(int(socket), buffer.data(), buffer.size(), 0, nullptr, nullptr);
#endif
            if (received >= 0) {
                // A datagram longer than the buffer arrives cut to its first 1514 bytes.
                batch.emplace_back(buffer.data(), qsizetype(received));
                if (batch.size() >= kBatch) {
                    HandOver(*queue, batch, false, owner);
                }
                lastArrival = Clock::now();
                continue;
            }
#ifndef Q_OS_WIN
            if (errno == EINTR) {
                continue;
            }
#endif
            if (!WouldBlock()) {
                failed = true;
                break;
            }
            HandOver(*queue, batch, false, owner);
            if (Clock::now() - lastArrival > kKeepReading && !Watching(*queue)) {
                break;
            }
            std::this_thread::yield();
        }
        HandOver(*queue, batch, failed, owner);
        if (failed) {
            // A socket in error may stay readable: report it, but do not spin on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}

} // namespace

UdpTransport::UdpTransport(QObject* parent) : Transport(parent) {}

UdpTransport::~UdpTransport() {
    CloseAll();
}

void UdpTransport::CloseAll() {
    if (receiver_.joinable()) {
        queue_->stop.store(true);
#ifndef Q_OS_WIN
        [[maybe_unused]] const auto written = ::write(queue_->wake[1], "x", 1);
#endif
        receiver_.join();
    }
#ifndef Q_OS_WIN
    if (queue_) {
        for (int& fd : queue_->wake) {
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
            }
        }
    }
#endif
    queue_.reset();
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

    queue_ = std::make_shared<ReceiveQueue>();
#ifndef Q_OS_WIN
    if (::pipe2(queue_->wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        queue_->wake[0] = queue_->wake[1] = -1;
    }
#endif
    receiver_ = std::thread(ReceiveLoop, listenSocket_, queue_, this);
    return SetupStatus::Ok;
}

void UdpTransport::Deliver() {
    if (!queue_) {
        return;
    }
    std::vector<QByteArray> datagrams;
    int failures = 0;
    {
        std::lock_guard lock(queue_->mutex);
        datagrams.swap(queue_->datagrams);
        failures = std::exchange(queue_->failures, 0);
        queue_->deliveryPosted = false;
    }
    for (int i = 0; i < failures; ++i) {
        Q_EMIT ReceiveFailed();
    }
    for (const QByteArray& datagram : datagrams) {
        Q_EMIT DatagramReceived(datagram);
    }
}

void UdpTransport::SendBroadcast(const QByteArray& text) {
    if (scanSocket_ == kNoSocket) {
        return;
    }
    if (queue_) {
        // Have the receiver awake before the answers come; a wake-up can take longer than 500
        // bridges take to answer. The wait is bounded and normally well under a millisecond.
        const qint64 now = SteadyNow();
        queue_->watchUntil.store(now + kWatchAfterBroadcastMs * 1000000);
        if (!queue_->watching.load()) {
#ifndef Q_OS_WIN
            [[maybe_unused]] const auto written = ::write(queue_->wake[1], "w", 1);
#endif
            while (!queue_->watching.load() && SteadyNow() - now < 20 * 1000000) {
                std::this_thread::yield();
            }
        }
    }
    SendTo(scanSocket_, text);
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
