#include "sim/SimulatedLan.h"

#include "protocol/DiscoveryScan.h"
#include "tests/sim/SimTestUtil.h"

#include <QBuffer>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace vantoro::sim {
namespace {

using namespace vantoro::sim::testing;

SimOptions Delayed(int delayMs, int jitterMs = 0) {
    SimOptions options;
    options.replyDelayMs = delayMs;
    options.jitterMs = jitterMs;
    options.rebootMs = 300;
    return options;
}

QList<QByteArray> Received(const QSignalSpy& spy) {
    QList<QByteArray> out;
    for (const QList<QVariant>& args : spy) {
        out.append(args.at(0).toByteArray());
    }
    return out;
}

TEST(SimulatedLan, OwnBroadcastComesBackAndRepliesWaitForTheirDelay) {
    SimulatedLan lan(DemoFleet(), Delayed(100), ClockMode::Manual);
    QSignalSpy spy(&lan, &Transport::DatagramReceived);
    ASSERT_EQ(lan.Open(), SetupStatus::Ok);

    lan.SendBroadcast(kDiscovery);
    EXPECT_EQ(spy.count(), 0) << "never delivered inside the send";
    EXPECT_EQ(lan.RequestLog().size(), 1) << "the bridges heard it at once";

    lan.Advance(0);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toByteArray(), kDiscovery);

    lan.Advance(99);
    EXPECT_EQ(spy.count(), 1);
    lan.Advance(1);
    EXPECT_EQ(spy.count(), 1 + 6);
    for (const QByteArray& reply : Received(spy).mid(1)) {
        EXPECT_TRUE(IsReply(DatagramText(reply)));
    }
    EXPECT_EQ(lan.Now(), 100);
    EXPECT_EQ(lan.PendingDeliveries(), 0);
}

TEST(SimulatedLan, JitteredRepliesArriveInTimeOrder) {
    SimOptions options = Delayed(20, 200);
    options.seed = 9;
    SimulatedLan lan(GenerateFleet(100), options, ClockMode::Manual);
    std::vector<qint64> times;
    QObject::connect(&lan, &Transport::DatagramReceived, &lan,
                     [&](const QByteArray&) { times.push_back(lan.Now()); });
    lan.SendBroadcast(kDiscovery);
    lan.Advance(1000);
    ASSERT_EQ(times.size(), 101u);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    EXPECT_GE(times[1], 20);
    EXPECT_LE(times.back(), 220);
    EXPECT_LT(times[1], times.back());
    EXPECT_EQ(lan.Now(), 1000);
}

TEST(SimulatedLan, DropsAndDuplicatesRepeatWithTheSameSeed) {
    const auto run = [](quint64 seed) {
        SimOptions options = Delayed(5, 30);
        options.dropProbability = 0.25;
        options.duplicateProbability = 0.5;
        options.seed = seed;
        SimulatedLan lan(GenerateFleet(40), options, ClockMode::Manual);
        QSignalSpy spy(&lan, &Transport::DatagramReceived);
        for (int i = 0; i < 3; ++i) {
            lan.SendBroadcast(kDiscovery);
            lan.Advance(500);
        }
        return Received(spy);
    };
    const QList<QByteArray> first = run(11);
    EXPECT_EQ(first, run(11));
    EXPECT_NE(first, run(12));
    const qsizetype replies = first.size() - 3;
    EXPECT_GT(replies, 60);
    EXPECT_LT(replies, 180) << "120 replies, some dropped, some repeated";
}

TEST(SimulatedLan, RequestsSentFromTheReceivingSlotAreServedInTheSameAdvance) {
    SimulatedLan lan(DemoFleet(), Delayed(10), ClockMode::Manual);
    QSignalSpy spy(&lan, &Transport::DatagramReceived);
    bool asked = false;
    QObject::connect(&lan, &Transport::DatagramReceived, &lan, [&](const QByteArray& d) {
        if (!asked && d.startsWith("Torva_MultiAp_mgnt\r1001\rACK\r02:4B:00:00:00:03")) {
            asked = true;
            lan.SendRequest(StatusRequest("02:4B:00:00:00:03"));
        }
    });
    lan.SendBroadcast(kDiscovery);
    lan.Advance(15);
    // Discovery, 6 replies at 10, the status request at 10; its reply is due at 20.
    EXPECT_EQ(spy.count(), 8);
    lan.Advance(5);
    ASSERT_EQ(spy.count(), 9);
    EXPECT_TRUE(spy.last().at(0).toByteArray().startsWith("Torva_MultiAp_mgnt\r1003\rACK\r"));
}

