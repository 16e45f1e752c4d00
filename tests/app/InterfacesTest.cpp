// The command line on a PC with several interfaces: --interface, and the status request that
// goes only where the bridge is.

#include "app/cli/Cli.h"
#include "tests/support/CliIo.h"
#include "tests/support/FakeTransport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <optional>

namespace vantoro::cli {
namespace {

using vantoro::test::FakeTransport;

TEST(CliInterfaces, WithSeveralInterfacesStatusFindsTheBridgesOneAndAsksThereAlone) {
    FakeTransport transport;
    transport.interfaceCount = 2;
    vantoro::test::Captured io;
    StatusRun run(transport, {"00:11:22:33:44:02", true}, io.outStream, io.errStream);
    std::optional<ExitStatus> finished;
    QObject::connect(&run, &StatusRun::Finished, [&](ExitStatus status) { finished = status; });
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(transport.broadcasts, QByteArrayList{BuildDiscoveryRequest()});
    EXPECT_TRUE(transport.requests.isEmpty());

    const InterfaceId wired{2, QStringLiteral("eth0")};
    const InterfaceId wireless{6, QStringLiteral("wlan0")};
    transport.Deliver(vantoro::test::SimpleReply("00:11:22:33:44:01"), wired);
    EXPECT_TRUE(transport.requests.isEmpty());
    transport.Deliver(vantoro::test::SimpleReply("00:11:22:33:44:02", "Found"), wireless);
    EXPECT_EQ(transport.requests, QByteArrayList{BuildStatusRequest("00:11:22:33:44:02")});
    EXPECT_EQ(transport.requestRoutes, std::vector<InterfaceId>{wireless});
    EXPECT_FALSE(finished.has_value()) << "the discovery answer is not the status answer";
    EXPECT_TRUE(run.answerTimer().isActive());

    transport.Deliver(vantoro::test::SimpleReply("00:11:22:33:44:02", "Answered"), wireless);
    EXPECT_EQ(finished, ExitStatus::Ok);
    const QJsonObject printed = QJsonDocument::fromJson(io.out.toUtf8()).object();
    EXPECT_EQ(printed[QStringLiteral("deviceName")].toString(), QStringLiteral("Answered"));
    EXPECT_EQ(printed[QStringLiteral("interface")].toString(), QStringLiteral("wlan0"));
}

TEST(CliInterfaces, WithSeveralInterfacesSilenceToTheSearchIsNoAnswer) {
    // A bridge that never answers the search ends like one that never answers the request.
    FakeTransport transport;
    transport.interfaceCount = 3;
    vantoro::test::Captured io;
    StatusRun run(transport, {"00:11:22:33:44:02"}, io.outStream, io.errStream);
    std::optional<ExitStatus> finished;
    QObject::connect(&run, &StatusRun::Finished, [&](ExitStatus status) { finished = status; });
    ASSERT_TRUE(run.Start());
    run.OnAnswerTimeout(); // the wait, then the scan for a near miss
    EXPECT_FALSE(finished.has_value());
    run.OnAnswerTimeout();
    EXPECT_EQ(finished, ExitStatus::NoAnswer);
    EXPECT_TRUE(transport.requests.isEmpty());
}

} // namespace
} // namespace vantoro::cli
