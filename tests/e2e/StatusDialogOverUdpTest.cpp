// The status dialog's Refresh end to end over real UDP, in a headless window. The outer test
// makes the namespaces, starts the simulator in one and this test program in the other, where the
// inner test drives the window; the inner test skips everywhere else, so it never opens a socket
// on this machine's own interfaces.

#include "protocol/UdpTransport.h"
#include "tests/e2e/OverUdpFixture.h"
#include "tests/support/Controls.h"
#include "tests/support/FakePlatform.h"
#include "tests/ui/main/Fakes.h"
#include "ui/main/MainWindow.h"
#include "ui/status/BridgeStatusDialog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

// Lets the event loop run until done() holds, for at most timeoutMs of real time: the other side
// is a real network.
bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return done();
}

TEST(StatusDialogInNamespace, RefreshShowsTheBridgesAnswer) {
    const QByteArray mac = qgetenv("VANTORO_E2E_INNER");
    if (mac.isEmpty()) {
        GTEST_SKIP() << "run by StatusDialogOverUdp inside its network namespace";
    }
    UdpTransport transport;
    testing::RecordingMessageBoxes messages;
    testing::FakePlatform platform;
    MainWindow window{MainWindowServices{transport, messages, platform, [](int) {}}};
    ASSERT_TRUE(window.OnInitDialog());
    window.show();
    ASSERT_TRUE(RunUntil([&] { return window.scan().scanIdle(); }, 10000)) << "scan never ended";
    QTreeView& list = test::Child<QTreeView>(window, "bridgeList");
    const QModelIndexList rows =
        list.model()->match(list.model()->index(0, ColumnMacAddress), Qt::DisplayRole,
                            QString::fromLatin1(mac), -1, Qt::MatchExactly);
    ASSERT_EQ(rows.size(), 1) << "the bridge was not listed";

    // Select the bridge's row as a user does and open its status.
    list.scrollTo(rows.front());
    const QRect rect = list.visualRect(rows.front());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      {list.header()->sectionViewportPosition(0) + 4, rect.center().y()});
    ASSERT_TRUE(test::Child<QPushButton>(window, "statusButton").isEnabled());
    BridgeStatusDialog dialog(window.dialogContext(), &window);
    dialog.show();
    const QString before = dialog.findChild<QLabel*>("txPacketsValue")->text();
    EXPECT_EQ(dialog.findChild<QLabel*>("macAddressValue")->text(), QString::fromLatin1(mac));

    QTest::mouseClick(dialog.findChild<QPushButton*>("refreshButton"), Qt::LeftButton);
    EXPECT_FALSE(dialog.refreshReady());
    // The answer is shown on the tick after it arrives; the refresh then ends within 3 s.
    ASSERT_TRUE(RunUntil(
        [&] { return dialog.findChild<QLabel*>("txPacketsValue")->text() != before; }, 4000))
        << "the bridge's answer was never shown";
    EXPECT_TRUE(RunUntil([&] { return dialog.refreshReady(); }, 5000));
    EXPECT_TRUE(messages.shown.empty());
}

class StatusDialogOverUdp : public e2e::OverUdpFixture {};

TEST_F(StatusDialogOverUdp, RefreshInTheWindowSendsOneExactRequestAndShowsTheAnswer) {
    StartSimulator("b", {QStringLiteral("--log"), log_});
    const QByteArray mac = "02:4B:00:00:00:02";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VANTORO_E2E_INNER"), QString::fromLatin1(mac));
    const e2e::Outcome inner =
        e2e::RunCommand(In("a", {QCoreApplication::applicationFilePath(),
                                 QStringLiteral("--gtest_filter=StatusDialogInNamespace.*")}),
                        60000, env);
    ASSERT_TRUE(inner.finished);
    EXPECT_EQ(inner.exitCode, 0) << inner.out.toStdString() << inner.err.toStdString();
    EXPECT_TRUE(inner.out.contains(QStringLiteral("[  PASSED  ] 1 test")))
        << inner.out.toStdString();

    QList<QByteArray> statusRequests;
    for (const QJsonObject& entry : e2e::ReadLog(log_)) {
        if (e2e::CommandOf(entry) == 1003) {
            statusRequests.append(e2e::Raw(entry));
        }
    }
    EXPECT_EQ(statusRequests,
              QList<QByteArray>{"Torva_MultiAp_mgnt 1003 REQ 02:4B:00:00:00:02 0.0.0.0\r\r"});
}

} // namespace
} // namespace vantoro
