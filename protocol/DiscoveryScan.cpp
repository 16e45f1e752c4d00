#include "protocol/DiscoveryScan.h"

#include <algorithm>
#include <array>

namespace vantoro {

DiscoveryScan::DiscoveryScan(Transport& transport, QObject* parent)
    : QObject(parent), transport_(transport), table_(std::make_unique<BridgeTable>()) {
    scanTimer_.setInterval(kTickMs);
    connect(&scanTimer_, &QTimer::timeout, this, &DiscoveryScan::OnScanTick);
}

SetupStatus DiscoveryScan::SetUp() {
    const SetupStatus status = transport_.Open();
    if (status == SetupStatus::Ok) {
        connect(&transport_, &Transport::DatagramReceived, this, &DiscoveryScan::OnDatagram,
                Qt::UniqueConnection);
        connect(&transport_, &Transport::ReceiveFailed, this, &DiscoveryScan::ReceiveFailed,
                Qt::UniqueConnection);
    }
    return status;
}

void DiscoveryScan::Begin() {
    scanIdle_ = true;
    StartScan();
}

void DiscoveryScan::StartScan() {
    if (!scanIdle_) {
        return;
    }
    // The records stay; the next replies overwrite them from index 0 upward.
    rowCount_ = 0;
    unlisted_.clear();
    Q_EMIT ScanStarted();
    transport_.RefreshInterfaces();
    transport_.SendBroadcast(BuildDiscoveryRequest());
    scanTimer_.start();
    scanIdle_ = false;
}

void DiscoveryScan::OnScanTick() {
    progress_ = std::min(progress_ + kProgressStep, kProgressMax);
    if (scanTicks_ == kLastTick) {
        scanTicks_ = 0;
        progress_ = 0;
        scanTimer_.stop();
        scanIdle_ = true;
        Q_EMIT ProgressChanged(progress_);
        Q_EMIT ScanFinished();
        return;
    }
    Q_EMIT ProgressChanged(progress_);
    if (scanTicks_ == 0 || scanTicks_ == 1) {
        transport_.SendBroadcast(BuildDiscoveryRequest());
    }
    ++scanTicks_;
}

void DiscoveryScan::OnDatagram(const QByteArray& datagram, const InterfaceId& via) {
    const ReplyResult result = ParseReply(*table_, rowCount_, DatagramText(datagram), rowText_);
    if (result.kind != ReplyKind::Ignored) {
        // Requests for this bridge go where its latest reply came from.
        table_->records[size_t(result.index)].arrivedOn = via;
    }
    switch (result.kind) {
    case ReplyKind::New:
        ++rowCount_;
        Q_EMIT RowAdded(result.index, rowText_);
        break;
    case ReplyKind::Updated:
        replyArrived_ = true;
        Q_EMIT RowUpdated(result.index, rowText_);
        break;
    case ReplyKind::Ignored:
        if (rowCount_ == kBridgeTableSize && unlisted_.size() < kMaxUnlistedCounted) {
            std::array<FieldSlot, kMaxReplyFields> fields{};
            SplitFields(DatagramText(datagram), kMaxReplyFields, fields.data());
            if (SlotView(fields[2]) == kReplyMarker) {
                const std::string_view id = SlotView(fields[3]);
                unlisted_.insert(QByteArray(id.data(), qsizetype(id.size())));
            }
        }
        break;
    }
}

} // namespace vantoro
