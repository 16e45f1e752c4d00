// The bridge host over loopback unicast: requests come from the test's own sockets and the
// replies go to one of them, never to a broadcast address. Time is a manual clock.

#include "sim/UdpBridgeHost.h"

#include "tests/sim/SimTestUtil.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace vantoro::sim {
namespace {

using namespace vantoro::sim::testing;

constexpr int kWaitMs = 5000;

class UdpBridgeHostTest : public ::testing::Test {
protected:
    // A fresh host on 127.0.0.1 answering to receiver_.
    void Start(SimOptions options) {
        host_.reset();
        senders_.clear();
        log_.clear();
        reports_.clear();
        receiver_.close();
        ASSERT_TRUE(receiver_.bind(QHostAddress::LocalHost, 0));
        engine_ = std::make_unique<SimEngine>(DemoFleet(), options);
        engine_->setLogSink([this](const QByteArray& line) {
            log_.append(QJsonDocument::fromJson(line).object());
        });
        UdpBridgeHostConfig config;
        config.listenAddress = QHostAddress::LocalHost;
        config.listenPort = 0;
        config.replyAddress = QHostAddress::LocalHost;
        config.replyPort = receiver_.localPort();
        config.ignoredSenders = QSet<quint32>{};
        host_ = std::make_unique<UdpBridgeHost>(*engine_, clock_, config,
                                                [this](const QString& m) { reports_.append(m); });
        QString error;
        ASSERT_TRUE(host_->Open(error)) << error.toStdString();
    }

    void Request(const QByteArray& bytes) {
        auto socket = std::make_unique<QUdpSocket>();
        ASSERT_TRUE(socket->bind(QHostAddress::LocalHost, 0));
        ASSERT_EQ(socket->writeDatagram(bytes, QHostAddress::LocalHost, host_->localPort()),
                  bytes.size());
        senders_.push_back(std::move(socket));
    }

    bool WaitForRequests(qint64 count) {
        return QTest::qWaitFor([&] { return host_->requestsReceived() >= count; }, kWaitMs);
    }

    QList<QByteArray> Receive(qsizetype count) {
        QList<QByteArray> got;
        // The caller checks the count.
        static_cast<void>(QTest::qWaitFor(
            [&] {
                while (receiver_.hasPendingDatagrams()) {
                    got.append(receiver_.receiveDatagram().data());
                }
                return got.size() >= count;
            },
            kWaitMs));
        return got;
    }

    ManualClock clock_;
    QUdpSocket receiver_;
    std::unique_ptr<SimEngine> engine_;
    std::unique_ptr<UdpBridgeHost> host_;
    std::vector<std::unique_ptr<QUdpSocket>> senders_;
    QList<QJsonObject> log_;
    QStringList reports_;
};

TEST_F(UdpBridgeHostTest, EveryReplyLeavesOnceAtItsTimeInTheOrderMade) {
    struct Case {
        const char* name;
        SimOptions options;
    };
    const Case cases[] = {
        {"at once", {}},
        {"delayed", {.replyDelayMs = 250}},
        {"jitter and duplicates", {.replyDelayMs = 50, .jitterMs = 400, .duplicateCount = 2}},
        {"malformed", {.replyDelayMs = 10, .malformed = true, .seed = 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        constexpr qint64 kHeardAt = 1000;
        std::vector<OutgoingDatagram> expected =
            SimEngine(DemoFleet(), c.options).HandleDatagram(kDiscovery, kHeardAt);
        std::stable_sort(expected.begin(), expected.end(),
                         [](const auto& a, const auto& b) { return a.sendAtMs < b.sendAtMs; });
        ASSERT_FALSE(expected.empty());

        clock_.setNowMs(kHeardAt);
        Start(c.options);
        Request(kDiscovery);
        ASSERT_TRUE(WaitForRequests(1));
        ASSERT_EQ(log_.size(), 1);
        EXPECT_EQ(log_[0].value(QStringLiteral("time")).toInteger(), kHeardAt);

        std::set<qint64> times;
        for (const OutgoingDatagram& d : expected) {
            times.insert(d.sendAtMs);
        }
        const auto dueBy = [&](qint64 t) {
            return qint64(std::count_if(expected.begin(), expected.end(),
                                        [t](const auto& d) { return d.sendAtMs <= t; }));
        };
        for (const qint64 t : times) {
            if (t > kHeardAt) {
                clock_.setNowMs(t - 1);
                host_->SendDue();
                EXPECT_EQ(host_->datagramsSent(), dueBy(t - 1)) << "early at " << t - 1;
            }
            clock_.setNowMs(t);
            host_->SendDue();
            EXPECT_EQ(host_->datagramsSent(), dueBy(t)) << "late at " << t;
        }
        EXPECT_EQ(host_->pendingReplies(), 0);

        const QList<QByteArray> got = Receive(qsizetype(expected.size()));
        ASSERT_EQ(got.size(), qsizetype(expected.size()));
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(got[qsizetype(i)], expected[i].bytes) << "datagram " << i;
        }
        EXPECT_EQ(host_->Summary(),
                  QStringLiteral("1 requests received, %1 datagrams sent, 0 could not be sent")
                      .arg(expected.size()));
        EXPECT_TRUE(reports_.isEmpty()) << reports_.join(u'\n').toStdString();
    }
}

} // namespace
} // namespace vantoro::sim