TEST(SimulatedLan, ConfigurationReachesTheBridgeAndItRebootsSilently) {
    SimulatedLan lan(DemoFleet(), Delayed(0), ClockMode::Manual);
    QSignalSpy spy(&lan, &Transport::DatagramReceived);
    lan.SendRequest(ConfigRequest("02:4B:00:00:00:01", {{"wan_proto ", "static"},
                                                        {"wan_ipaddr ", "192.168.1.99"},
                                                        {"wan_netmask ", "255.255.255.0"}}));
    lan.Advance(0);
    EXPECT_EQ(spy.count(), 1) << "only the request itself comes back";
    EXPECT_EQ(lan.Bridges()[0].ipAddress, "192.168.1.99");
    lan.SendRequest(StatusRequest("02:4B:00:00:00:01"));
    lan.Advance(299);
    EXPECT_EQ(spy.count(), 2) << "silent while rebooting";
    lan.Advance(1);
    lan.SendRequest(StatusRequest("02:4B:00:00:00:01"));
    lan.Advance(0);
    ASSERT_EQ(spy.count(), 4);
    EXPECT_NE(spy.last().at(0).toByteArray().indexOf("\r192.168.1.99\r"), -1);
    EXPECT_EQ(lan.RequestLog().size(), 3);
    EXPECT_TRUE(JsonLine(lan.RequestLog()[0]).value("applied").toBool());
}

TEST(SimulatedLan, OversizeDatagramsAreCutToOneFrame) {
    SimulatedLan lan(DemoFleet(), Delayed(0), ClockMode::Manual);
    QSignalSpy spy(&lan, &Transport::DatagramReceived);
    lan.InjectDatagram(QByteArray(3000, 'x'), 5);
    lan.SendRequest(QByteArray(1600, 'y'));
    lan.Advance(5);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toByteArray(), QByteArray(kMaxDatagramBytes, 'y'));
    EXPECT_EQ(spy.at(1).at(0).toByteArray(), QByteArray(kMaxDatagramBytes, 'x'));
    EXPECT_TRUE(JsonLine(lan.RequestLog()[0]).value("command").isNull());
}

TEST(SimulatedLan, FailedSetUpSendsNothingAndReceiveFailureCanBeInjected) {
    SimulatedLan lan(DemoFleet(), Delayed(0), ClockMode::Manual);
    QSignalSpy received(&lan, &Transport::DatagramReceived);
    QSignalSpy failed(&lan, &Transport::ReceiveFailed);
    lan.SetSetupStatus(SetupStatus::BindFailed);
    EXPECT_EQ(lan.Open(), SetupStatus::BindFailed);
    lan.SendBroadcast(kDiscovery);
    lan.Advance(1000);
    EXPECT_EQ(received.count(), 0);
    EXPECT_TRUE(lan.RequestLog().isEmpty());

    lan.InjectReceiveFailure(10);
    EXPECT_EQ(failed.count(), 0);
    lan.Advance(10);
    EXPECT_EQ(failed.count(), 1);
}

TEST(SimulatedLan, RealTimeModeDeliversFromTheTimerNotFromTheSend) {
    SimulatedLan lan(DemoFleet(), Delayed(0), ClockMode::RealTime);
    QSignalSpy spy(&lan, &Transport::DatagramReceived);
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    lan.SetLogSink(LogToDevice(&sink));
    lan.SendBroadcast(kDiscovery);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(lan.PendingDeliveries(), 7);
    EXPECT_GE(lan.NextDeliveryTime(), 0);
    lan.DeliverDue(); // what the zero-delay timer does
    EXPECT_EQ(spy.count(), 7);
    EXPECT_EQ(lan.NextDeliveryTime(), -1);
    EXPECT_EQ(sink.data().count('\n'), 1);
    EXPECT_EQ(QString::fromUtf8(sink.data().trimmed()), lan.RequestLog()[0]);
}

TEST(SimulatedLan, TheProgramsScanFindsTheDemoFleet) {
    SimulatedLan lan(DemoFleet(), Delayed(30, 20), ClockMode::Manual);
    DiscoveryScan scan(lan);
    ASSERT_EQ(scan.SetUp(), SetupStatus::Ok);
    scan.Begin();
    for (int tick = 0; tick <= DiscoveryScan::kLastTick; ++tick) {
        lan.Advance(DiscoveryScan::kTickMs);
        scan.OnScanTick();
    }
    EXPECT_TRUE(scan.scanIdle());
    ASSERT_EQ(scan.rowCount(), 6);
    EXPECT_EQ(lan.RequestLog().size(), 3) << "three discovery requests per scan";
    std::set<std::string> names;
    for (int i = 0; i < scan.rowCount(); ++i) {
        names.insert(std::string(scan.table().records[size_t(i)].deviceName.View()));
    }
    EXPECT_EQ(names.count("Roof-Link"), 1u);
    EXPECT_EQ(names.count("Taipei-Desk"), 1u);
}

} // namespace
} // namespace vantoro::sim
