#include "sim/SimulatedLan.h"

#include "tests/sim/SimTestUtil.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace vantoro::sim {
namespace {

using namespace vantoro::sim::testing;

TEST(SimulatedLan, OwnBroadcastComesBackAndRepliesArriveInTimeOrderAfterTheirDelay) {
    SimulatedLan lan(GenerateFleet(100), {.replyDelayMs = 100, .jitterMs = 200}, ClockMode::Manual);
    std::vector<std::pair<qint64, QByteArray>> got;
    QObject::connect(&lan, &Transport::DatagramReceived, &lan,
                     [&](const QByteArray& d) { got.emplace_back(lan.Now(), d); });
    ASSERT_EQ(lan.Open(), SetupStatus::Ok);
    lan.SendBroadcast(kDiscovery);
    EXPECT_TRUE(got.empty()) << "never delivered inside the send";
    EXPECT_EQ(lan.requestLog().size(), 1) << "the bridges heard it at once";
    lan.Advance(0);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].second, kDiscovery);
    lan.Advance(99);
    EXPECT_EQ(got.size(), 1u);
    lan.Advance(1000);
    ASSERT_EQ(got.size(), 101u);
    for (size_t i = 1; i < got.size(); ++i) {
        EXPECT_TRUE(IsReply(DatagramText(got[i].second)));
        EXPECT_GE(got[i].first, got[i - 1].first) << "in time order";
    }
    EXPECT_GE(got[1].first, 100);
    EXPECT_LE(got.back().first, 300);
    EXPECT_LT(got[1].first, got.back().first);
    EXPECT_EQ(lan.Now(), 1099);
    EXPECT_EQ(lan.pendingDeliveries(), 0);
}

TEST(SimulatedLan, RequestsSentFromTheReceivingSlotAreServedInTheSameAdvance) {
    SimulatedLan lan(DemoFleet(), {.replyDelayMs = 10}, ClockMode::Manual);
    QSignalSpy spy(&lan, &Transport::DatagramReceived);
    bool asked = false;
    QObject::connect(&lan, &Transport::DatagramReceived, &lan, [&](const QByteArray& d) {
        if (!asked && d.startsWith("Torva_MultiAp_mgnt\r1001\rACK\r02:4B:00:00:00:03")) {
            asked = true;
            lan.SendRequest(StatusRequest("02:4B:00:00:00:03"), {});
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

} // namespace
} // namespace vantoro::sim
