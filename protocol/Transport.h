#pragma once

// The one seam between the program and the network: a real UDP pair of sockets, the in-process
// simulated LAN, or a test fake.

#include "protocol/NetInterfaces.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace vantoro {

// Outcome of the socket set-up, step by step in the order it is made.
enum class SetupStatus {
    Ok,
    StartUpFailed,          // "Socket StartUp Error"
    ScanSocketOpenFailed,   // "Socket Open Error"
    BroadcastOptionFailed,  // "setsockopt: SOCKET_ERROR!\n"
    ListenSocketOpenFailed, // "Socket Open Error"
    BindFailed,             // port 65432 taken: the program ends silently
};

// The message a front end shows for a set-up failure; empty for Ok and BindFailed.
QString SetupErrorText(SetupStatus status);

class Transport : public QObject {
    Q_OBJECT
public:
    explicit Transport(QObject* parent = nullptr);
    ~Transport() override = default;

    // Makes the sockets: the broadcast socket, then the listening socket on port 65432.
    virtual SetupStatus Open() = 0;
    // Reads the PC's interfaces afresh; a scan calls it before its first discovery request, so
    // a cable plugged in between two scans counts.
    virtual void RefreshInterfaces() {}
    // How many interfaces a discovery request goes out on; 0 when it is the plain broadcast.
    virtual int scanInterfaceCount() const { return 0; }
    // One discovery datagram to 255.255.255.255:65432, once on every interface. Errors are
    // ignored.
    virtual void SendBroadcast(const QByteArray& text) = 0;
    // One configuration or status datagram from a fresh socket to 255.255.255.255:65432, on the
    // interface the bridge last answered on (via), so that a bridge reachable over two links
    // gets it once.
    virtual void SendRequest(const QByteArray& text, const InterfaceId& via) = 0;

Q_SIGNALS:
    // A datagram arrived on the listening port (at most 1514 bytes), through interface via.
    void DatagramReceived(const QByteArray& datagram, const vantoro::InterfaceId& via);
    // Receiving failed; the front end shows "Socket read error".
    void ReceiveFailed();
};

} // namespace vantoro
