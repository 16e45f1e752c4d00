#include "app/cli/Cli.h"

#include "sim/SimulatedLan.h"
#include "tests/support/FakeTransport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace vantoro::cli {
namespace {

using test::FakeTransport;

struct Captured {
    QString out;
    QString err;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
};

// Runs the program with a fake network whose set-up ends in openResult; counts what it sent.
int RunWith(Captured& io, const QStringList& args, SetupStatus openResult = SetupStatus::Ok,
            int* opened = nullptr) {
    return Run(QStringList{QStringLiteral("vantoro-cli")} + args, io.outStream, io.errStream,
               [=](const ScanOptions&) {
                   auto transport = std::make_unique<FakeTransport>();
                   transport->openResult = openResult;
                   if (opened != nullptr) {
                       ++*opened;
                   }
                   return transport;
               });
}

TEST(CliArguments, UsageErrorsExitWithStatusTwoBeforeTouchingTheNetwork) {
    int opened = 0;
    for (const QStringList& args :
         {QStringList{}, QStringList{QStringLiteral("list")},
          QStringList{QStringLiteral("scan"), QStringLiteral("--bogus")},
          QStringList{QStringLiteral("scan"), QStringLiteral("--show-secrets")},
          QStringList{QStringLiteral("scan"), QStringLiteral("extra")}}) {
        Captured io;
        EXPECT_EQ(RunWith(io, args, SetupStatus::Ok, &opened), ExitUsage)
            << args.join(u' ').toStdString();
        EXPECT_TRUE(io.err.contains(QStringLiteral("Usage: vantoro-cli scan")));
        EXPECT_TRUE(io.out.isEmpty());
    }
    EXPECT_EQ(opened, 0);
    Captured help;
    EXPECT_EQ(RunWith(help, {QStringLiteral("--help")}), ExitOk);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--demo")));
}

TEST(CliScan, SetUpFailuresAreReportedWithTheirExitStatus) {
    Captured taken;
    EXPECT_EQ(RunWith(taken, {QStringLiteral("scan")}, SetupStatus::BindFailed), ExitUsage);
    EXPECT_TRUE(taken.err.contains(QStringLiteral("65432")));
    Captured broadcast;
    EXPECT_EQ(RunWith(broadcast, {QStringLiteral("scan")}, SetupStatus::BroadcastOptionFailed),
              ExitFailure);
    EXPECT_TRUE(broadcast.err.contains(QStringLiteral("setsockopt: SOCKET_ERROR!")));
}

// A whole scan over the demo LAN with the clock driven by hand.
class DemoScan : public ::testing::Test {
protected:
    sim::SimulatedLan lan_{sim::DemoFleet(), {}, sim::ClockMode::Manual};
    Captured io_;

    QString Scan(ScanOptions options) {
        ScanRun run(lan_, options, io_.outStream, io_.errStream);
        int finished = -1;
        QObject::connect(&run, &ScanRun::Finished, [&finished](int status) { finished = status; });
        EXPECT_TRUE(run.Start());
        for (int tick = 0; tick < 7; ++tick) {
            lan_.Advance(DiscoveryScan::kTickMs);
            run.scan().OnScanTick();
        }
        EXPECT_EQ(finished, ExitOk);
        return io_.out;
    }
};

TEST_F(DemoScan, TablePrintsEveryBridgeOnceInAlignedColumns) {
    const QStringList lines = Scan({}).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), qsizetype(lan_.Bridges().size()) + 1);
    const QString header = lines.first();
    EXPECT_TRUE(header.startsWith(QStringLiteral("Device Name")));
    const qsizetype ipColumn = header.indexOf(QStringLiteral("IP Address"));
    const qsizetype macColumn = header.indexOf(QStringLiteral("MAC Address"));
    for (const auto& bridge : lan_.Bridges()) {
        const QString mac = QString::fromLatin1(bridge.macAddress);
        const auto row = std::find_if(lines.begin(), lines.end(),
                                      [&mac](const QString& line) { return line.endsWith(mac); });
        ASSERT_NE(row, lines.end()) << mac.toStdString();
        EXPECT_EQ(row->indexOf(mac), macColumn);
        EXPECT_EQ(row->mid(ipColumn, bridge.ipAddress.size()),
                  QString::fromLatin1(bridge.ipAddress));
    }
    // Three discovery requests went out: every bridge answered each and is still listed once.
    int discoveries = 0;
    for (const QString& line : lan_.RequestLog()) {
        discoveries += QJsonDocument::fromJson(line.toUtf8())
                           .object()
                           .value(QStringLiteral("command"))
                           .toInt() == 1001;
    }
    EXPECT_EQ(discoveries, 3);
}

TEST_F(DemoScan, JsonKeepsSecretsOutUnlessAsked) {
    const QJsonArray plain = QJsonDocument::fromJson(Scan({true, false, true}).toUtf8()).array();
    ASSERT_EQ(plain.size(), qsizetype(lan_.Bridges().size()));
    for (const QJsonValue& value : plain) {
        const QJsonObject bridge = value.toObject();
        EXPECT_FALSE(bridge.contains(QStringLiteral("password")));
        EXPECT_FALSE(bridge.contains(QStringLiteral("userName")));
        EXPECT_FALSE(bridge.contains(QStringLiteral("keys")));
        for (const char* key :
             {"macAddress", "deviceName",  "model",   "ipMode",    "ipAddress", "subnetMask",
              "gateway",    "networkType", "channel", "profile",   "country",   "privacy",
              "keyLength",  "keyId",       "ssid",    "ssidCount", "ssidList",  "linkQuality",
              "txPackets",  "rxPackets",   "version"}) {
            EXPECT_TRUE(bridge.contains(QLatin1String(key))) << key;
        }
        EXPECT_EQ(bridge.value(QStringLiteral("ssidList")).toArray().size(),
                  std::clamp(bridge.value(QStringLiteral("ssidCount")).toString().toInt(), 0, 16));
    }

    io_.out.clear();
    const QJsonArray secret = QJsonDocument::fromJson(Scan({true, true, true}).toUtf8()).array();
    ASSERT_FALSE(secret.isEmpty());
    const auto first = lan_.Bridges().front();
    QJsonObject match;
    for (const QJsonValue& value : secret) {
        if (value.toObject().value(QStringLiteral("macAddress")).toString() ==
            QString::fromLatin1(first.macAddress)) {
            match = value.toObject();
        }
    }
    EXPECT_EQ(match.value(QStringLiteral("password")).toString(),
              QString::fromLatin1(first.password));
    EXPECT_EQ(match.value(QStringLiteral("keys")).toArray().size(), 4);
}

TEST(CliOutput, ControlCharactersFromTheNetworkNeverReachTheTerminal) {
    auto table = std::make_unique<BridgeTable>();
    RowText row;
    ParseReply(*table, 0, DatagramText(test::SimpleReply("AA", "evil\x1b[2Jname")), row);
    const QString text = FormatTable(*table, {QStringLiteral("m\x07")});
    EXPECT_FALSE(text.contains(QChar(0x1b)));
    EXPECT_FALSE(text.contains(QChar(0x07)));
    EXPECT_TRUE(text.contains(QStringLiteral("evil\\x1b[2Jname")));
}

} // namespace
} // namespace vantoro::cli
