#include "ui/main/MainWindow.h"

#include "config/Csv.h"
#include "config/Strings.h"
#include "tests/support/Controls.h"
#include "tests/support/CurrentDirectory.h"
#include "tests/support/Files.h"
#include "tests/support/ModalScript.h"
#include "tests/ui/main/Fakes.h"
#include "ui/config/AdHocDialog.h"
#include "ui/config/ConnectionSettingsDialog.h"
#include "ui/config/IpSettingDialog.h"
#include "ui/config/LoginDialog.h"
#include "ui/controls/HelpPane.h"
#include "ui/main/AboutDialog.h"
#include "ui/status/BridgeStatusDialog.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

using test::SimpleReply;
using testing::FakePlatform;
using testing::FakeTransport;
using testing::RecordingMessageBoxes;

// Hands the next modal window or popup to check, then closes it; seen tells whether one came.
struct NextModal : QTimer {
    bool seen = false;
    explicit NextModal(std::function<void(QWidget&)> check) {
        connect(this, &QTimer::timeout, [this, check = std::move(check)] {
            QWidget* widget = QApplication::activePopupWidget();
            widget = widget != nullptr ? widget : QApplication::activeModalWidget();
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

// Answers every message box while letting the network deliver more, as a real box's event loop
// would.
class DeliveringMessageBoxes : public RecordingMessageBoxes {
public:
    std::function<void()> duringBox;

protected:
    QMessageBox::StandardButton Present(QWidget* parent, const MessageRequest& request) override {
        if (duringBox) {
            duringBox();
        }
        return RecordingMessageBoxes::Present(parent, request);
    }
};

// A main window over a fake network, with the helpers the tests drive it by.
struct Harness {
    FakeTransport transport;
    DeliveringMessageBoxes messages;
    FakePlatform platform;
    std::vector<int> exits;
    MainWindow window;

    explicit Harness(const QString& settingsFile = {})
        : window(MainWindowServices{transport, messages, platform,
                                    [this](int status) { exits.push_back(status); }}) {
        window.setSettingsFile(settingsFile);
    }

    void Open() {
        ASSERT_TRUE(window.OnInitDialog());
        window.show();
    }
    QTreeView& list() const { return test::Child<QTreeView>(window, "bridgeList"); }
    int RowCount() const { return list().model()->rowCount(); }
    QString Cell(int row, int column) const {
        return list().model()->index(row, column).data().toString();
    }
    // Three bridges; the second one's reply ends before the IP address.
    void DeliverThreeBridges() {
        transport.Deliver(SimpleReply("00:11:22:33:44:01", "Lobby", "BX-100", "192.168.1.21"));
        transport.Deliver(test::ReplyOf({"Torva_MultiAp_mgnt", "1001", "ACK", "00:11:22:33:44:02",
                                         "Attic", "BX-200", "dhcp", ""}));
        transport.Deliver(SimpleReply("00:11:22:33:44:03", "Yard", "BX-100", "192.168.1.23"));
    }
    // Three bridges whose orders differ by column, and from what a case-sensitive order or an
    // order of the address texts would give. In arrival order their identifiers end 2, 3, 1.
    void DeliverSortable() {
        transport.Deliver(SimpleReply("00:11:22:33:44:02", "beta", "BX-200", "192.168.1.10"));
        transport.Deliver(SimpleReply("00:11:22:33:44:03", "Alpha", "bx-100", "192.168.1.9"));
        transport.Deliver(SimpleReply("00:11:22:33:44:01", "Zeta", "BX-300", "10.0.0.20"));
    }
    QString Order() const { // the last character of each row's identifier, top down
        QString order;
        for (int row = 0; row < RowCount(); ++row) {
            order += Cell(row, ColumnMacAddress).right(1);
        }
        return order;
    }
    void ClickHeader(int column) {
        QHeaderView& header = *list().header();
        QTest::mouseClick(header.viewport(), Qt::LeftButton, Qt::NoModifier,
                          {header.sectionViewportPosition(column) + 4, header.height() / 2});
    }
    // The column menu of the header, as a right click on it brings it up.
    void WithColumnMenu(const std::function<void(QMenu&)>& use) {
        const NextModal menu([&](QWidget& popup) { use(static_cast<QMenu&>(popup)); });
        QHeaderView& header = *list().header();
        QTest::mouseClick(header.viewport(), Qt::RightButton, Qt::NoModifier, {4, 4});
        QContextMenuEvent event(QContextMenuEvent::Mouse, {4, 4}, header.mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(header.viewport(), &event);
        EXPECT_TRUE(menu.seen);
    }
    void ToggleColumn(const QString& name) {
        WithColumnMenu([&](QMenu& menu) {
            for (QAction* action : menu.actions()) {
                if (action->text() == name) {
                    action->trigger();
                }
            }
        });
    }
    // Ticks the scan to its end; returns the progress bar's value before and after each tick.
    std::vector<int> FinishScan() {
        std::vector<int> progress{test::Child<QProgressBar>(window, "scanProgress").value()};
        for (int tick = 0; tick <= DiscoveryScan::kLastTick && !window.scan().scanIdle(); ++tick) {
            window.OnScanTick();
            progress.push_back(test::Child<QProgressBar>(window, "scanProgress").value());
        }
        EXPECT_TRUE(window.scan().scanIdle());
        return progress;
    }
    QPoint RowPoint(int row, int column = 0) const {
        const QRect rect = list().visualRect(list().model()->index(row, column));
        return {rect.left() + 4, rect.center().y()};
    }
    void Click(const QPoint& pos, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(list().viewport(), button, modifiers, pos);
    }
    // The three bridge commands move together; anything else is a fault of its own.
    bool CommandsEnabled() const {
        const bool status = test::Child<QPushButton>(window, "statusButton").isEnabled();
        EXPECT_EQ(test::Child<QPushButton>(window, "connectionSettingsButton").isEnabled(), status);
        EXPECT_EQ(test::Child<QPushButton>(window, "advancedSettingsButton").isEnabled(), status);
        return status;
    }
    QStringList Rows() const { // each row's column texts joined by '|'
        QStringList rows;
        for (int row = 0; row < RowCount(); ++row) {
            rows << QStringList{Cell(row, 0), Cell(row, 1), Cell(row, 2), Cell(row, 3)}.join('|');
        }
        return rows;
    }
};

class MainWindowTest : public ::testing::Test, public Harness {};

TEST_F(MainWindowTest, ShowsNetworksRtfInTheHelpGroupAndGrowsTheListMostWithTheWindow) {
    {
        const test::CurrentDirectory help(test::HelpFolder());
        Open();
    }
    const QWidget& help = test::Child<QGroupBox>(window, "helpGroup");
    const HelpPane* pane = window.findChild<HelpPane*>();
    ASSERT_TRUE(pane != nullptr && pane->parentWidget() == &help);
    EXPECT_TRUE(pane->toPlainText().startsWith("Networks\n"));
    const QSize start = window.size();
    EXPECT_EQ(window.minimumSize(), start);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    const QSize listStart = list().size();
    const int helpStart = help.height();
    for (const QSize grow : {QSize(300, 400), QSize(600, 1200)}) {
        window.resize(start + grow);
        EXPECT_EQ(list().width() - listStart.width(), grow.width());
        const int listGrew = list().height() - listStart.height();
        EXPECT_GT(listGrew, 2 * (help.height() - helpStart)) << grow.height();
        EXPECT_GT(help.geometry().bottom(), list().geometry().bottom());
        const QPushButton& close = test::Child<QPushButton>(window, "closeButton");
        for (const char* name :
             {"scanButton", "statusButton", "connectionSettingsButton", "advancedSettingsButton"}) {
            EXPECT_EQ(test::Child<QPushButton>(window, name).y(), close.y()) << name;
        }
        EXPECT_GT(close.geometry().bottom(), window.height() - 2 * close.height());
        EXPECT_GT(close.geometry().right(), window.width() - close.width() / 2);
    }
    EXPECT_GT(help.height(), helpStart); // the help pane gets its share in the end
    EXPECT_EQ(window.windowTitle(), "BRELLIX Vantoro");
    EXPECT_FALSE(test::Child<QLabel>(window, "makerLogo").pixmap().isNull());
    EXPECT_FALSE(test::Child<QLabel>(window, "demoMarker").isVisible());
    window.setDemoMode(true);
    EXPECT_TRUE(test::Child<QLabel>(window, "demoMarker").isVisible());
    EXPECT_EQ(list().selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(MainWindowTest, ScanFillsTheListWhereOnlyAClickOnARowWithAnAddressEnablesTheCommands) {
    Open();
    EXPECT_EQ(transport.openCalls, 1);
    EXPECT_EQ(transport.broadcasts, QByteArrayList{BuildDiscoveryRequest()});
    EXPECT_FALSE(CommandsEnabled());
    DeliverThreeBridges();
    EXPECT_EQ(Rows(), QStringList({"Lobby|BX-100|192.168.1.21|00:11:22:33:44:01",
                                   "Attic|BX-200||00:11:22:33:44:02",
                                   "Yard|BX-100|192.168.1.23|00:11:22:33:44:03"}));
    EXPECT_EQ(window.selectionMark(), -1); // nothing is selected by the scan

    // {row, column, double click, enabled}: any column counts; the second row has no address.
    const int steps[][4] = {
        {0, 0, 0, 1}, {1, 0, 0, 0}, {2, ColumnMacAddress, 0, 1}, {0, 0, 1, 1}, {1, 0, 1, 0}};
    for (const auto& [row, column, twice, enabled] : steps) {
        const QPoint pos = RowPoint(row, column);
        Click(pos);
        if (twice != 0) { // the rest of a double click, in the order Qt delivers it
            QTest::mouseDClick(list().viewport(), Qt::LeftButton, Qt::NoModifier, pos);
            QTest::mouseRelease(list().viewport(), Qt::LeftButton, Qt::NoModifier, pos);
        }
        EXPECT_EQ(CommandsEnabled(), enabled != 0) << row;
        EXPECT_EQ(window.selectionMark(), row);
    }
    Click(RowPoint(0));
    Click({10, list().visualRect(list().model()->index(2, 0)).bottom() + 10}); // below the rows
    EXPECT_FALSE(CommandsEnabled());
    // Double clicks opened nothing. A control-click takes the selection away while the commands
    // stay enabled: they open nothing.
    Click(RowPoint(0));
    Click(RowPoint(0), Qt::LeftButton, Qt::ControlModifier);
    ASSERT_EQ(window.selectionMark(), -1);
    for (const char* command :
         {"statusButton", "connectionSettingsButton", "advancedSettingsButton"}) {
        test::Click(window, command);
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(messages.shown.empty() && transport.requests.empty());
    EXPECT_TRUE(platform.browserTargets.empty());

    // The keyboard, the scan's end and a right click leave the commands alone.
    Click(RowPoint(0));
    QTest::keyClick(&list(), Qt::Key_Down); // onto the row without an address
    EXPECT_EQ(window.selectionMark(), 1);
    EXPECT_TRUE(CommandsEnabled());
    EXPECT_EQ(FinishScan(), (std::vector<int>{0, 100, 200, 300, 400, 500, 600, 0}));
    EXPECT_TRUE(CommandsEnabled());
    Click(RowPoint(1));
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

    // A rescan empties the list and the selection.
    Click(RowPoint(2));
    ASSERT_TRUE(CommandsEnabled());
    test::Click(window, "scanButton");
    EXPECT_EQ(transport.broadcasts.size(), 4);
    EXPECT_EQ(RowCount(), 0);
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_EQ(window.selectionMark(), -1);
    // The bridge that was third comes back first.
    transport.Deliver(SimpleReply("00:11:22:33:44:03", "Yard", "BX-100", "192.168.1.23"));
    EXPECT_EQ(Rows(), QStringList{"Yard|BX-100|192.168.1.23|00:11:22:33:44:03"});
    EXPECT_FALSE(CommandsEnabled());
}

TEST_F(MainWindowTest, LogoSiteMenuAboutBoxThenEnterDoesNothingEscapeHidesAndCloseEndsWithZero) {
    Open();
    QTest::mouseClick(&test::Child<QLabel>(window, "makerLogo"), Qt::LeftButton);
    QTest::mouseClick(&test::Child<QLabel>(window, "makerLogo"), Qt::RightButton);
    EXPECT_EQ(platform.browserTargets, std::vector<QString>{"http://www.brellix.example/"});

    QStringList entries;
    const NextModal popup([&](QWidget& menu) {
        for (const QAction* action : menu.actions()) {
            entries << action->text();
        }
    });
    const QPoint pos = test::Child<QGroupBox>(window, "helpGroup").geometry().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, window.mapToGlobal(pos));
    QApplication::sendEvent(&window, &event);
    EXPECT_TRUE(popup.seen);
    EXPECT_EQ(entries, QStringList({"&About Vantoro...", "Export List..."}));

    bool accepted = false;
    const NextModal about([&](QWidget& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "About Vantoro");
        EXPECT_EQ(test::Child<QLabel>(dialog, "versionLabel").text(), "Vantoro Version 1.10");
        test::Click(dialog, "okButton");
        accepted =
            !dialog.isVisible() && static_cast<QDialog&>(dialog).result() == QDialog::Accepted;
    });
    window.CreateContextMenu()->actions().front()->trigger();
    EXPECT_TRUE(about.seen && accepted);

    FinishScan();
    QTest::keyClick(&list(), Qt::Key_Return);
    QTest::keyClick(&window, Qt::Key_Enter, Qt::KeypadModifier);
    window.accept();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(transport.broadcasts.size(), 3);
    // Enter on a focused button presses that button.
    test::Child<QPushButton>(window, "scanButton").setFocus();
    QTest::keyClick(&test::Child<QPushButton>(window, "scanButton"), Qt::Key_Return);
    EXPECT_EQ(transport.broadcasts.size(), 4);
    FinishScan();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
    window.show();
    EXPECT_TRUE(window.close()); // the close box hides the window but does not end the process
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(exits.empty());
    window.show();
    test::Click(window, "closeButton");
    EXPECT_EQ(exits, std::vector<int>{0});
}

TEST_F(MainWindowTest, StatusAndAdvancedSettingsActOnTheClickedRow) {
    Open();
    DeliverThreeBridges(); // Lobby .21 and Yard .23, both in 192.168.1.0/24 like the PC
    // The third bridge answers again, now through another interface: its requests go there.
    const InterfaceId second{7, QStringLiteral("eth1")};
    transport.Deliver(SimpleReply("00:11:22:33:44:03", "Yard", "BX-100", "192.168.1.23"), second);
    FinishScan();
    Click(RowPoint(2));
    test::Click(window, "advancedSettingsButton");
    EXPECT_EQ(platform.browserTargets, std::vector<QString>{"http://192.168.1.23/"});
    EXPECT_TRUE(messages.shown.empty());

    QString shownMac;
    QString title;
    test::ModalScript script(
        {[&](QWidget& dialog) {
             shownMac = dialog.findChild<QLabel*>("macAddressValue")->text();
             EXPECT_TRUE(transport.requests.isEmpty());
             test::Click(dialog, "refreshButton");
             // The answer comes through the window's receive path while the dialog is open.
             transport.Deliver(SimpleReply("00:11:22:33:44:03", "Yard-renamed", "BX-100"));
             static_cast<BridgeStatusDialog&>(dialog).OnRefreshTick();
             EXPECT_EQ(dialog.findChild<QLabel*>("bridgeNameValue")->text(), "Yard-renamed");
             test::Click(dialog, "closeButton");
         },
         [&](QWidget& dialog) {
             title = dialog.windowTitle();
             test::Click(dialog, "cancelButton");
         }});
    test::Click(window, "statusButton");
    EXPECT_EQ(script.handled(), 1u);
    EXPECT_EQ(shownMac, "00:11:22:33:44:03");
    EXPECT_EQ(transport.requests, QByteArrayList{BuildStatusRequest("00:11:22:33:44:03")});
    EXPECT_EQ(transport.requestRoutes, std::vector<InterfaceId>{second});
    EXPECT_EQ(Rows()[2], "Yard-renamed|BX-100|192.168.1.20|00:11:22:33:44:03");

    // Another subnet: the offer; No ends it.
    transport.Deliver(SimpleReply("00:11:22:33:44:03", "Yard", "BX-100", "10.20.30.40"));
    messages.answers = {QMessageBox::No};
    test::Click(window, "advancedSettingsButton");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, TableString(kStringNotInSubnet));
    EXPECT_EQ(messages.shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(platform.browserTargets.size(), 1u);

    // Yes opens the IP setting dialog on the selected bridge, once.
    messages.answers = {QMessageBox::Yes};
    test::Click(window, "advancedSettingsButton");
    EXPECT_EQ(script.handled(), 2u);
    EXPECT_EQ(title, "IP Setting");
    EXPECT_EQ(transport.requests.size(), 1);

    // An adapter list that cannot be read leads to the offer; one that overflowed to nothing.
    messages.shown.clear();
    platform.adapters.list = AdapterList{AdapterListState::Unreadable, {}};
    test::Click(window, "advancedSettingsButton");
    EXPECT_EQ(messages.shown.size(), 1u);
    platform.adapters.list = AdapterList{AdapterListState::Overflow, {}};
    test::Click(window, "advancedSettingsButton");
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(platform.browserTargets.size(), 1u);
}

TEST(MainWindowScrollTest, NewRowsTakeTheFocusMarkWithoutMovingTheViewOrTheSelection) {
    for (const bool sorted : {false, true}) {
        SCOPED_TRACE(sorted);
        Harness h;
        h.Open();
        if (sorted) { // descending: the later rows go in among the first
            h.ClickHeader(ColumnMacAddress);
            h.ClickHeader(ColumnMacAddress);
        }
        const auto deliver = [&h](int from, int to) {
            for (int i = from; i < to; ++i) {
                h.transport.Deliver(SimpleReply(QByteArray("MAC-") + QByteArray::number(i)));
            }
            h.list().doItemsLayout(); // as the event loop would after the burst
        };
        deliver(0, 40);
        QScrollBar& scrollBar = *h.list().verticalScrollBar();
        ASSERT_GT(scrollBar.maximum(), 0) << "more rows than fit";
        EXPECT_EQ(scrollBar.value(), 0);
        EXPECT_EQ(h.Cell(h.list().currentIndex().row(), ColumnMacAddress), "MAC-39");
        h.Click(h.RowPoint(1));
        const int selected = h.window.selectionMark();
        ASSERT_GE(selected, 0);

        scrollBar.setValue(3);
        deliver(40, 60);
        EXPECT_EQ(scrollBar.value(), 3);
        EXPECT_EQ(h.Cell(h.list().currentIndex().row(), ColumnMacAddress), "MAC-59");
        EXPECT_EQ(h.window.selectionMark(), selected);
    }
}

TEST_F(MainWindowTest, AReadErrorWaitsForTheDatagramsDeliveredWithIt) {
    ASSERT_TRUE(window.OnInitDialog());
    messages.duringBox = [&] { transport.Deliver(SimpleReply("LATER")); };
    // One batch: an error, then a reply; the box must not let a later reply overtake it.
    transport.FailReceive();
    transport.Deliver(SimpleReply("FIRST"));
    EXPECT_TRUE(messages.shown.empty());
    QCoreApplication::sendPostedEvents(&window);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Socket read error");
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Cell(0, ColumnMacAddress) + Cell(1, ColumnMacAddress), "FIRSTLATER");
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
        EXPECT_TRUE(h.window.isVisible() && h.exits.empty());
        // No scan now or later, no rows, and no bridge command to reach the table with.
        test::Click(h.window, "scanButton");
        h.transport.Deliver(SimpleReply("00:11:22:33:44:01"));
        ASSERT_EQ(h.messages.shown.size(), 1u);
        const MessageRequest& shown = h.messages.shown[0];
        EXPECT_EQ(QStringList({shown.text, shown.caption}), QStringList({text, "BRELLIX Vantoro"}));
        EXPECT_TRUE(shown.icon == QMessageBox::Information && shown.buttons == QMessageBox::Ok);
        EXPECT_TRUE(h.transport.broadcasts.empty() && h.Rows().isEmpty());
        EXPECT_FALSE(h.CommandsEnabled());
        EXPECT_FALSE(h.window.scan().scanIdle());
        EXPECT_EQ(h.window.findChild<HelpPane*>(), nullptr);
    }
}

TEST_F(MainWindowTest, HeaderClicksCycleTheSortWhichNewRowsTheCommandsAndTheExportFollow) {
    Open();
    DeliverSortable();
    const std::pair<int, QString> ascending[] = {
        {ColumnDeviceName, "321"}, {ColumnIpAddress, "132"}, {ColumnMacAddress, "123"}};
    for (const auto& [column, order] : ascending) {
        ClickHeader(column);
        EXPECT_EQ(Order(), order) << column;
        ClickHeader(column);
        QString reversed = order;
        std::reverse(reversed.begin(), reversed.end());
        EXPECT_EQ(Order(), reversed) << column;
        ClickHeader(column);
        EXPECT_EQ(Order(), "231") << column;
        EXPECT_EQ(list().header()->sortIndicatorSection(), -1);
    }

    // During a sort new rows take their place and the commands act on the bridge clicked.
    ClickHeader(ColumnDeviceName);
    ClickHeader(ColumnIpAddress); // another column starts ascending
    ASSERT_EQ(Order(), "132");
    Click(RowPoint(1));
    ASSERT_EQ(window.selectionMark(), 1); // the bridge ending in 3 holds record 1
    transport.Deliver(SimpleReply("00:11:22:33:44:04", "Delta", "BX-100", "172.16.0.1"));
    EXPECT_EQ(Order(), "1432");
    // A reply that moves the selected bridge in the order takes the selection along.
    transport.Deliver(SimpleReply("00:11:22:33:44:03", "Alpha", "bx-100", "1.1.1.1"));
    EXPECT_EQ(Order(), "3142");
    EXPECT_EQ(window.selectionMark(), 1);

    QString shownMac;
    test::ModalScript script({[&](QWidget& dialog) {
        shownMac = dialog.findChild<QLabel*>("macAddressValue")->text();
        test::Click(dialog, "closeButton");
    }});
    Click(RowPoint(2)); // the bridge ending in 4, record 3
    test::Click(window, "statusButton");
    EXPECT_EQ(shownMac, "00:11:22:33:44:04");

    // The export writes the listed rows in their order, without secrets.
    QTemporaryDir dir;
    ASSERT_TRUE(window.ExportListTo(dir.filePath("list.csv")));
    QFile file(dir.filePath("list.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::optional<QList<QStringList>> records = ReadCsv(file.readAll(), nullptr);
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(records->size(), 5);
    EXPECT_EQ(records->front(), BridgeCsvHeader(false));
    const qsizetype mac = records->front().indexOf("macAddress");
    QString order;
    for (qsizetype row = 1; row < records->size(); ++row) {
        order += records->at(row).at(mac).right(1);
    }
    EXPECT_EQ(order, "3142");

    EXPECT_FALSE(window.ExportListTo(dir.filePath("no such folder/list.csv")));
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(MainWindowTest, TheHeaderMenuShowsMoreColumnsWhichTheFilterAndCopyThenUse) {
    Open();
    DeliverThreeBridges();
    const InterfaceId second{7, QStringLiteral("eth1")};
    QByteArrayList fields =
        SimpleReply("00:11:22:33:44:04", "<b>Bold</b>\tname", "<img src=/dev/zero>", "10.1.1.1")
            .split('\r');
    fields[6] = "dhcp";
    fields[21] = "<i>net</i>";
    fields[28] = "2.0";
    transport.Deliver(fields.join('\r'), second);
    for (const char* column :
         {"Version", "IP Source", "Network Name", "Interface", "Brellix Model"}) {
        ToggleColumn(column);
    }
    QStringList extra;
    for (const int row : {0, 3}) {
        for (int column = ColumnMacAddress + 1; column < 8; ++column) {
            extra << Cell(row, column);
        }
    }
    EXPECT_EQ(extra,
              QStringList({"1.2.3", "Fixed", "office", "", "2.0", "DHCP", "<i>net</i>", "eth1"}));

    // Typing in the list opens the filter.
    Click(RowPoint(3));
    QTest::keyClicks(&list(), "NET");
    QLineEdit& filter = test::Child<QLineEdit>(window, "filterEdit");
    EXPECT_TRUE(filter.isVisible() && window.focusWidget() == &filter);
    EXPECT_EQ(filter.text(), "NET");
    EXPECT_EQ(test::Child<QLabel>(window, "filterCount").text(), "1 of 4 bridges");
    // Shown literally, and the selection survives a filter that keeps its row.
    EXPECT_EQ(Cell(0, ColumnDeviceName), "<b>Bold</b>\tname");
    EXPECT_EQ(window.selectionMark(), 3);
    QTest::keyClick(&list(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "<b>Bold</b> name\t10.1.1.1\t00:11:22:33:44:04\t2.0\tDHCP\t<i>net</i>\teth1");
    transport.Deliver(SimpleReply("00:11:22:33:44:05", "Net-5"));
    EXPECT_EQ(test::Child<QLabel>(window, "filterCount").text(), "2 of 5 bridges");
    filter.clear(); // only shown columns count: the models are hidden
    QTest::keyClicks(&filter, "BX-");
    EXPECT_EQ(test::Child<QLabel>(window, "filterCount").text(), "0 of 5 bridges");

    // Escape ends the filter, not the window; Ctrl+F brings it back.
    QTest::keyClick(&filter, Qt::Key_Escape);
    EXPECT_FALSE(filter.isVisible());
    EXPECT_TRUE(filter.text().isEmpty() && window.isVisible());
    QTest::keyClick(&list(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(filter.isVisible());
    EXPECT_EQ(test::Child<QLabel>(window, "filterCount").text(), "5 of 5 bridges");

    // The last shown column cannot be hidden; the keyboard reaches the same menu.
    for (const char* column :
         {"Device Name", "IP Address", "MAC Address", "Version", "IP Source", "Network Name"}) {
        ToggleColumn(column);
    }
    QStringList enabled;
    const NextModal menu([&](QWidget& popup) {
        for (const QAction* action : popup.actions()) {
            enabled << QString::number(int(action->isEnabled()));
        }
    });
    QContextMenuEvent key(QContextMenuEvent::Keyboard, {0, 0}, list().mapToGlobal(QPoint()));
    QApplication::sendEvent(&list(), &key);
    EXPECT_EQ(enabled.join(""), "111111101");
}

TEST(MainWindowSettingsTest, SizeColumnsAndSortAreKeptAndAFileThatIsNotOursIsIgnored) {
    QTemporaryDir dir;
    const QString file = dir.filePath("vantoro.ini");
    QSize templateSize;
    QSize size;
    {
        Harness first(file);
        first.Open();
        templateSize = first.window.size();
        first.window.resize(templateSize + QSize(120, 80));
        first.list().setColumnWidth(ColumnDeviceName, 200);
        first.ToggleColumn("Version");
        first.ToggleColumn("Brellix Model");
        first.ClickHeader(ColumnIpAddress);
        first.ClickHeader(ColumnIpAddress);
        size = first.window.size();
        QTest::keyClick(&first.window, Qt::Key_Escape); // the window ends and keeps its state
    }
    Harness second(file);
    second.Open();
    EXPECT_EQ(second.window.size(), size);
    EXPECT_EQ(second.list().columnWidth(ColumnDeviceName), 200);
    QString hidden; // one mark per column, h for hidden
    for (int column = 0; column < 8; ++column) {
        hidden += second.list().isColumnHidden(column) ? u'h' : u'-';
    }
    EXPECT_EQ(hidden, "-h---hhh");
    EXPECT_EQ(second.list().header()->sortIndicatorSection(), int(ColumnIpAddress));
    EXPECT_EQ(second.list().header()->sortIndicatorOrder(), Qt::DescendingOrder);

    const QByteArray notOurs[] = {
        QByteArray("\xff\xfe[MainWindow\nformat=1\ncolumnWidths=5, 5, 5, 5, 5, 5, 5, 5\n[[["),
        "[MainWindow]\nformat=1\ngeometry=junk\ncolumnWidths=a, b\n"
        "hiddenColumns=0, 1, 2, 3, 4, 5, 6, 7\nsortColumn=99\n"};
    for (const QByteArray& text : notOurs) {
        Harness h(test::WriteFile(file, text));
        h.Open();
        EXPECT_EQ(h.window.size(), templateSize) << text.toStdString();
        EXPECT_EQ(h.list().columnWidth(ColumnDeviceName), Harness().list().columnWidth(0));
        EXPECT_FALSE(h.list().isColumnHidden(ColumnDeviceName));
        EXPECT_TRUE(h.list().isColumnHidden(4));
        EXPECT_EQ(h.list().header()->sortIndicatorSection(), -1);
        QTest::keyClick(&h.window, Qt::Key_Escape); // written afresh
        EXPECT_EQ(QSettings(file, QSettings::IniFormat).value("MainWindow/format"), 1);
    }
}

// Every control of a window, and the list's column headers, carry a name that a screen reader
// can say; the cells of the list are its data and may be empty.
void CollectUnnamed(QAccessibleInterface* node, const QString& path, QStringList& unnamed) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (child == nullptr || child->state().invisible) {
            continue;
        }
        const QAccessible::Role role = child->role();
        const QString where =
            path + "/" +
            (child->object() != nullptr
                 ? child->object()->objectName() + ":" + child->object()->metaObject()->className()
                 : QString());
        static const QAccessible::Role named[] = {
            QAccessible::PushButton,   QAccessible::CheckBox,     QAccessible::RadioButton,
            QAccessible::ComboBox,     QAccessible::EditableText, QAccessible::SpinBox,
            QAccessible::ProgressBar,  QAccessible::List,         QAccessible::Table,
            QAccessible::Tree,         QAccessible::StaticText,   QAccessible::Graphic,
            QAccessible::ColumnHeader, QAccessible::PageTab};
        if (std::find(std::begin(named), std::end(named), role) != std::end(named) &&
            child->text(QAccessible::Name).trimmed().isEmpty()) {
            unnamed << where + QString(" (role %1)").arg(int(role));
        }
        if (role != QAccessible::Cell && role != QAccessible::Row &&
            role != QAccessible::TreeItem) {
            CollectUnnamed(child, where, unnamed);
        }
    }
}

TEST_F(MainWindowTest, EveryControlOfTheWindowAndItsDialogsHasAnAccessibleName) {
    Open();
    DeliverThreeBridges();
    Click(RowPoint(0));
    window.OpenFilter();
    Bridge adHocWork;
    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.push_back(std::make_unique<AboutDialog>(&window));
    dialogs.push_back(std::make_unique<BridgeStatusDialog>(window.dialogContext(), &window));
    dialogs.push_back(std::make_unique<LoginDialog>(window.dialogContext(), &window));
    dialogs.push_back(std::make_unique<IpSettingDialog>(window.dialogContext(), &window));
    dialogs.push_back(std::make_unique<ConnectionSettingsDialog>(window.dialogContext(), &window));
    dialogs.push_back(std::make_unique<AdHocDialog>(window.dialogContext(), &adHocWork, &window));
    QStringList unnamed;
    CollectUnnamed(QAccessible::queryAccessibleInterface(&window), "main", unnamed);
    for (const auto& dialog : dialogs) {
        dialog->show();
        CollectUnnamed(QAccessible::queryAccessibleInterface(dialog.get()),
                       dialog->metaObject()->className(), unnamed);
        dialog->hide();
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join("\n").toStdString();
}

TEST_F(MainWindowTest, AFullListSaysBesideItHowManyBridgesWereNotListed) {
    Open();
    for (int i = 0; i < kBridgeTableSize + 2; ++i) {
        transport.Deliver(SimpleReply("MAC-" + QByteArray::number(i)));
    }
    transport.Deliver(SimpleReply("MAC-501")); // the same bridge again counts once
    EXPECT_EQ(RowCount(), kBridgeTableSize);
    const QLabel& notice = test::Child<QLabel>(window, "unlistedNotice");
    EXPECT_TRUE(notice.isVisible());
    EXPECT_EQ(notice.text(), "The list is full: 2 more bridges answered and are not listed.");
    EXPECT_TRUE(messages.shown.empty());
    FinishScan();
    window.StartScan();
    EXPECT_FALSE(notice.isVisible());
}

} // namespace
} // namespace vantoro
