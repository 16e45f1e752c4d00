// The socket calls that read the same on every system.

#include "protocol/UdpSocket.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace vantoro::udp {

bool EnableBroadcast(Handle socket) {
    return SetIntOption(socket, SOL_SOCKET, SO_BROADCAST, 1);
}

int SetReceiveBuffer(Handle socket, int bytes) {
    SetIntOption(socket, SOL_SOCKET, SO_RCVBUF, bytes);
    return GetIntOption(socket, SOL_SOCKET, SO_RCVBUF);
}

} // namespace vantoro::udp
