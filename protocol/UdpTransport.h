#pragma once

// The real network: a broadcast socket for discovery requests, a listening socket bound
// exclusively to port 65432, and a fresh socket for each configuration or status request.

#include "protocol/Transport.h"

#include <memory>
#include <thread>

namespace vantoro {

class UdpTransport : public Transport {
    Q_OBJECT
public:
    // Enough for 500 bridges answering three discovery requests at once.
    static constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;
    // Received datagrams waiting for the event loop. Past this, new ones are dropped, as a full
    // socket buffer would drop them.
    static constexpr int kMaxQueuedDatagrams = 16384;
    // How long after a discovery request the receiver reads without sleeping.
    static constexpr qint64 kWatchAfterBroadcastMs = 200;

    explicit UdpTransport(QObject* parent = nullptr);
    ~UdpTransport() override;

    SetupStatus Open() override;
    void SendBroadcast(const QByteArray& text) override;
    void SendRequest(const QByteArray& text) override;

    // Receive buffer size the kernel granted to the listening socket (0 before Open).
    int receiveBufferBytes() const { return grantedReceiveBuffer_; }
    // Tests and benchmarks: ask for a smaller receive buffer before Open().
    void setRequestedReceiveBuffer(int bytes) { requestedReceiveBuffer_ = bytes; }

    // Hands the received datagrams to the event loop's listeners; the receiver thread queues a
    // call whenever it has read something.
    void Deliver();

    struct ReceiveQueue; // shared with the receiver thread

private:
    void CloseAll();

    qintptr scanSocket_ = -1;
    qintptr listenSocket_ = -1;
    bool startedUp_ = false;
    int requestedReceiveBuffer_ = kReceiveBufferBytes;
    int grantedReceiveBuffer_ = 0;
    // A burst of replies arrives faster than the event loop handles them; a thread of its own
    // drains the socket as it fills and hands the datagrams to the event loop in order. Nothing
    // else runs off the UI thread.
    std::shared_ptr<ReceiveQueue> queue_;
    std::thread receiver_;
};

} // namespace vantoro
