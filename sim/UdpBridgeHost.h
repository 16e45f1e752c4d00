#pragma once

// The simulated bridges on a real UDP socket: every datagram heard goes to the engine, and what
// the bridges answer leaves at the time the engine gives it, as a broadcast like a real bridge's.

#include "protocol/ManagementMessage.h"
#include "sim/SimEngine.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QUdpSocket>
#include <functional>
#include <map>
#include <optional>

namespace vantoro::sim {

struct UdpBridgeHostConfig {
    QHostAddress listenAddress{QHostAddress::AnyIPv4};
    quint16 listenPort = kManagementPort;
    QHostAddress replyAddress{QHostAddress::Broadcast};
    quint16 replyPort = kManagementPort;
    // Datagrams from these IPv4 addresses are not requests. By default this machine's own: our
    // broadcasts come back to us, and junk sent in malformed mode must not read as a request.
    std::optional<QSet<quint32>> ignoredSenders;
};

class UdpBridgeHost : public QObject {
public:
    using Reporter = std::function<void(const QString& message)>;

    // engine and clock must outlive the host; report hears about receive and send failures.
    UdpBridgeHost(SimEngine& engine, const SimClock& clock, UdpBridgeHostConfig config = {},
                  Reporter report = {}, QObject* parent = nullptr);

    // Binds the listening port for this program alone; on failure, error says why.
    bool Open(QString& error);
    quint16 localPort() const { return socket_.localPort(); }

    // Sends every reply whose time has come and sets the timer for the next one. The timer
    // calls it; so may anyone who moved the clock.
    void SendDue();

    qint64 requestsReceived() const { return requests_; }
    qint64 datagramsSent() const { return sent_; }
    qint64 sendFailures() const { return failed_; }
    qsizetype pendingReplies() const { return qsizetype(queue_.size()); }
    QString Summary() const;

private:
    void ReadAll();
    enum class SendResult { Sent, TryAgain, Failed };
    SendResult Send(const QByteArray& bytes);

    SimEngine& engine_;
    const SimClock& clock_;
    UdpBridgeHostConfig config_;
    Reporter report_;
    QSet<quint32> ignored_;
    QUdpSocket socket_;
    QTimer timer_;
    std::multimap<qint64, QByteArray> queue_; // equal times keep the order they were made in
    int retries_ = 0;                         // of the datagram at the front of the queue
    qint64 requests_ = 0;
    qint64 sent_ = 0;
    qint64 failed_ = 0;
};

} // namespace vantoro::sim
