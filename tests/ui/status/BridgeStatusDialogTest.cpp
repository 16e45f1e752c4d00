#include "ui/status/BridgeStatusDialog.h"

#include "tests/support/Controls.h"
#include "tests/support/DialogHarness.h"
#include "tests/support/FakeTransport.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

// A status reply of bridge mac: WEP off, DHCP, version 2.01, with the link quality, region and
// transmitted count that vary in the tests.
QByteArray StatusReply(const QByteArray& mac, const QByteArray& linkQuality,
                       const QByteArray& region = "IE", const QByteArray& tx = "100") {
    QByteArrayList fields = test::SimpleReply(mac).split('\r');
    fields[6] = "dhcp";
    fields[13] = region;
    fields[14] = "0";
    fields[23] = linkQuality;
    fields[24] = tx;
    fields[28] = "2.01";
    return test::ReplyOf(fields);
}

class BridgeStatusDialogTest : public ::testing::Test, public test::DialogHarness {
protected:
    void SetUp() override {
        Receive(StatusReply("MAC-A", "57"), 0);
        Receive(StatusReply("MAC-B", "10"), 1);
        dialog = std::make_unique<BridgeStatusDialog>(context, nullptr);
        dialog->show();
    }
    QString Text(const char* name) const { return dialog->findChild<QLabel*>(name)->text(); }
    int Signal() const { return dialog->findChild<QProgressBar*>("signalStrengthBar")->value(); }
    void PressRefresh() { test::Click(*dialog, "refreshButton"); }
    // Ticks until the refresh is over; returns how many ticks that took.
    int TicksUntilReady() {
        int ticks = 0;
        while (!dialog->refreshReady() && ticks < 100) {
            dialog->OnRefreshTick();
            ++ticks;
        }
        return ticks;
    }
    std::unique_ptr<BridgeStatusDialog> dialog;
};

TEST_F(BridgeStatusDialogTest, OpeningShowsTheRecordAndSendsNothing) {
    EXPECT_TRUE(requests.isEmpty());
    EXPECT_EQ(dialog->windowTitle(), "Bridge Status");
    EXPECT_EQ(Text("networkNameValue"), "office");
    EXPECT_EQ(Text("connectionStatusValue"), "Connected");
    EXPECT_EQ(Text("regionValue"), "Israel");
    EXPECT_EQ(Text("channelValue"), "6");
    EXPECT_EQ(Text("securityValue"), "No WEP");
    EXPECT_EQ(Text("ipSourceValue"), "Dhcp");
    EXPECT_EQ(Text("macAddressValue"), "MAC-A");
    EXPECT_EQ(Text("versionValue"), "2.01");
    EXPECT_EQ(Signal(), 57);
}

TEST_F(BridgeStatusDialogTest, AReplyOnTickKIsShownThenTheRefreshEndsOnTickThirty) {
    PressRefresh();
    EXPECT_EQ(requests, QByteArrayList{BuildStatusRequest("MAC-A")});
    EXPECT_FALSE(dialog->refreshReady());
    EXPECT_EQ(dialog->refreshTimer().interval(), 100);
    PressRefresh(); // ignored while the refresh runs
    EXPECT_EQ(requests.size(), 1);

    for (int tick = 1; tick < 5; ++tick) {
        dialog->OnRefreshTick();
    }
    Receive(StatusReply("MAC-A", "0", "TW", "555"));
    EXPECT_EQ(Text("txPacketsValue"), "100");
    dialog->OnRefreshTick(); // tick 5
    EXPECT_EQ(Text("txPacketsValue"), "555");
    EXPECT_EQ(Text("connectionStatusValue"), "Not Connected");
    EXPECT_EQ(Text("regionValue"), ""); // a code the table lacks shows empty
    EXPECT_EQ(Signal(), 0);
    EXPECT_FALSE(replyArrived);
    EXPECT_EQ(TicksUntilReady(), 25); // ends on tick 30
    EXPECT_FALSE(dialog->refreshTimer().isActive());
}

TEST_F(BridgeStatusDialogTest,
       WithoutAReplyTheRecordIsShownOnTickThirtyAndTheEndComesOnTickThirtyOne) {
    PressRefresh();
    for (int tick = 1; tick < 30; ++tick) {
        dialog->OnRefreshTick();
    }
    // The record changed behind the dialog's back without setting the flag.
    bridge().txPackets.set("777");
    EXPECT_EQ(Text("txPacketsValue"), "100");
    dialog->OnRefreshTick(); // tick 30
    EXPECT_EQ(Text("txPacketsValue"), "777");
    EXPECT_FALSE(dialog->refreshReady());
    dialog->OnRefreshTick(); // tick 31
    EXPECT_TRUE(dialog->refreshReady());
    PressRefresh();
    EXPECT_EQ(requests.size(), 2);
}

TEST_F(BridgeStatusDialogTest, AnyListedReplyEndsTheRefreshEarlyWhileTheAskedBridgeIsSelected) {
    PressRefresh();
    dialog->OnRefreshTick();
    // Another listed bridge answers: the selected record is shown again as it is.
    Receive(StatusReply("MAC-B", "99"), 2);
    dialog->OnRefreshTick();
    EXPECT_EQ(Text("macAddressValue"), "MAC-A");
    EXPECT_EQ(Signal(), 57);
    dialog->OnRefreshTick();
    EXPECT_FALSE(dialog->refreshReady());
    Receive(StatusReply("MAC-A", "250"), 2);
    dialog->OnRefreshTick(); // the further reply ends it at once
    EXPECT_TRUE(dialog->refreshReady());
    // It is not shown until the next Refresh; a link quality above 100 then fills the bar.
    EXPECT_EQ(Signal(), 57);
    PressRefresh();
    dialog->OnRefreshTick();
    EXPECT_EQ(Signal(), 57); // nothing arrived yet
    Receive(StatusReply("MAC-A", "250"), 2);
    dialog->OnRefreshTick();
    EXPECT_EQ(Signal(), 100);

    PressRefresh();
    selected = 1; // the selected record no longer holds the identifier asked for: no reply counts
    Receive(StatusReply("MAC-B", "99"), 2);
    dialog->OnRefreshTick();
    EXPECT_EQ(Signal(), 100);
    EXPECT_TRUE(replyArrived);
}

} // namespace
} // namespace vantoro
