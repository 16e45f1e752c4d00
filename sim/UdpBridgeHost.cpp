#include "sim/UdpBridgeHost.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QVariant>
#include <algorithm>
#include <utility>

namespace vantoro::sim {
namespace {

constexpr int kSocketBufferBytes = 4 * 1024 * 1024;
constexpr qint64 kMaxRequestBytes = 65536;
// A full send queue is waited out briefly, then the datagram is given up.
constexpr int kSendRetries = 50;
constexpr int kSendRetryWaitMs = 10;

QSet<quint32> OwnIPv4Addresses() {
    QSet<quint32> addresses;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            addresses.insert(address.toIPv4Address());
        }
    }
    return addresses;
}

} // namespace

UdpBridgeHost::UdpBridgeHost(SimEngine& engine, const SimClock& clock, UdpBridgeHostConfig config,
                             Reporter report, QObject* parent)
    : QObject(parent), engine_(engine), clock_(clock), config_(std::move(config)),
      report_(std::move(report)),
      ignored_(config_.ignoredSenders ? *config_.ignoredSenders : OwnIPv4Addresses()) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &UdpBridgeHost::SendDue);
    connect(&socket_, &QUdpSocket::readyRead, this, &UdpBridgeHost::ReadAll);
}

bool UdpBridgeHost::Open(QString& error) {
    // No address sharing: a second simulator or the program itself must not bind beside us.
    // Broadcasting needs no option; Qt allows it on every UDP socket.
    if (!socket_.bind(config_.listenAddress, config_.listenPort, QUdpSocket::DontShareAddress)) {
        error = QStringLiteral("bind %1:%2: %3")
                    .arg(config_.listenAddress.toString())
                    .arg(config_.listenPort)
                    .arg(socket_.errorString());
        return false;
    }
    // Large buffers: a burst of hundreds of replies leaves in one go.
    socket_.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSocketBufferBytes);
    socket_.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kSocketBufferBytes);
    return true;
}

QString UdpBridgeHost::Summary() const {
    return QStringLiteral("%1 requests received, %2 datagrams sent, %3 could not be sent")
        .arg(requests_)
        .arg(sent_)
        .arg(failed_);
}

void UdpBridgeHost::ReadAll() {
    // Everything waiting is read before anything is sent, as a burst of requests arrives at once.
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_.receiveDatagram(kMaxRequestBytes);
        if (!datagram.isValid()) {
            if (report_) {
                report_(QStringLiteral("receive failed: %1").arg(socket_.errorString()));
            }
            break;
        }
        if (ignored_.contains(datagram.senderAddress().toIPv4Address())) {
            continue;
        }
        ++requests_;
        const qint64 now = clock_.nowMs();
        for (OutgoingDatagram& d : engine_.HandleDatagram(datagram.data(), now)) {
            queue_.emplace(d.sendAtMs, std::move(d.bytes));
        }
    }
    SendDue();
}

void UdpBridgeHost::SendDue() {
    const qint64 now = clock_.nowMs();
    while (!queue_.empty() && queue_.begin()->first <= now) {
        if (Send(queue_.begin()->second) == SendResult::TryAgain) {
            // The datagram stays first, so the replies keep their order.
            timer_.start(kSendRetryWaitMs);
            return;
        }
        queue_.erase(queue_.begin());
    }
    if (!queue_.empty()) {
        timer_.start(int(std::max<qint64>(0, queue_.begin()->first - now)));
    }
}

UdpBridgeHost::SendResult UdpBridgeHost::Send(const QByteArray& bytes) {
    if (socket_.writeDatagram(bytes, config_.replyAddress, config_.replyPort) == bytes.size()) {
        ++sent_;
        retries_ = 0;
        return SendResult::Sent;
    }
    if (socket_.error() == QAbstractSocket::TemporaryError && retries_ < kSendRetries) {
        ++retries_;
        return SendResult::TryAgain;
    }
    retries_ = 0;
    if (failed_++ == 0 && report_) {
        report_(QStringLiteral("send failed: %1").arg(socket_.errorString()));
    }
    return SendResult::Failed;
}

} // namespace vantoro::sim
