#include "ui/main/MainWindow.h"

#include "sim/Fleet.h"
#include "sim/SimulatedLan.h"
#include "tests/ui/main/Fakes.h"
#include "ui/controls/HelpPane.h"
#include "ui/main/AboutDialog.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace vantoro {
namespace {

using test::SimpleReply;
using testing::FakePlatform;
using testing::FakeTransport;
using testing::RecordingMessageBoxes;

// A main window over a fake network, with the helpers the tests drive it by.
struct Harness {
    FakeTransport transport;
    RecordingMessageBoxes messages;
    FakePlatform platform;
    std::vector<int> exits;
    MainWindow window{MainWindowServices{transport, messages, platform,
                                         [this](int status) { exits.push_back(status); }}};

    void Open() {
        ASSERT_TRUE(window.OnInitDialog());
        window.show();
    }
    QTreeWidget& list() const { return window.bridgeList(); }
    // Three bridges; the second one's reply ends before the IP address.
    void DeliverThreeBridges() {
        transport.Deliver(SimpleReply("00:11:22:33:44:01", "Lobby", "BX-100", "192.168.1.21"));
        transport.Deliver(test::ReplyOf({"Torva_MultiAp_mgnt", "1001", "ACK", "00:11:22:33:44:02",
                                         "Attic", "BX-200", "dhcp", ""}));
        transport.Deliver(SimpleReply("00:11:22:33:44:03", "Yard", "BX-100", "192.168.1.23"));
    }
    void FinishScan() {
        for (int tick = 0; tick <= DiscoveryScan::kLastTick && !window.scan().scanIdle(); ++tick) {
            window.scan().OnScanTick();
        }
        ASSERT_TRUE(window.scan().scanIdle());
    }
    QPoint RowPoint(int row, int column = 0) const {
        const QRect rect = list().visualItemRect(list().topLevelItem(row));
        return {list().header()->sectionViewportPosition(column) + 4, rect.center().y()};
    }
    void Click(const QPoint& pos, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(list().viewport(), button, modifiers, pos);
    }
    // The three bridge commands move together; anything else is a fault of its own.
    bool CommandsEnabled() const {
        const bool status = window.statusButton().isEnabled();
        EXPECT_EQ(window.connectionSettingsButton().isEnabled(), status);
        EXPECT_EQ(window.advancedSettingsButton().isEnabled(), status);
        return status;
    }
    QStringList RowTexts(int row) const {
        QStringList texts;
        for (int column = 0; column < kRowColumns; ++column) {
            texts << list().topLevelItem(row)->text(column);
        }
        return texts;
    }
    void ExpectOneMessage(const QString& text) const {
        ASSERT_EQ(messages.shown.size(), 1u);
        const MessageRequest& shown = messages.shown[0];
        EXPECT_EQ(QStringList({shown.text, shown.caption}), QStringList({text, "BRELLIX Vantoro"}));
        EXPECT_TRUE(shown.icon == QMessageBox::Information && shown.buttons == QMessageBox::Ok);
    }
};

class MainWindowTest : public ::testing::Test, public Harness {};

// Hands the next modal window or popup to check, then closes it; seen tells whether one came.
struct NextModal : QTimer {
    bool seen = false;
    explicit NextModal(std::function<void(QWidget&)> check) {
        connect(this, &QTimer::timeout, [this, check = std::move(check)] {
            QWidget* popup = QApplication::activePopupWidget();
            QWidget* widget = popup != nullptr ? popup : QApplication::activeModalWidget();
            if (widget != nullptr) {
                stop();
                seen = true;
                check(*widget);
                widget->close();
            }
        });
        start(0);
    }
};

TEST_F(MainWindowTest, ShowsTheTemplatesTextsAndNetworksRtfFromTheCurrentDirectory) {
    QTemporaryDir folder;
    QFile help(folder.filePath("Networks.rtf"));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.write("{\\rtf1\\ansi Bridges on your {\\b network}.}");
    help.close();
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    Open();
    QDir::setCurrent(previous);
    ASSERT_NE(window.helpPane(), nullptr);
    EXPECT_EQ(window.helpPane()->parentWidget(), &window.helpGroup());
    EXPECT_TRUE(window.helpPane()->isReadOnly());
    EXPECT_EQ(window.helpPane()->toPlainText().trimmed(), "Bridges on your network.");
    EXPECT_EQ(window.windowTitle(), "BRELLIX Vantoro");
    EXPECT_FALSE(window.logo().pixmap().isNull());
    EXPECT_FALSE(window.demoMarker().isVisible());
    EXPECT_EQ(window.helpGroup().title(), "Help");
    QStringList texts;
    for (const QPushButton* button :
         {&window.scanButton(), &window.statusButton(), &window.connectionSettingsButton(),
          &window.advancedSettingsButton(), &window.closeButton()}) {
        texts << button->text();
    }
    for (int column = 0; column < kRowColumns; ++column) {
        texts << list().headerItem()->text(column);
    }
    EXPECT_EQ(texts,
              QStringList({"Scan", "Status", "Connection Settings", "Advanced Settings", "Close",
                           "Device Name", "Brellix Model", "IP Address", "MAC Address"}));
    texts.clear();
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        texts << label->text();
    }
    EXPECT_TRUE(texts.contains("Version: 1.10") && texts.contains("Scan Progress:"));
    EXPECT_EQ(list().selectionMode(), QAbstractItemView::SingleSelection);
    // The selection stays visible when the list has no focus.
    EXPECT_EQ(list().palette().color(QPalette::Inactive, QPalette::Highlight),
              list().palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(MainWindowTest, LaysOutTidilyWithTheNormalAndALargeFont) {
    const QFont normal = QApplication::font();
    int lastWidth = 0;
    for (const double scale : {1.0, 2.0}) {
        QFont font = normal;
        font.setPointSizeF(normal.pointSizeF() * scale);
        QApplication::setFont(font);
        MainWindow sized(MainWindowServices{transport, messages, platform, [](int) {}});
        QApplication::setFont(normal);
        sized.show();
        QApplication::processEvents();
        // The four columns fit without a horizontal scroll bar and no button text is clipped.
        const QTreeWidget& sizedList = sized.bridgeList();
        EXPECT_LE(sizedList.header()->length(), sizedList.viewport()->width() + 1) << scale;
        for (const QPushButton* button : sized.findChildren<QPushButton*>()) {
            EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
        }
        EXPECT_GT(sizedList.height(), sized.helpGroup().height() / 2);
        EXPECT_GT(sized.width(), lastWidth);
        lastWidth = sized.width();
    }
}

TEST_F(MainWindowTest, InitialisationStartsTheFirstScanAndTheProgressBarFollowsIt) {
    Open();
    EXPECT_EQ(transport.openCalls, 1);
    EXPECT_EQ(transport.broadcasts, QByteArrayList{BuildDiscoveryRequest()});
    EXPECT_EQ(window.loginRequired(), 1);
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_TRUE(messages.shown.empty());
    std::vector<int> progress{window.progressBar().value()};
    for (int tick = 0; tick <= DiscoveryScan::kLastTick; ++tick) {
        window.scan().OnScanTick();
        progress.push_back(window.progressBar().value());
    }
    EXPECT_EQ(progress, (std::vector<int>{0, 100, 200, 300, 400, 500, 600, 0}));
    EXPECT_EQ(transport.broadcasts.size(), 3);
}

TEST_F(MainWindowTest, RepliesFillTheListInArrivalOrderARepeatKeepsItsRowAndReadErrorsPass) {
    Open();
    transport.FailReceive(); // reported for that datagram only
    ExpectOneMessage("Socket read error");
    DeliverThreeBridges();
    ASSERT_EQ(list().topLevelItemCount(), 3);
    EXPECT_EQ(RowTexts(0), QStringList({"Lobby", "BX-100", "192.168.1.21", "00:11:22:33:44:01"}));
    EXPECT_EQ(RowTexts(1), QStringList({"Attic", "BX-200", "", "00:11:22:33:44:02"}));
    EXPECT_EQ(RowTexts(2), QStringList({"Yard", "BX-100", "192.168.1.23", "00:11:22:33:44:03"}));
    for (int row = 0; row < 3; ++row) { // row index is record index
        EXPECT_EQ(window.table().records[size_t(row)].macAddress.ToQString(), RowTexts(row)[3]);
    }
    // The newest row has the focus mark; nothing is selected by the scan.
    EXPECT_EQ(list().currentIndex().row(), 2);
    EXPECT_EQ(window.selectionMark(), -1);

    window.scan().setReplyArrived(false);
    for (int copy = 0; copy < 2; ++copy) {
        transport.Deliver(SimpleReply("00:11:22:33:44:01", "Lobby-2", "BX-300", "10.0.0.5"));
    }
    ASSERT_EQ(list().topLevelItemCount(), 3);
    EXPECT_EQ(RowTexts(0), QStringList({"Lobby-2", "BX-300", "10.0.0.5", "00:11:22:33:44:01"}));
    EXPECT_TRUE(window.scan().replyArrived());
}

TEST_F(MainWindowTest, ScanDuringAScanChangesNothingAndARescanClearsTheRows) {
    Open();
    DeliverThreeBridges();
    window.scan().OnScanTick();
    const qsizetype sent = transport.broadcasts.size();
    QTest::mouseClick(&window.scanButton(), Qt::LeftButton);
    EXPECT_EQ(transport.broadcasts.size(), sent);
    EXPECT_EQ(list().topLevelItemCount(), 3);
    EXPECT_EQ(window.progressBar().value(), 100);

    FinishScan();
    Click(RowPoint(2));
    ASSERT_TRUE(CommandsEnabled());
    QTest::mouseClick(&window.scanButton(), Qt::LeftButton);
    EXPECT_EQ(transport.broadcasts.size(), 4);
    EXPECT_EQ(list().topLevelItemCount(), 0);
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_EQ(window.selectionMark(), -1);
    // The bridge that was third comes back first and takes record 0.
    transport.Deliver(SimpleReply("00:11:22:33:44:03", "Yard", "BX-100", "192.168.1.23"));
    EXPECT_EQ(RowTexts(0), QStringList({"Yard", "BX-100", "192.168.1.23", "00:11:22:33:44:03"}));
    EXPECT_EQ(window.table().records[0].macAddress, "00:11:22:33:44:03");
    EXPECT_FALSE(CommandsEnabled());
}

TEST_F(MainWindowTest, ClicksAndDoubleClicksEnableTheCommandsOnARowWithAnAddress) {
    Open();
    DeliverThreeBridges();
    EXPECT_FALSE(CommandsEnabled());
    // {row, column, double click, enabled}: any column counts; the second row has no address.
    const int steps[][4] = {
        {0, 0, 0, 1}, {1, 0, 0, 0}, {2, ColumnMacAddress, 0, 1}, {0, 0, 1, 1}, {1, 0, 1, 0}};
    for (const auto& [row, column, twice, enabled] : steps) {
        const QPoint pos = RowPoint(row, column);
        Click(pos);
        if (twice != 0) { // the rest of a double click, in the order Qt delivers it
            QMouseEvent second(QEvent::MouseButtonDblClick, pos,
                               list().viewport()->mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton,
                               Qt::NoModifier);
            QApplication::sendEvent(list().viewport(), &second);
            QTest::mouseRelease(list().viewport(), Qt::LeftButton, Qt::NoModifier, pos);
        }
        EXPECT_EQ(CommandsEnabled(), enabled != 0) << row;
        EXPECT_EQ(window.selectionMark(), row);
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(platform.browserTargets.empty());

    Click(RowPoint(0));
    Click({10, list().visualItemRect(list().topLevelItem(2)).bottom() + 10}); // below the rows
    EXPECT_FALSE(CommandsEnabled());
}

TEST_F(MainWindowTest, KeyboardScanEndAndRightClickLeaveTheCommandsAlone) {
    Open();
    DeliverThreeBridges();
    Click(RowPoint(0));
    ASSERT_TRUE(CommandsEnabled());
    QTest::keyClick(&list(), Qt::Key_Down); // onto the row without an address
    EXPECT_EQ(window.selectionMark(), 1);
    EXPECT_TRUE(CommandsEnabled());
    FinishScan();
    EXPECT_TRUE(CommandsEnabled());
    Click(RowPoint(1));
    ASSERT_FALSE(CommandsEnabled());
    QTest::keyClick(&list(), Qt::Key_Down); // onto a row with an address
    EXPECT_EQ(window.selectionMark(), 2);
    EXPECT_FALSE(CommandsEnabled());

    // A right click neither selects nor brings up a menu.
    const NextModal menu([](QWidget&) {});
    Click(RowPoint(0), Qt::RightButton);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, RowPoint(0),
                                list().viewport()->mapToGlobal(RowPoint(0)));
    QApplication::sendEvent(list().viewport(), &menuEvent);
    EXPECT_FALSE(menu.seen);
    EXPECT_EQ(window.selectionMark(), 2);
    EXPECT_FALSE(CommandsEnabled());
}

TEST_F(MainWindowTest, EnterDoesNothingEscapeHidesAndCloseEndsTheProcessWithStatusZero) {
    Open();
    FinishScan();
    QTest::keyClick(&list(), Qt::Key_Return);
    QTest::keyClick(&window, Qt::Key_Enter, Qt::KeypadModifier);
    window.accept();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(transport.broadcasts.size(), 3);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
    window.show();
    EXPECT_TRUE(window.close()); // the close box
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(exits.empty());
    window.show();
    QTest::mouseClick(&window.closeButton(), Qt::LeftButton);
    EXPECT_EQ(exits, std::vector<int>{0});
}

TEST_F(MainWindowTest, BridgeCommandsOpenNothingWithoutASelectedRow) {
    Open();
    DeliverThreeBridges();
    Click(RowPoint(0));
    // A control-click takes the selection away while the commands stay enabled.
    Click(RowPoint(0), Qt::LeftButton, Qt::ControlModifier);
    ASSERT_EQ(window.selectionMark(), -1);
    for (QPushButton* command : {&window.statusButton(), &window.connectionSettingsButton(),
                                 &window.advancedSettingsButton()}) {
        QTest::mouseClick(command, Qt::LeftButton);
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(transport.requests.empty());
}

TEST_F(MainWindowTest, LogoOpensTheMakersSite) {
    Open();
    QTest::mouseClick(&window.logo(), Qt::LeftButton);
    QTest::mouseClick(&window.logo(), Qt::RightButton);
    EXPECT_EQ(platform.browserTargets, std::vector<QString>{"http://www.brellix.example/"});
}

TEST_F(MainWindowTest, ContextMenuOffersTheAboutBoxWithNameAndVersion) {
    Open();
    QStringList entries;
    const NextModal popup([&](QWidget& menu) {
        for (const QAction* action : menu.actions()) {
            entries << action->text();
        }
    });
    const QPoint pos = window.helpGroup().geometry().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, window.mapToGlobal(pos));
    QApplication::sendEvent(&window, &event);
    EXPECT_TRUE(popup.seen);
    EXPECT_EQ(entries, QStringList{"&About Vantoro..."});

    std::unique_ptr<QMenu> menu = window.CreateContextMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    bool accepted = false;
    const NextModal about([&](QWidget& modal) {
        auto* dialog = qobject_cast<AboutDialog*>(&modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "About Vantoro");
        EXPECT_EQ(dialog->versionLine().text(), "Vantoro Version 1.10");
        EXPECT_FALSE(dialog->descriptionLine().text().isEmpty());
        QTest::mouseClick(&dialog->okButton(), Qt::LeftButton);
        accepted = !dialog->isVisible() && dialog->result() == QDialog::Accepted;
    });
    menu->actions().front()->trigger();
    EXPECT_TRUE(about.seen);
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(window.isVisible());
}

TEST(MainWindowSetupFailureTest, EachStepShowsItsTextOnceAndTheWindowNeverScans) {
    const std::pair<SetupStatus, QString> failures[] = {
        {SetupStatus::StartUpFailed, "Socket StartUp Error"},
        {SetupStatus::ScanSocketOpenFailed, "Socket Open Error"},
        {SetupStatus::BroadcastOptionFailed, "setsockopt: SOCKET_ERROR!\n"},
        {SetupStatus::ListenSocketOpenFailed, "Socket Open Error"}};
    for (const auto& [status, text] : failures) {
        SCOPED_TRACE(int(status));
        Harness h;
        h.transport.openResult = status;
        h.Open();
        h.ExpectOneMessage(text);
        EXPECT_TRUE(h.window.isVisible());
        EXPECT_TRUE(h.exits.empty());
        // No scan now or later, no rows, and no bridge command to reach the table with.
        QTest::mouseClick(&h.window.scanButton(), Qt::LeftButton);
        h.transport.Deliver(SimpleReply("00:11:22:33:44:01"));
        EXPECT_TRUE(h.transport.broadcasts.empty());
        EXPECT_EQ(h.list().topLevelItemCount(), 0);
        EXPECT_FALSE(h.CommandsEnabled());
        EXPECT_FALSE(h.window.scan().scanIdle());
        EXPECT_EQ(h.messages.shown.size(), 1u);
        EXPECT_EQ(h.window.helpPane(), nullptr);
    }
}

TEST(DemoLanTest, ScanListsEveryDemoBridgeOnce) {
    sim::SimulatedLan lan{sim::DemoFleet(), sim::SimOptions{}, sim::ClockMode::Manual};
    RecordingMessageBoxes messages;
    FakePlatform platform;
    MainWindow window{MainWindowServices{lan, messages, platform, [](int) {}}};
    window.SetDemoMode(true);
    ASSERT_TRUE(window.OnInitDialog());
    window.show();
    for (int tick = 0; tick <= DiscoveryScan::kLastTick; ++tick) {
        lan.Advance(DiscoveryScan::kTickMs);
        window.scan().OnScanTick();
    }
    lan.Advance(1000);
    std::set<QString> listed, fleet;
    for (int row = 0; row < window.bridgeList().topLevelItemCount(); ++row) {
        listed.insert(window.bridgeList().topLevelItem(row)->text(ColumnMacAddress));
    }
    for (const sim::SimBridgeState& bridge : lan.Bridges()) {
        fleet.insert(QString::fromLatin1(bridge.macAddress));
    }
    EXPECT_EQ(window.bridgeList().topLevelItemCount(), int(lan.Bridges().size()));
    EXPECT_EQ(listed, fleet);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(window.demoMarker().isVisible());
}

} // namespace
} // namespace vantoro
