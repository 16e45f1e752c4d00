#include "protocol/UdpTransport.h"

#include "protocol/ManagementMessage.h"
#include "protocol/UdpSocket.h"

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace vantoro {

struct UdpTransport::ReceiveQueue {
    std::mutex mutex;
    std::vector<udp::Received> datagrams;
    int failures = 0; // receive errors since the last delivery
    bool deliveryPosted = false;
    std::atomic<bool> stop{false};
    // Steady-clock time (ns) of the last discovery request; the receiver stays awake a moment
    // after it (see ReceiveLoop).
    std::atomic<qint64> broadcastAt{0};
    udp::Waker waker;
};

namespace {

using Clock = std::chrono::steady_clock;
// Datagrams read per system call, and how many may wait in the thread during a burst.
constexpr size_t kReadAtOnce = 32;
constexpr size_t kHandOverAt = 1024;

qint64 Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// Hands what the receiver read to the UI thread: one queued call per batch, none while one is
// already on its way.
void HandOver(UdpTransport::ReceiveQueue& queue, std::vector<udp::Received>& batch, bool failed,
              UdpTransport* owner) {
    if (batch.empty() && !failed) {
        return;
    }
    bool post = false;
    {
        std::lock_guard lock(queue.mutex);
        for (udp::Received& datagram : batch) {
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

// Whether the receiver keeps reading without sleeping. Only right after a discovery request of
// ours: every bridge answers it at once, and a sleeping thread can wake too late for a burst
// that fills the socket buffer within a millisecond. Awake for the first answers' window, then
// for as long as answers follow each other closely, never past the cap. Anything else (an idle
// LAN, another PC scanning every few milliseconds) is read by a thread that sleeps until a
// datagram is there.
bool StayAwake(const UdpTransport::ReceiveQueue& queue, qint64 now, qint64 lastArrival) {
    const qint64 since = now - queue.broadcastAt.load();
    if (since < 0 || since > UdpTransport::kAwakeCapMs * 1000000) {
        return false;
    }
    return since < UdpTransport::kAwakeFirstMs * 1000000 ||
           now - lastArrival < UdpTransport::kAwakeGapUs * 1000;
}

// std::thread hands the function its own copy of the arguments, kept until the function returns:
// the queue lives as long as the thread.
void ReceiveLoop(udp::Handle socket, const std::shared_ptr<UdpTransport::ReceiveQueue>& queue,
                 UdpTransport* owner) {
    std::vector<udp::Received> batch;
    qint64 lastArrival = 0;
    bool awake = false;
    while (!queue->stop.load()) {
        if (!awake && !udp::WaitReadable(socket, queue->waker)) {
            awake = StayAwake(*queue, Now(), lastArrival);
            continue;
        }
        const auto fresh = qsizetype(batch.size());
        const udp::ReadResult result = udp::ReadQueued(socket, batch, kReadAtOnce);
        const qint64 now = Now();
        if (result == udp::ReadResult::Read) {
            lastArrival = now;
            // Requests (other PCs' and our own, looped back) never reach the event loop.
            batch.erase(std::remove_if(
                            batch.begin() + fresh, batch.end(),
                            [](const udp::Received& r) { return !IsReply(DatagramText(r.bytes)); }),
                        batch.end());
            if (batch.size() >= kHandOverAt) {
                HandOver(*queue, batch, false, owner);
            }
            awake = true; // read on until the socket is empty
            continue;
        }
        const bool failed = result == udp::ReadResult::Failed;
        // No yield while awake: giving the processor away is exactly the delay being avoided.
        awake = !failed && StayAwake(*queue, now, lastArrival);
        if (!awake) {
            // Held while a burst lasts, so that the event loop does not compete with this
            // thread for the processor in the middle of it.
            HandOver(*queue, batch, failed, owner);
        }
        if (failed) {
            // A socket in error may stay readable: report it, but do not spin on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}

} // namespace

UdpTransport::UdpTransport(QObject* parent)
    : Transport(parent), interfaceSource_(&SystemInterfaces) {}

UdpTransport::~UdpTransport() {
    CloseAll();
}

void UdpTransport::CloseAll() {
    if (receiver_.joinable()) {
        queue_->stop.store(true);
        queue_->waker.Wake();
        receiver_.join();
    }
    queue_.reset();
    udp::Close(scanSocket_);
    udp::Close(listenSocket_);
    scanSocket_ = listenSocket_ = udp::kNoSocket;
    if (startedUp_) {
        udp::CleanUp();
    }
    startedUp_ = false;
}

SetupStatus UdpTransport::Open() {
    CloseAll();
    if (!udp::StartUp()) {
        return SetupStatus::StartUpFailed;
    }
    startedUp_ = true;

    scanSocket_ = udp::Open();
    if (scanSocket_ == udp::kNoSocket) {
        return SetupStatus::ScanSocketOpenFailed;
    }
    if (!udp::EnableBroadcast(scanSocket_)) {
        return SetupStatus::BroadcastOptionFailed;
    }

    listenSocket_ = udp::Open();
    if (listenSocket_ == udp::kNoSocket) {
        return SetupStatus::ListenSocketOpenFailed;
    }
    // A burst of replies must not overflow the socket while the event loop is busy. The kernel
    // may grant less (it caps unprivileged programs); the drain is built to keep up regardless.
    grantedReceiveBuffer_ = udp::SetReceiveBuffer(listenSocket_, requestedReceiveBuffer_);
    if (!udp::BindExclusive(listenSocket_, kManagementPort)) {
        return SetupStatus::BindFailed;
    }
    udp::PrepareForReceiving(listenSocket_);

    queue_ = std::make_shared<ReceiveQueue>();
    receiver_ = std::thread(ReceiveLoop, listenSocket_, queue_, this);
    return SetupStatus::Ok;
}

void UdpTransport::setInterfaceNames(const QStringList& names) {
    interfaceNames_ = names;
    RefreshInterfaces();
}

void UdpTransport::RefreshInterfaces() {
    interfaces_ = interfaceSource_ ? interfaceSource_() : std::vector<NetInterface>();
    scanInterfaces_ = SelectScanInterfaces(interfaces_, interfaceNames_);
}

InterfaceId UdpTransport::Identify(int index) {
    if (index <= 0) {
        return {};
    }
    const auto find = [this, index] {
        return std::find_if(interfaces_.begin(), interfaces_.end(),
                            [index](const NetInterface& entry) { return entry.index == index; });
    };
    auto entry = find();
    if (entry == interfaces_.end()) {
        // An interface that came up since the last scan started.
        interfaces_ = interfaceSource_ ? interfaceSource_() : std::vector<NetInterface>();
        entry = find();
    }
    if (entry == interfaces_.end()) {
        return {index, {}};
    }
    return {index, entry->label.isEmpty() ? entry->name : entry->label};
}

bool UdpTransport::Admits(const InterfaceId& via) const {
    if (interfaceNames_.isEmpty()) {
        return true;
    }
    return std::any_of(interfaces_.begin(), interfaces_.end(), [&](const NetInterface& entry) {
        return entry.index == via.index &&
               std::any_of(interfaceNames_.begin(), interfaceNames_.end(),
                           [&](const QString& name) { return HasName(entry, name); });
    });
}

void UdpTransport::Deliver() {
    if (!queue_) {
        return;
    }
    std::vector<udp::Received> datagrams;
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
    // A burst comes in on one or two interfaces: name each once per delivery, not per datagram.
    InterfaceId last;
    int lastIndex = -1;
    for (const udp::Received& datagram : datagrams) {
        if (datagram.interfaceIndex != lastIndex) {
            lastIndex = datagram.interfaceIndex;
            last = Identify(lastIndex);
        }
        if (Admits(last)) {
            Q_EMIT DatagramReceived(datagram.bytes, last);
        }
    }
}

void UdpTransport::SendBroadcast(const QByteArray& text) {
    if (scanSocket_ == udp::kNoSocket) {
        return;
    }
    if (queue_) {
        // Have the receiver up before the answers come.
        queue_->broadcastAt.store(Now());
        queue_->waker.Wake();
    }
    if (scanInterfaces_.empty()) {
        // No interface qualifies: the plain limited broadcast, unless the user limited the scan
        // to interfaces that are not there.
        if (interfaceNames_.isEmpty()) {
            udp::SendBroadcast(scanSocket_, text, kManagementPort);
        }
        return;
    }
    // A failed send on one interface does not keep the others from theirs.
    for (const ScanInterface& via : scanInterfaces_) {
        udp::SendBroadcast(scanSocket_, text, kManagementPort, &via);
    }
}

void UdpTransport::SendRequest(const QByteArray& text, const InterfaceId& via) {
    std::vector<ScanInterface> targets;
    if (via.known()) {
        const auto on = [&via](const ScanInterface& s) { return s.id.index == via.index; };
        auto found = std::find_if(scanInterfaces_.begin(), scanInterfaces_.end(), on);
        if (found == scanInterfaces_.end()) {
            // Not in the last scan's list (the list was limited, or it changed): read it again.
            RefreshInterfaces();
            const std::vector<ScanInterface> all = SelectScanInterfaces(interfaces_);
            const auto again = std::find_if(all.begin(), all.end(), on);
            if (again == all.end()) {
                return; // the interface is gone, and with it the way to the bridge
            }
            targets.push_back(*again);
        } else {
            targets.push_back(*found);
        }
    } else {
        targets = scanInterfaces_;
    }
    const udp::Handle socket = udp::Open();
    if (socket == udp::kNoSocket) {
        return;
    }
    if (udp::EnableBroadcast(socket)) {
        if (targets.empty() && interfaceNames_.isEmpty()) {
            udp::SendBroadcast(socket, text, kManagementPort);
        }
        for (const ScanInterface& target : targets) {
            udp::SendBroadcast(socket, text, kManagementPort, &target);
        }
    }
    udp::Close(socket);
}

} // namespace vantoro
