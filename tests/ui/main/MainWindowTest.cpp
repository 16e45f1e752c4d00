#include "ui/main/MainWindow.h"

#include "tests/ui/main/Fakes.h"
#include "ui/controls/HelpPane.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

namespace vantoro {
namespace {

using testing::BridgeReply;
using testing::FakePlatform;
using testing::FakeTransport;
using testing::RecordingMessageBoxes;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>(MainWindowServices{
            transport, messages, platform, [this](int status) { exits.push_back(status); }});
    }

    void Open() {
        ASSERT_TRUE(window->OnInitDialog());
        window->show();
    }

    QTreeWidget& list() const { return window->bridgeList(); }

    // Three bridges; the second reported no IP address.
    void DeliverThreeBridges() {
        transport.Deliver(BridgeReply("00:11:22:33:44:01", "Lobby", "BX-100", "192.168.1.21"));
        transport.Deliver(BridgeReply("00:11:22:33:44:02", "Attic", "BX-200", ""));
        transport.Deliver(BridgeReply("00:11:22:33:44:03", "Yard", "BX-100", "192.168.1.23"));
    }

    void FinishScan() {
        for (int tick = 0; tick <= DiscoveryScan::kLastTick && !window->scan().scanIdle(); ++tick) {
            window->scan().OnScanTick();
        }
        ASSERT_TRUE(window->scan().scanIdle());
    }

    QPoint RowPoint(int row, int column = 0) const {
        const QRect rect = list().visualItemRect(list().topLevelItem(row));
        return {list().header()->sectionViewportPosition(column) + 4, rect.center().y()};
    }

    QPoint BelowRows() const {
        const QRect last =
            list().visualItemRect(list().topLevelItem(list().topLevelItemCount() - 1));
        return {10, last.bottom() + 10};
    }

    void Click(const QPoint& pos, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(list().viewport(), button, Qt::NoModifier, pos);
    }

    // The order Qt delivers a real double click in.
    void DoubleClick(const QPoint& pos) {
        QTest::mousePress(list().viewport(), Qt::LeftButton, Qt::NoModifier, pos);
        QTest::mouseRelease(list().viewport(), Qt::LeftButton, Qt::NoModifier, pos);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, pos, list().viewport()->mapToGlobal(pos),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list().viewport(), &dbl);
        QTest::mouseRelease(list().viewport(), Qt::LeftButton, Qt::NoModifier, pos);
    }

    // The three bridge commands move together; anything else is a fault of its own.
    bool CommandsEnabled() const {
        const bool status = window->statusButton().isEnabled();
        EXPECT_EQ(window->connectionSettingsButton().isEnabled(), status);
        EXPECT_EQ(window->advancedSettingsButton().isEnabled(), status);
        return status;
    }

    QStringList RowTexts(int row) const {
        QStringList texts;
        for (int column = 0; column < kRowColumns; ++column) {
            texts << list().topLevelItem(row)->text(column);
        }
        return texts;
    }

    FakeTransport transport;
    RecordingMessageBoxes messages;
    FakePlatform platform;
    std::vector<int> exits;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, ShowsTheTemplatesControlsAndTexts) {
    EXPECT_EQ(window->windowTitle(), "BRELLIX Vantoro");
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(window->scanButton().text(), "Scan");
    EXPECT_EQ(window->statusButton().text(), "Status");
    EXPECT_EQ(window->connectionSettingsButton().text(), "Connection Settings");
    EXPECT_EQ(window->advancedSettingsButton().text(), "Advanced Settings");
    EXPECT_EQ(window->closeButton().text(), "Close");
    EXPECT_EQ(window->helpGroup().title(), "Help");
    EXPECT_FALSE(window->logo().pixmap().isNull());
    QStringList labels;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        labels << label->text();
    }
    EXPECT_TRUE(labels.contains("Version: 1.10"));
    EXPECT_TRUE(labels.contains("Scan Progress:"));

    const QTreeWidgetItem* header = list().headerItem();
    EXPECT_EQ(header->text(0), "Device Name");
    EXPECT_EQ(header->text(1), "Brellix Model");
    EXPECT_EQ(header->text(2), "IP Address");
    EXPECT_EQ(header->text(3), "MAC Address");
    for (int column = 0; column < kRowColumns - 1; ++column) {
        EXPECT_GE(list().columnWidth(column), kColumnWidths[size_t(column)]) << column;
    }
    EXPECT_EQ(list().selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list().selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(list().isSortingEnabled());
    // The selection stays visible when the list has no focus.
    EXPECT_EQ(list().palette().color(QPalette::Inactive, QPalette::Highlight),
              list().palette().color(QPalette::Active, QPalette::Highlight));
}

