#pragma once

// The real network: a broadcast socket for discovery requests, a listening socket bound
// exclusively to port 65432, and a fresh socket for each configuration or status request.
// Discovery goes out on every interface that can broadcast; requests go out on the interface the
// bridge answered on.

#include "protocol/Transport.h"

#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace vantoro {

class UdpTransport : public Transport {
    Q_OBJECT
public:
    // Asked for; the kernel caps it (212 992 bytes on a stock Linux for unprivileged programs),
    // and the receiver is built to keep up with a 500-bridge burst at that cap.
    static constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;
    // Received datagrams waiting for the event loop. Past this, new ones are dropped, as a full
    // socket buffer would drop them.
    static constexpr int kMaxQueuedDatagrams = 16384;
    // After a discovery request the receiver reads without sleeping for the first answers'
    // window, then while answers come less than the gap apart, and never past the cap.
    static constexpr qint64 kAwakeFirstMs = 8;
    static constexpr qint64 kAwakeGapUs = 500;
    static constexpr qint64 kAwakeCapMs = 40;

    using InterfaceSource = std::function<std::vector<NetInterface>()>;

    explicit UdpTransport(QObject* parent = nullptr);
    ~UdpTransport() override;

    SetupStatus Open() override;
    void RefreshInterfaces() override;
    int scanInterfaceCount() const override { return int(scanInterfaces_.size()); }
    void SendBroadcast(const QByteArray& text) override;
    void SendRequest(const QByteArray& text, const InterfaceId& via) override;

    // Limits discovery, requests and the datagrams taken in to the interfaces of these names
    // (system names or labels); empty, the default, means every interface.
    void setInterfaceNames(const QStringList& names);
    const QStringList& interfaceNames() const { return interfaceNames_; }
    // Where the interface list comes from (the system's, unless a test says otherwise).
    void setInterfaceSource(InterfaceSource source) { interfaceSource_ = std::move(source); }
    // The interfaces of the last refresh that discovery goes out on.
    const std::vector<ScanInterface>& scanInterfaces() const { return scanInterfaces_; }

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
    // The interface of an arrival: its name from the last list, read again for a new index.
    InterfaceId Identify(int index);
    bool Admits(const InterfaceId& via) const;

    qintptr scanSocket_ = -1;
    qintptr listenSocket_ = -1;
    bool startedUp_ = false;
    int requestedReceiveBuffer_ = kReceiveBufferBytes;
    int grantedReceiveBuffer_ = 0;
    InterfaceSource interfaceSource_;
    QStringList interfaceNames_;
    std::vector<NetInterface> interfaces_;      // the whole list, as last read
    std::vector<ScanInterface> scanInterfaces_; // the ones discovery goes out on
    // A burst of replies arrives faster than the event loop handles them; a thread of its own
    // sleeps until the socket is readable, drains it and hands the datagrams to the event loop
    // in order. Nothing else runs off the UI thread.
    std::shared_ptr<ReceiveQueue> queue_;
    std::thread receiver_;
};

} // namespace vantoro
