#include "protocol/DiscoveryScan.h"

#include "tests/support/FakeTransport.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

using test::FakeTransport;
using test::SimpleReply;

class Scan : public ::testing::Test {
protected:
    FakeTransport transport_;
    DiscoveryScan scan_{transport_};

    void Tick(int count) {
        for (int i = 0; i < count; ++i) {
            scan_.OnScanTick();
        }
    }
};

TEST_F(Scan, ThreeRequestsHalfASecondApartAndTheEndOnTheSeventhTick) {
    ASSERT_EQ(scan_.SetUp(), SetupStatus::Ok);
    QSignalSpy finished(&scan_, &DiscoveryScan::ScanFinished);
    scan_.Begin();
    EXPECT_EQ(transport_.broadcasts.size(), 1);
    EXPECT_TRUE(scan_.scanTimer().isActive());
    EXPECT_EQ(scan_.scanTimer().interval(), 500);

    Tick(1);
    EXPECT_EQ(transport_.broadcasts.size(), 2);
    Tick(1);
    EXPECT_EQ(transport_.broadcasts.size(), 3);
    Tick(4);
    EXPECT_EQ(transport_.broadcasts.size(), 3);
    EXPECT_EQ(scan_.progress(), 600);
    EXPECT_FALSE(scan_.scanIdle());
    EXPECT_EQ(finished.count(), 0);

    Tick(1);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(scan_.scanIdle());
    EXPECT_EQ(scan_.progress(), 0);
    EXPECT_FALSE(scan_.scanTimer().isActive());
    for (const QByteArray& sent : transport_.broadcasts) {
        EXPECT_EQ(sent, BuildDiscoveryRequest());
    }
}

TEST_F(Scan, RepliesFillRowsInArrivalOrderAndDuplicatesSetReplyArrived) {
    scan_.SetUp();
    scan_.Begin();
    QSignalSpy added(&scan_, &DiscoveryScan::RowAdded);
    QSignalSpy updated(&scan_, &DiscoveryScan::RowUpdated);
    // The program hears its own broadcast too; it is not a reply.
    transport_.Deliver(transport_.broadcasts.first());
    transport_.Deliver(SimpleReply("CC"));
    transport_.Deliver(SimpleReply("AA"));
    EXPECT_FALSE(scan_.replyArrived());
    transport_.Deliver(SimpleReply("CC", "renamed"));
    EXPECT_EQ(added.count(), 2);
    ASSERT_EQ(updated.count(), 1);
    EXPECT_EQ(updated.at(0).at(0).toInt(), 0);
    EXPECT_TRUE(scan_.replyArrived());
    EXPECT_EQ(scan_.rowText()[ColumnDeviceName], "renamed");
    // The flag is not cleared by a new scan.
    Tick(7);
    scan_.StartScan();
    EXPECT_TRUE(scan_.replyArrived());
}

TEST_F(Scan, LateRepliesAndReceiveFailuresDoNotStopTheListing) {
    scan_.SetUp();
    scan_.Begin();
    Tick(7);
    QSignalSpy failed(&scan_, &DiscoveryScan::ReceiveFailed);
    transport_.FailReceive();
    transport_.Deliver(SimpleReply("late"));
    EXPECT_EQ(failed.count(), 1);
    EXPECT_EQ(scan_.rowCount(), 1);
}

} // namespace
} // namespace vantoro