// The four columns fit without a horizontal scroll bar and no button text is clipped.
void ExpectTidyLayout(MainWindow& window) {
    QApplication::processEvents();
    const QTreeWidget& list = window.bridgeList();
    int columns = 0;
    for (int column = 0; column < kRowColumns; ++column) {
        columns += list.header()->sectionSize(column);
    }
    EXPECT_LE(columns, list.viewport()->width() + 1);
    for (const QPushButton* button : window.findChildren<QPushButton*>()) {
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
    }
    EXPECT_GT(list.height(), window.helpGroup().height() / 2);
}

TEST_F(MainWindowTest, LaysOutTidilyWithTheNormalAndALargeFont) {
    Open();
    ExpectTidyLayout(*window);

    const QFont normal = QApplication::font();
    QFont large = normal;
    large.setPointSizeF(normal.pointSizeF() * 2);
    QApplication::setFont(large);
    MainWindow bigger(MainWindowServices{transport, messages, platform, [](int) {}});
    QApplication::setFont(normal);
    bigger.show();
    ExpectTidyLayout(bigger);
    EXPECT_GT(bigger.width(), window->width());
}

TEST_F(MainWindowTest, InitialisationStartsTheFirstScan) {
    Open();
    EXPECT_EQ(transport.openCalls, 1);
    ASSERT_EQ(transport.broadcasts.size(), 1u);
    EXPECT_EQ(transport.broadcasts.front(), BuildDiscoveryRequest());
    EXPECT_EQ(window->progressBar().minimum(), 0);
    EXPECT_EQ(window->progressBar().maximum(), 600);
    EXPECT_EQ(window->progressBar().value(), 0);
    EXPECT_EQ(window->loginRequired(), 1);
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainWindowTest, HelpPaneShowsNetworksRtfFromTheCurrentDirectory) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile help(folder.filePath("Networks.rtf"));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.write("{\\rtf1\\ansi Bridges on your {\\b network}.}");
    help.close();
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    Open();
    QDir::setCurrent(previous);

    ASSERT_NE(window->helpPane(), nullptr);
    EXPECT_EQ(window->helpPane()->parentWidget(), &window->helpGroup());
    EXPECT_TRUE(window->helpPane()->isReadOnly());
    EXPECT_EQ(window->helpPane()->toPlainText().trimmed(), "Bridges on your network.");
}

TEST_F(MainWindowTest, ProgressBarFollowsTheScanAndEmptiesAtItsEnd) {
    Open();
    window->scan().OnScanTick();
    EXPECT_EQ(window->progressBar().value(), 100);
    for (int tick = 1; tick < DiscoveryScan::kLastTick; ++tick) {
        window->scan().OnScanTick();
    }
    EXPECT_EQ(window->progressBar().value(), 600);
    window->scan().OnScanTick();
    EXPECT_EQ(window->progressBar().value(), 0);
    EXPECT_EQ(transport.broadcasts.size(), 3u);
}

TEST_F(MainWindowTest, RepliesFillTheListInArrivalOrder) {
    Open();
    DeliverThreeBridges();
    ASSERT_EQ(list().topLevelItemCount(), 3);
    EXPECT_EQ(RowTexts(0), QStringList({"Lobby", "BX-100", "192.168.1.21", "00:11:22:33:44:01"}));
    EXPECT_EQ(RowTexts(1), QStringList({"Attic", "BX-200", "", "00:11:22:33:44:02"}));
    EXPECT_EQ(RowTexts(2), QStringList({"Yard", "BX-100", "192.168.1.23", "00:11:22:33:44:03"}));
    // Row index is record index.
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(window->table().records[size_t(row)].macAddress.ToQString(),
                  list().topLevelItem(row)->text(ColumnMacAddress));
    }
    // The newest row has the focus mark; nothing is selected by the scan.
    EXPECT_EQ(list().currentIndex().row(), 2);
    EXPECT_TRUE(list().selectedItems().isEmpty());
    EXPECT_EQ(window->selectionMark(), -1);
}

TEST_F(MainWindowTest, ABridgeAnsweringAgainKeepsItsRowWithNewTexts) {
    Open();
    DeliverThreeBridges();
    window->scan().setReplyArrived(false);
    transport.Deliver(BridgeReply("00:11:22:33:44:01", "Lobby-2", "BX-300", "10.0.0.5"));
    transport.Deliver(BridgeReply("00:11:22:33:44:01", "Lobby-2", "BX-300", "10.0.0.5"));
    ASSERT_EQ(list().topLevelItemCount(), 3);
    EXPECT_EQ(RowTexts(0), QStringList({"Lobby-2", "BX-300", "10.0.0.5", "00:11:22:33:44:01"}));
    EXPECT_TRUE(window->scan().replyArrived());
}

