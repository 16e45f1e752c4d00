#include "sim/Fleet.h"
#include "sim/SimulatedLan.h"
#include "tests/ui/main/Fakes.h"
#include "ui/main/MainWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <set>

namespace vantoro {
namespace {

using testing::FakePlatform;
using testing::RecordingMessageBoxes;

class DemoLanTest : public ::testing::Test {
protected:
    sim::SimulatedLan lan{sim::DemoFleet(), sim::SimOptions{}, sim::ClockMode::Manual};
    RecordingMessageBoxes messages;
    FakePlatform platform;
    std::vector<int> exits;
    MainWindow window{MainWindowServices{lan, messages, platform,
                                         [this](int status) { exits.push_back(status); }}};
};

TEST_F(DemoLanTest, ScanListsEveryDemoBridgeOnce) {
    window.SetDemoMode(true);
    ASSERT_TRUE(window.OnInitDialog());
    window.show();
    // Three discovery requests, and every bridge answers each of them.
    for (int tick = 0; tick <= DiscoveryScan::kLastTick; ++tick) {
        lan.Advance(DiscoveryScan::kTickMs);
        window.scan().OnScanTick();
    }
    lan.Advance(1000);
    ASSERT_TRUE(window.scan().scanIdle());

    const QTreeWidget& list = window.bridgeList();
    ASSERT_EQ(list.topLevelItemCount(), int(lan.Bridges().size()));
    std::set<QString> listed;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list.topLevelItem(row);
        listed.insert(item->text(ColumnMacAddress));
        EXPECT_EQ(window.table().records[size_t(row)].macAddress.ToQString(),
                  item->text(ColumnMacAddress));
        EXPECT_FALSE(item->text(ColumnDeviceName).isEmpty());
    }
    std::set<QString> fleet;
    for (const sim::SimBridgeState& bridge : lan.Bridges()) {
        fleet.insert(QString::fromLatin1(bridge.macAddress));
    }
    EXPECT_EQ(listed, fleet);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(window.demoMarker().isVisible());
}

TEST_F(DemoLanTest, SimulatedSetUpFailureKeepsTheWindowIdle) {
    lan.SetSetupStatus(SetupStatus::ListenSocketOpenFailed);
    ASSERT_TRUE(window.OnInitDialog());
    lan.Advance(5000);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Socket Open Error");
    EXPECT_EQ(window.bridgeList().topLevelItemCount(), 0);
    EXPECT_FALSE(window.statusButton().isEnabled());
}

} // namespace
} // namespace vantoro
