#include "sim/SimulatedLan.h"

#include <QDebug>
#include <algorithm>
#include <limits>

namespace vantoro::sim {

namespace {
// A receiving slot that answers every datagram with another one would otherwise never let
// Advance() return.
constexpr int kMaxDeliveriesPerAdvance = 4'000'000;
} // namespace

SimulatedLan::SimulatedLan(std::vector<SimBridgeState> fleet, SimOptions options, ClockMode mode,
                           QObject* parent)
    : Transport(parent), engine_(std::move(fleet), options), mode_(mode) {
    elapsed_.start();
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &SimulatedLan::DeliverDue);
    engine_.setLogSink([this](const QByteArray& line) {
        requestLog_.append(QString::fromUtf8(line));
        if (extraLogSink_) {
            extraLogSink_(line);
        }
    });
}

SetupStatus SimulatedLan::Open() {
    broken_ = setupStatus_ != SetupStatus::Ok;
    return setupStatus_;
}

void SimulatedLan::SendBroadcast(const QByteArray& text) {
    Send(text);
}

void SimulatedLan::SendRequest(const QByteArray& text, const InterfaceId& /*via*/) {
    Send(text);
}

void SimulatedLan::Send(const QByteArray& text) {
    if (broken_) {
        return;
    }
    const qint64 now = Now();
    Enqueue(now, {text, false});
    for (OutgoingDatagram& reply : engine_.HandleDatagram(text, now)) {
        Enqueue(std::max(now, reply.sendAtMs), {std::move(reply.bytes), false});
    }
}

void SimulatedLan::InjectDatagram(const QByteArray& datagram, qint64 delayMs) {
    Enqueue(Now() + std::max<qint64>(0, delayMs), {datagram, false});
}

void SimulatedLan::InjectReceiveFailure(qint64 delayMs) {
    Enqueue(Now() + std::max<qint64>(0, delayMs), {QByteArray(), true});
}

qint64 SimulatedLan::Now() const {
    return mode_ == ClockMode::Manual ? manualNow_ : elapsed_.elapsed();
}

qint64 SimulatedLan::NextDeliveryTime() const {
    return queue_.empty() ? -1 : queue_.begin()->first.first;
}

void SimulatedLan::Enqueue(qint64 at, Delivery delivery) {
    queue_.emplace(std::make_pair(at, nextSequence_++), std::move(delivery));
    Reschedule();
}

void SimulatedLan::Advance(qint64 ms) {
    if (mode_ != ClockMode::Manual) {
        DeliverDue();
        return;
    }
    const qint64 target = manualNow_ + std::max<qint64>(0, ms);
    DeliverUntil(target, std::numeric_limits<quint64>::max());
    manualNow_ = target;
}

void SimulatedLan::DeliverDue() {
    // Only what was queued before this call: datagrams sent from the slots wait for the next
    // turn of the event loop, so a chatty slot cannot starve it.
    DeliverUntil(Now(), nextSequence_);
    Reschedule();
}

void SimulatedLan::DeliverUntil(qint64 limit, quint64 lastSequence) {
    int delivered = 0;
    while (!queue_.empty()) {
        auto first = queue_.begin();
        if (first->first.first > limit) {
            break;
        }
        if (first->first.second >= lastSequence) {
            break; // sent during this call: later-sent datagrams sort after every older one due
        }
        if (++delivered > kMaxDeliveriesPerAdvance) {
            qWarning("SimulatedLan: delivery loop cut short; a receiver keeps sending");
            break;
        }
        if (mode_ == ClockMode::Manual) {
            manualNow_ = std::max(manualNow_, first->first.first);
        }
        Delivery delivery = std::move(first->second);
        queue_.erase(first);
        if (delivery.failure) {
            Q_EMIT ReceiveFailed();
        } else {
            // The program reads one Ethernet frame's worth.
            Q_EMIT DatagramReceived(delivery.datagram.left(kMaxDatagramBytes), InterfaceId{});
        }
    }
}

void SimulatedLan::Reschedule() {
    if (mode_ != ClockMode::RealTime) {
        return;
    }
    if (queue_.empty()) {
        timer_.stop();
        return;
    }
    const qint64 wait = std::max<qint64>(0, queue_.begin()->first.first - Now());
    timer_.start(int(std::min<qint64>(wait, std::numeric_limits<int>::max())));
}

} // namespace vantoro::sim