TEST_F(MainWindowTest, ScanDuringAScanChangesNothing) {
    Open();
    DeliverThreeBridges();
    window->scan().OnScanTick();
    const size_t sent = transport.broadcasts.size();
    QTest::mouseClick(&window->scanButton(), Qt::LeftButton);
    EXPECT_EQ(transport.broadcasts.size(), sent);
    EXPECT_EQ(list().topLevelItemCount(), 3);
    EXPECT_EQ(window->progressBar().value(), 100);
}

TEST_F(MainWindowTest, RescanClearsTheRowsAndDisablesTheCommands) {
    Open();
    DeliverThreeBridges();
    FinishScan();
    Click(RowPoint(2));
    ASSERT_TRUE(CommandsEnabled());
    ASSERT_EQ(window->selectionMark(), 2);

    QTest::mouseClick(&window->scanButton(), Qt::LeftButton);
    EXPECT_EQ(transport.broadcasts.size(), 4u);
    EXPECT_EQ(list().topLevelItemCount(), 0);
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_EQ(window->selectionMark(), -1);

    // The bridge that was third comes back first and takes record 0.
    transport.Deliver(BridgeReply("00:11:22:33:44:03", "Yard", "BX-100", "192.168.1.23"));
    EXPECT_EQ(RowTexts(0), QStringList({"Yard", "BX-100", "192.168.1.23", "00:11:22:33:44:03"}));
    EXPECT_EQ(window->table().records[0].macAddress, "00:11:22:33:44:03");
    EXPECT_FALSE(CommandsEnabled());
}

TEST_F(MainWindowTest, ClickRulesForTheBridgeCommands) {
    Open();
    DeliverThreeBridges();
    EXPECT_FALSE(CommandsEnabled());

    Click(RowPoint(0));
    EXPECT_TRUE(CommandsEnabled());
    EXPECT_EQ(window->selectionMark(), 0);

    Click(RowPoint(1)); // no IP address
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_EQ(window->selectionMark(), 1);

    Click(RowPoint(2, ColumnMacAddress)); // any column of the row counts
    EXPECT_TRUE(CommandsEnabled());
    EXPECT_EQ(window->selectionMark(), 2);

    Click(BelowRows());
    EXPECT_FALSE(CommandsEnabled());
}

TEST_F(MainWindowTest, KeyboardSelectionAndScanEndLeaveTheCommandsAlone) {
    Open();
    DeliverThreeBridges();
    Click(RowPoint(0));
    ASSERT_TRUE(CommandsEnabled());
    QTest::keyClick(&list(), Qt::Key_Down); // onto the row without an address
    EXPECT_EQ(window->selectionMark(), 1);
    EXPECT_TRUE(CommandsEnabled());
    FinishScan();
    EXPECT_TRUE(CommandsEnabled());

    Click(RowPoint(1));
    ASSERT_FALSE(CommandsEnabled());
    QTest::keyClick(&list(), Qt::Key_Down); // onto a row with an address
    EXPECT_EQ(window->selectionMark(), 2);
    EXPECT_FALSE(CommandsEnabled());
}

TEST_F(MainWindowTest, DoubleClickActsAsItsFirstClickAndOpensNothing) {
    Open();
    DeliverThreeBridges();
    DoubleClick(RowPoint(0));
    EXPECT_TRUE(CommandsEnabled());
    EXPECT_EQ(window->selectionMark(), 0);
    DoubleClick(RowPoint(1));
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(platform.browserTargets.empty());
}

TEST_F(MainWindowTest, RightClickOnTheListDoesNothing) {
    Open();
    DeliverThreeBridges();
    Click(RowPoint(0));
    ASSERT_TRUE(CommandsEnabled());

    // Neither the selection nor the commands change, and no menu comes up.
    int windowMenus = 0;
    struct MenuCounter : QObject {
        int* count;
        explicit MenuCounter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::ContextMenu) {
                ++*count;
                return true;
            }
            return false;
        }
    } counter(&windowMenus);
    window->installEventFilter(&counter);

    Click(RowPoint(1), Qt::RightButton);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, RowPoint(1),
                                list().viewport()->mapToGlobal(RowPoint(1)));
    QApplication::sendEvent(list().viewport(), &menuEvent);

    EXPECT_EQ(window->selectionMark(), 0);
    EXPECT_TRUE(CommandsEnabled());
    EXPECT_EQ(windowMenus, 0);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    window->removeEventFilter(&counter);
}

