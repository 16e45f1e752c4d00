#pragma once

// The discovery scan and the receive path: three discovery requests half a second apart, a
// progress bar over 3.5 seconds, and every reply taken into the bridge table.

#include "protocol/Bridge.h"
#include "protocol/Transport.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <memory>

namespace vantoro {

class DiscoveryScan : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 500;
    static constexpr int kProgressMax = 600;
    static constexpr int kProgressStep = 100;
    static constexpr int kLastTick = 6;

    explicit DiscoveryScan(Transport& transport, QObject* parent = nullptr);

    // Socket set-up. After success the receive path is live; scanning starts with Begin().
    SetupStatus SetUp();
    // Marks the engine idle and runs the first scan.
    void Begin();

    // Does nothing while a scan runs; otherwise clears the rows, sends a discovery request and
    // starts the 500 ms tick.
    void StartScan();
    // One tick of the scan timer (called by the timer, or by tests directly).
    void OnScanTick();
    // One received datagram, and the interface it came in on.
    void OnDatagram(const QByteArray& datagram, const InterfaceId& via);

    const BridgeTable& table() const { return *table_; }
    BridgeTable& table() { return *table_; }
    int rowCount() const { return rowCount_; }
    bool scanIdle() const { return scanIdle_; }
    int progress() const { return progress_; }
    int scanTicks() const { return scanTicks_; }
    bool replyArrived() const { return replyArrived_; }
    // How many bridges answered this scan but found the table full (500 rows), counted once
    // each by identifier; at most kMaxUnlistedCounted.
    int unlistedBridges() const { return int(unlisted_.size()); }
    static constexpr int kMaxUnlistedCounted = 65536;
    void setReplyArrived(bool value) { replyArrived_ = value; }
    const RowText& rowText() const { return rowText_; }
    Transport& transport() { return transport_; }
    QTimer& scanTimer() { return scanTimer_; }

Q_SIGNALS:
    void ScanStarted();
    void RowAdded(int index, const vantoro::RowText& row);
    void RowUpdated(int index, const vantoro::RowText& row);
    void ProgressChanged(int value);
    void ScanFinished();
    void ReceiveFailed();

private:
    Transport& transport_;
    std::unique_ptr<BridgeTable> table_; // 800 KiB: kept off the stack
    RowText rowText_;
    int rowCount_ = 0;
    bool scanIdle_ =
        false; // stays false until set-up succeeds, so Scan does nothing after a failure
    int scanTicks_ = 0;
    int progress_ = 0;
    bool replyArrived_ = false;
    QSet<QByteArray> unlisted_;
    QTimer scanTimer_;
};

} // namespace vantoro
