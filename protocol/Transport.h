#pragma once

// The one seam between the program and the network: a real UDP pair of sockets, the in-process
// simulated LAN, or a test fake.

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
    using QObject::QObject;
    ~Transport() override = default;

    // Makes the sockets: the broadcast socket, then the listening socket on port 65432.
    virtual SetupStatus Open() = 0;
    // One discovery datagram on the broadcast socket to 255.255.255.255:65432. Errors are ignored.
    virtual void SendBroadcast(const QByteArray& text) = 0;
    // One configuration or status datagram from a fresh socket to 255.255.255.255:65432.
    virtual void SendRequest(const QByteArray& text) = 0;

Q_SIGNALS:
    // A datagram arrived on the listening port (at most 1514 bytes).
    void DatagramReceived(const QByteArray& datagram);
    // Receiving failed; the front end shows "Socket read error".
    void ReceiveFailed();
};

} // namespace vantoro
