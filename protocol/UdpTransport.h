#pragma once

// The real network: a broadcast socket for discovery requests, a listening socket bound
// exclusively to port 65432, and a fresh socket for each configuration or status request.

#include "protocol/Transport.h"

#include <QSocketNotifier>
#include <memory>

namespace vantoro {

class UdpTransport : public Transport {
    Q_OBJECT
public:
    // Enough for 500 bridges answering three discovery requests at once.
    static constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;
    // Datagrams read per readiness notification before the event loop gets a turn.
    static constexpr int kMaxDrainPerNotification = 4096;

    explicit UdpTransport(QObject* parent = nullptr);
    ~UdpTransport() override;

    SetupStatus Open() override;
    void SendBroadcast(const QByteArray& text) override;
    void SendRequest(const QByteArray& text) override;

    // Receive buffer size the kernel granted to the listening socket (0 before Open).
    int receiveBufferBytes() const { return grantedReceiveBuffer_; }
    // Tests and benchmarks: ask for a smaller receive buffer before Open().
    void setRequestedReceiveBuffer(int bytes) { requestedReceiveBuffer_ = bytes; }

    // Reads every datagram pending on the listening socket.
    void Drain();

private:
    void CloseAll();

    qintptr scanSocket_ = -1;
    qintptr listenSocket_ = -1;
    bool startedUp_ = false;
    int requestedReceiveBuffer_ = kReceiveBufferBytes;
    int grantedReceiveBuffer_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace vantoro
