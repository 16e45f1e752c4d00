#include "ui/main/Application.h"

#include "protocol/UdpTransport.h"
#include "tests/ui/main/Fakes.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <QUdpSocket>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

using testing::FakePlatform;
using testing::FakeTransport;
using testing::RecordingMessageBoxes;

// Should a window come up after all, it is closed instead of blocking the test run.
class ModalCloser {
public:
    ModalCloser() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        });
        timer_.start(0);
    }

private:
    QTimer timer_;
};

TEST(ApplicationTest, TakenPortEndsTheProgramWithStatusZeroAndNoMessage) {
    FakeTransport transport;
    transport.openResult = SetupStatus::BindFailed;
    RecordingMessageBoxes messages;
    FakePlatform platform;
    std::vector<int> exits;
    Application application(MainWindowServices{transport, messages, platform,
                                               [&](int status) { exits.push_back(status); }});
    const ModalCloser closer;
    EXPECT_EQ(application.InitInstance(), 0);
    EXPECT_EQ(exits, std::vector<int>{0});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(transport.broadcasts.empty());
}

// The real sockets, with every send dropped: whatever happens, nothing leaves this machine.
class SendlessUdpTransport : public Transport {
public:
    SetupStatus Open() override { return sockets.Open(); }
    void SendBroadcast(const QByteArray&) override { ++dropped; }
    void SendRequest(const QByteArray&) override { ++dropped; }

    UdpTransport sockets;
    int dropped = 0;
};

TEST(ApplicationTest, SecondCopyOnATakenPortEndsWithStatusZero) {
    // The first copy: this test holds the port (or something else already does).
    QUdpSocket firstCopy;
    firstCopy.bind(QHostAddress::AnyIPv4, kManagementPort, QUdpSocket::DontShareAddress);

    SendlessUdpTransport transport;
    RecordingMessageBoxes messages;
    FakePlatform platform;
    std::vector<int> exits;
    Application application(MainWindowServices{transport, messages, platform,
                                               [&](int status) { exits.push_back(status); }});
    const ModalCloser closer;
    EXPECT_EQ(application.InitInstance(), 0);
    EXPECT_EQ(exits, std::vector<int>{0});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(transport.dropped, 0);
}

TEST(ApplicationTest, HelpAndVersionNeedNoDisplay) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(environment);

    program.start(QStringLiteral(VANTORO_GUI_PATH), {"--demo", "--help"});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(program.readAllStandardOutput().contains("--demo"));

    program.start(QStringLiteral(VANTORO_GUI_PATH), {"--demo", "--version"});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(program.readAllStandardOutput().contains("1.10"));
}

} // namespace
} // namespace vantoro