TEST_F(MainWindowTest, EnterLeavesTheWindowOpen) {
    Open();
    FinishScan();
    const size_t sent = transport.broadcasts.size();
    QTest::keyClick(&list(), Qt::Key_Return);
    QTest::keyClick(window.get(), Qt::Key_Enter, Qt::KeypadModifier);
    window->accept();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(transport.broadcasts.size(), sent);
    EXPECT_TRUE(exits.empty());
}

TEST_F(MainWindowTest, EscapeAndTheCloseBoxEndTheWindowNormally) {
    Open();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);

    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(exits.empty());
}

TEST_F(MainWindowTest, CloseEndsTheProcessWithStatusZero) {
    Open();
    QTest::mouseClick(&window->closeButton(), Qt::LeftButton);
    EXPECT_EQ(exits, std::vector<int>{0});
}

TEST_F(MainWindowTest, BridgeCommandsOpenNothingWithoutASelectedRow) {
    Open();
    DeliverThreeBridges();
    Click(RowPoint(0));
    // A control-click takes the selection away while the commands stay enabled.
    QTest::mouseClick(list().viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(0));
    ASSERT_EQ(window->selectionMark(), -1);
    QTest::mouseClick(&window->statusButton(), Qt::LeftButton);
    QTest::mouseClick(&window->connectionSettingsButton(), Qt::LeftButton);
    QTest::mouseClick(&window->advancedSettingsButton(), Qt::LeftButton);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(transport.requests.empty());
}

TEST_F(MainWindowTest, ReceiveErrorIsReportedForThatDatagramOnly) {
    Open();
    transport.FailReceive();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Socket read error");
    EXPECT_EQ(messages.shown[0].caption, "BRELLIX Vantoro");
    EXPECT_EQ(messages.shown[0].icon, QMessageBox::Information);
    EXPECT_EQ(messages.shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    DeliverThreeBridges();
    EXPECT_EQ(list().topLevelItemCount(), 3);
}

TEST_F(MainWindowTest, LogoOpensTheMakersSite) {
    Open();
    QTest::mouseClick(&window->logo(), Qt::LeftButton);
    QTest::mouseClick(&window->logo(), Qt::RightButton);
    EXPECT_EQ(platform.browserTargets, std::vector<QString>{"http://www.brellix.example/"});
}

TEST_F(MainWindowTest, DemoMarkerShowsOnlyInDemoMode) {
    Open();
    EXPECT_FALSE(window->demoMarker().isVisible());
    window->SetDemoMode(true);
    EXPECT_TRUE(window->demoMarker().isVisible());
}

struct SetupFailureCase {
    SetupStatus status;
    const char* text;
    const char* name;
};

void PrintTo(const SetupFailureCase& failure, std::ostream* out) {
    *out << failure.name;
}

class MainWindowSetupFailureTest : public MainWindowTest,
                                   public ::testing::WithParamInterface<SetupFailureCase> {};

TEST_P(MainWindowSetupFailureTest, ShowsItsTextOnceAndStaysOpenWithoutScanning) {
    transport.openResult = GetParam().status;
    Open();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, GetParam().text);
    EXPECT_EQ(messages.shown[0].caption, "BRELLIX Vantoro");
    EXPECT_EQ(messages.shown[0].icon, QMessageBox::Information);
    EXPECT_EQ(messages.shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(exits.empty());

    // No scan now or later, no rows, and no bridge command to reach the table with.
    QTest::mouseClick(&window->scanButton(), Qt::LeftButton);
    transport.Deliver(BridgeReply("00:11:22:33:44:01", "Lobby", "BX-100", "192.168.1.21"));
    EXPECT_TRUE(transport.broadcasts.empty());
    EXPECT_EQ(list().topLevelItemCount(), 0);
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_FALSE(window->scan().scanIdle());
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(window->helpPane(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, MainWindowSetupFailureTest,
    ::testing::Values(
        SetupFailureCase{SetupStatus::StartUpFailed, "Socket StartUp Error", "StartUp"},
        SetupFailureCase{SetupStatus::ScanSocketOpenFailed, "Socket Open Error", "ScanSocket"},
        SetupFailureCase{SetupStatus::BroadcastOptionFailed, "setsockopt: SOCKET_ERROR!\n",
                         "BroadcastOption"},
        SetupFailureCase{SetupStatus::ListenSocketOpenFailed, "Socket Open Error", "ListenSocket"}),
    [](const ::testing::TestParamInfo<SetupFailureCase>& param) {
        return std::string(param.param.name);
    });

TEST_F(MainWindowTest, TakenPortEndsTheProcessQuietly) {
    transport.openResult = SetupStatus::BindFailed;
    EXPECT_FALSE(window->OnInitDialog());
    EXPECT_EQ(exits, std::vector<int>{0});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(transport.broadcasts.empty());
}

} // namespace
} // namespace vantoro
