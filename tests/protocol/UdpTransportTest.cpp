#include "protocol/UdpTransport.h"

#include "protocol/ManagementMessage.h"

#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QSignalSpy>
#include <QUdpSocket>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <thread>

// These tests bind the management port and talk to it over the loopback interface only: nothing
// is broadcast and nothing leaves the machine.

namespace vantoro {
namespace {

TEST(UdpTransport, TheListeningPortIsExclusive) {
    UdpTransport first;
    const SetupStatus status = first.Open();
    if (status != SetupStatus::Ok) {
        GTEST_SKIP() << "port " << kManagementPort << " is taken on this machine";
    }
    UdpTransport second;
    EXPECT_EQ(second.Open(), SetupStatus::BindFailed);

    // Neither may a program that asks to share the address.
    QUdpSocket sharer;
    EXPECT_FALSE(sharer.bind(QHostAddress::AnyIPv4, kManagementPort,
                             QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
}

// A reply whose identifier is tag.
QByteArray Reply(const QByteArray& tag) {
    return "Torva_MultiAp_mgnt\r1001\rACK\r" + tag;
}

TEST(UdpTransport, EveryReplyArrivesInOrderCutTo1514BytesAndRequestsStayOutside) {
    UdpTransport transport;
    if (transport.Open() != SetupStatus::Ok) {
        GTEST_SKIP() << "port " << kManagementPort << " is taken on this machine";
    }
    EXPECT_GT(transport.receiveBufferBytes(), 0);
    QSignalSpy received(&transport, &Transport::DatagramReceived);
    QSignalSpy failed(&transport, &Transport::ReceiveFailed);
    QUdpSocket sender;
    constexpr int kCount = 300;
    for (int i = 0; i < kCount; ++i) {
        sender.writeDatagram(Reply(QByteArray::number(i)), QHostAddress::LocalHost,
                             kManagementPort);
        // Requests, empty datagrams and noise never reach the event loop.
        if (i % 100 == 0) {
            sender.writeDatagram(BuildDiscoveryRequest(), QHostAddress::LocalHost, kManagementPort);
            sender.writeDatagram(QByteArray(), QHostAddress::LocalHost, kManagementPort);
            sender.writeDatagram("x", QHostAddress::LocalHost, kManagementPort);
        }
    }
    sender.writeDatagram(Reply(QByteArray(4000, 'x')), QHostAddress::LocalHost, kManagementPort);
    // Datagrams reach the listeners through the event loop; wait for them, not for time.
    for (int round = 0; round < 50 && received.count() < kCount + 1; ++round) {
        received.wait(100);
    }
    ASSERT_EQ(received.count(), kCount + 1);
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(received.at(i).at(0).toByteArray(), Reply(QByteArray::number(i)));
    }
    EXPECT_EQ(received.at(kCount).at(0).toByteArray().size(), kMaxDatagramBytes);
    EXPECT_EQ(failed.count(), 0);
}

// Ends the whole run when a step hangs for good: a close that never returns would otherwise
// hold the test run forever instead of failing it.
class Watchdog {
public:
    Watchdog(const char* what, std::chrono::seconds limit)
        : thread_([this, what, limit] {
              std::unique_lock lock(mutex_);
              if (!wake_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "%s: still running after %lld s\n", what,
                               static_cast<long long>(limit.count()));
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

TEST(UdpTransport, ClosingStopsTheReceiverPromptly) {
    // Closing wakes the receiver out of its wait: it must not hang on until traffic comes or a
    // poll times out, which would hold up every rescan and the program's exit. The bound is far
    // above a wake-up, even under a sanitizer, and far below any such wait.
    constexpr qint64 kBoundMs = 500;
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        auto transport = std::make_unique<UdpTransport>();
        if (transport->Open() != SetupStatus::Ok) {
            GTEST_SKIP() << "port " << kManagementPort << " is taken on this machine";
        }
        if (i % 2 == 1) {
            // Close a receiver that has read something and gone back to waiting, too.
            QSignalSpy received(transport.get(), &Transport::DatagramReceived);
            QUdpSocket().writeDatagram(Reply("x"), QHostAddress::LocalHost, kManagementPort);
            ASSERT_TRUE(received.wait(5000));
        }
        QElapsedTimer closing;
        closing.start();
        {
            const Watchdog watchdog("closing the transport", std::chrono::seconds(30));
            transport.reset();
        }
        EXPECT_LT(closing.elapsed(), kBoundMs);
    }
}

TEST(UdpTransport, EachDatagramCarriesItsInterfaceAndALimitDropsTheOthers) {
    // Loopback only: the interface list is the test's, with lo under its real index.
    const int lo = QNetworkInterface::interfaceIndexFromName(QStringLiteral("lo"));
    if (lo <= 0) {
        GTEST_SKIP() << "no loopback interface named lo";
    }
    NetInterface loopback;
    loopback.index = lo;
    loopback.name = loopback.label = QStringLiteral("lo");
    NetInterface other;
    other.index = lo + 1000;
    other.name = other.label = QStringLiteral("eth9");
    UdpTransport transport;
    transport.setInterfaceSource([=] { return std::vector<NetInterface>{loopback, other}; });
    if (transport.Open() != SetupStatus::Ok) {
        GTEST_SKIP() << "port " << kManagementPort << " is taken on this machine";
    }
    QSignalSpy received(&transport, &Transport::DatagramReceived);
    QUdpSocket sender;
    sender.writeDatagram(Reply("one"), QHostAddress::LocalHost, kManagementPort);
    ASSERT_TRUE(received.wait(5000));
    EXPECT_EQ(received.at(0).at(1).value<InterfaceId>(), (InterfaceId{lo, QStringLiteral("lo")}));

    transport.setInterfaceNames({QStringLiteral("eth9")});
    sender.writeDatagram(Reply("dropped"), QHostAddress::LocalHost, kManagementPort);
    // Nothing comes of it; a short bounded look, as an arrival takes well under a millisecond.
    EXPECT_FALSE(received.wait(300));
    transport.setInterfaceNames({QStringLiteral("lo")});
    sender.writeDatagram(Reply("kept"), QHostAddress::LocalHost, kManagementPort);
    ASSERT_TRUE(received.wait(5000));
    ASSERT_EQ(received.count(), 2);
    EXPECT_EQ(received.at(1).at(0).toByteArray(), Reply("kept"));
}

} // namespace
} // namespace vantoro
