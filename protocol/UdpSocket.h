#pragma once

// The few socket calls the transport makes, one file per system: POSIX sockets here, Winsock on
// Windows. Everything is IPv4 UDP.

#include "protocol/NetInterfaces.h"

#include <QByteArray>
#include <QtGlobal>
#include <vector>

namespace vantoro::udp {

using Handle = qintptr;
inline constexpr Handle kNoSocket = -1;

// Winsock's start-up and clean-up; nothing elsewhere.
bool StartUp();
void CleanUp();

Handle Open();
void Close(Handle socket);
bool SetIntOption(Handle socket, int level, int option, int value);
int GetIntOption(Handle socket, int level, int option);
bool EnableBroadcast(Handle socket);
// Sets the receive buffer and returns what the system granted.
int SetReceiveBuffer(Handle socket, int bytes);
// Binds to port on every address, exclusively: a second program must fail to bind it too.
bool BindExclusive(Handle socket, quint16 port);
// Non-blocking, and reporting the interface each datagram arrives on.
bool PrepareForReceiving(Handle socket);

// Sends text to 255.255.255.255:port. With an interface it leaves through that interface from
// its address, whatever the routing table says; without one the routing table picks (the
// default route's interface). Errors are not reported: the protocol has no acknowledgement.
void SendBroadcast(Handle socket, const QByteArray& text, quint16 port,
                   const ScanInterface* via = nullptr);

struct Received {
    QByteArray bytes;       // cut to the buffer size when longer
    int interfaceIndex = 0; // 0 when the system did not say
};

enum class ReadResult { Read, Empty, Failed };

// Reads whatever is queued, up to max datagrams, without waiting: Read when out got at least
// one, Empty when nothing was queued, Failed on a receive error.
ReadResult ReadQueued(Handle socket, std::vector<Received>& out, size_t max);

// Ends a receiver's wait from another thread.
class Waker {
public:
    Waker();
    ~Waker();
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;
    void Wake();

private:
    friend bool WaitReadable(Handle socket, Waker& waker);
    int fds_[2] = {-1, -1};
};

// Sleeps until socket has something to read (true) or the waker was woken (false). A failed wait
// also returns false, after a short pause so that a broken wait does not spin.
bool WaitReadable(Handle socket, Waker& waker);

} // namespace vantoro::udp
