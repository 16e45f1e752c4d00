#include "protocol/UdpTransport.h"

#include "protocol/ManagementMessage.h"

#include <QSignalSpy>
#include <QUdpSocket>
#include <gtest/gtest.h>

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

TEST(UdpTransport, BindFailsWhenAnotherProgramHoldsThePort) {
    QUdpSocket holder;
    if (!holder.bind(QHostAddress::AnyIPv4, kManagementPort, QUdpSocket::DontShareAddress)) {
        GTEST_SKIP() << "port " << kManagementPort << " is taken on this machine";
    }
    UdpTransport transport;
    EXPECT_EQ(transport.Open(), SetupStatus::BindFailed);
    EXPECT_TRUE(SetupErrorText(SetupStatus::BindFailed).isEmpty());
}

TEST(UdpTransport, EveryDatagramArrivesInOrderCutTo1514Bytes) {
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
        sender.writeDatagram(QByteArray::number(i), QHostAddress::LocalHost, kManagementPort);
    }
    sender.writeDatagram(QByteArray(4000, 'x'), QHostAddress::LocalHost, kManagementPort);
    sender.writeDatagram(QByteArray(), QHostAddress::LocalHost, kManagementPort);
    // Datagrams reach the listeners through the event loop; wait for them, not for time.
    for (int round = 0; round < 50 && received.count() < kCount + 2; ++round) {
        received.wait(100);
    }
    ASSERT_EQ(received.count(), kCount + 2);
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(received.at(i).at(0).toByteArray(), QByteArray::number(i));
    }
    EXPECT_EQ(received.at(kCount).at(0).toByteArray().size(), kMaxDatagramBytes);
    EXPECT_TRUE(received.at(kCount + 1).at(0).toByteArray().isEmpty());
    EXPECT_EQ(failed.count(), 0);
}

TEST(UdpTransport, ClosingStopsTheReceiverPromptly) {
    for (int i = 0; i < 20; ++i) {
        UdpTransport transport;
        if (transport.Open() != SetupStatus::Ok) {
            GTEST_SKIP() << "port " << kManagementPort << " is taken on this machine";
        }
    } // each destructor must join its receiver without waiting for traffic
}

TEST(UdpTransport, SetupTextsAreTheOnesUsersSee) {
    EXPECT_EQ(SetupErrorText(SetupStatus::StartUpFailed), QStringLiteral("Socket StartUp Error"));
    EXPECT_EQ(SetupErrorText(SetupStatus::ScanSocketOpenFailed),
              QStringLiteral("Socket Open Error"));
    EXPECT_EQ(SetupErrorText(SetupStatus::ListenSocketOpenFailed),
              QStringLiteral("Socket Open Error"));
    EXPECT_EQ(SetupErrorText(SetupStatus::BroadcastOptionFailed),
              QStringLiteral("setsockopt: SOCKET_ERROR!\n"));
}

} // namespace
} // namespace vantoro
