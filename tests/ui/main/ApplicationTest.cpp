#include "ui/main/Application.h"

#include "tests/ui/main/Fakes.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

TEST(ApplicationTest, TakenPortEndsTheProgramWithStatusZeroAndNoMessage) {
    testing::FakeTransport transport;
    transport.openResult = SetupStatus::BindFailed;
    testing::RecordingMessageBoxes messages;
    testing::FakePlatform platform;
    std::vector<int> exits;
    Application application(MainWindowServices{transport, messages, platform,
                                               [&](int status) { exits.push_back(status); }});
    // Should the window come up after all, it is closed instead of blocking the run.
    bool shown = false;
    const QObject guard;
    QTimer::singleShot(0, &guard, [&shown] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shown = true;
            modal->close();
        }
    });
    EXPECT_EQ(application.InitInstance(), 0);
    EXPECT_FALSE(shown);
    EXPECT_EQ(exits, std::vector<int>{0});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(transport.broadcasts.empty());
}

TEST(ApplicationTest, HelpAndVersionNeedNoDisplay) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(name);
    }
    program.setProcessEnvironment(environment);
    for (const auto& [option, shown] : {std::pair{"--help", "--demo"}, {"--version", "1.10"}}) {
        program.start(QStringLiteral(VANTORO_GUI_PATH), {"--demo", option});
        ASSERT_TRUE(program.waitForFinished(30000)) << option;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_TRUE(program.readAllStandardOutput().contains(shown)) << option;
    }
}

TEST(ApplicationTest, UnknownOptionsAndArgumentsAreReportedAndTheWindowStartsAnyway) {
    const CommandLineChoice plain = ReadCommandLine({"vantoro"});
    EXPECT_FALSE(plain.demo);
    EXPECT_TRUE(plain.warnings.isEmpty());

    const CommandLineChoice odd = ReadCommandLine({"vantoro", "--bogus", "--demo", "extra"});
    EXPECT_TRUE(odd.demo);
    ASSERT_EQ(odd.warnings.size(), 2);
    EXPECT_TRUE(odd.warnings[0].contains("bogus"));
    EXPECT_TRUE(odd.warnings[1].contains("extra"));
}

} // namespace
} // namespace vantoro
