#include "app/cli/Cli.h"

#include "sim/SimulatedLan.h"
#include "tests/support/FakeTransport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <optional>
#include <utility>

namespace vantoro::cli {
namespace {

using test::FakeTransport;

struct Captured {
    QString out;
    QString err;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
};

QStringList Args(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* arg : args) {
        list.append(QString::fromLatin1(arg));
    }
    return list;
}

// Runs the program with a fake network whose set-up ends in openResult; counts the transports
// made. Only for runs that end without waiting on the network.
ExitStatus RunWith(Captured& io, const QStringList& args, SetupStatus openResult = SetupStatus::Ok,
                   int* opened = nullptr) {
    return Run(QStringList{QStringLiteral("vantoro-cli")} + args, io.outStream, io.errStream,
               [=](const NetworkChoice&) {
                   auto transport = std::make_unique<FakeTransport>();
                   transport->openResult = openResult;
                   if (opened != nullptr) {
                       ++*opened;
                   }
                   return transport;
               });
}

TEST(CliArguments, UsageErrorsExitWithStatusTwoBeforeTouchingTheNetwork) {
    const QString longMac(kBridgeTextChars + 1, u'A');
    const struct {
        QStringList args;
        const char* usage; // the usage printed with the error
    } cases[] = {
        {{}, "Usage: vantoro-cli scan"},
        {Args({"list"}), "Usage: vantoro-cli scan"},
        {Args({"--demo", "scan"}), "Usage: vantoro-cli scan"}, // options follow the command
        {Args({"scan", "--bogus"}), "Usage: vantoro-cli scan"},
        {Args({"scan", "--show-secrets"}), "Usage: vantoro-cli scan"},
        {Args({"scan", "extra"}), "Usage: vantoro-cli scan"},
        {Args({"status"}), "Usage: vantoro-cli status MAC"},
        {Args({"status", "--demo"}), "Usage: vantoro-cli status MAC"},
        {Args({"status", "02:4B:00:00:00:01", "02:4B:00:00:00:02"}),
         "Usage: vantoro-cli status MAC"},
        {Args({"status", "02:4B:00:00:00:01", "--show-secrets"}), "Usage: vantoro-cli status MAC"},
        {Args({"status", "02:4B:00:00:00:01", "--password", "x"}), "Usage: vantoro-cli status MAC"},
        {Args({"status", ""}), "Usage: vantoro-cli status MAC"},
        {QStringList{QStringLiteral("status"), longMac}, "Usage: vantoro-cli status MAC"},
        // A CR would end the identifier early and make the rest of the line the argument.
        {Args({"status", "02:4B\r0.0.0.0"}), "Usage: vantoro-cli status MAC"},
        {Args({"status", "02:4B\n00"}), "Usage: vantoro-cli status MAC"},
        {QStringList{QStringLiteral("status"), QStringLiteral("02:4B:\u20ac")},
         "Usage: vantoro-cli status MAC"},
    };
    int opened = 0;
    for (const auto& c : cases) {
        Captured io;
        EXPECT_EQ(RunWith(io, c.args, SetupStatus::Ok, &opened), ExitStatus::Usage)
            << c.args.join(u' ').toStdString();
        EXPECT_TRUE(io.err.contains(QLatin1String(c.usage))) << io.err.toStdString();
        EXPECT_FALSE(io.err.contains(QChar(u'\r'))) << "the bad identifier was echoed raw";
        EXPECT_TRUE(io.out.isEmpty());
    }
    EXPECT_EQ(opened, 0);
}

TEST(CliArguments, HelpIsOkAndEachCommandHasItsOwn) {
    const std::pair<QStringList, const char*> cases[] = {
        {Args({"--help"}), "Usage: vantoro-cli scan"},
        {Args({"scan", "-h"}), "Usage: vantoro-cli scan"},
        {Args({"status", "--help"}), "Usage: vantoro-cli status MAC"},
        {Args({"set-ip", "--help"}), "Usage: vantoro-cli set-ip MAC"},
        {Args({"set-wireless", "--help"}), "Usage: vantoro-cli set-wireless MAC"},
    };
    for (const auto& [args, usage] : cases) {
        Captured io;
        EXPECT_EQ(RunWith(io, args), ExitStatus::Ok) << args.join(u' ').toStdString();
        EXPECT_TRUE(io.out.startsWith(QLatin1String(usage))) << io.out.toStdString();
    }
    Captured general;
    Captured scan;
    RunWith(general, Args({"--help"}));
    RunWith(scan, Args({"scan", "-h"}));
    EXPECT_TRUE(general.out.contains(QStringLiteral("vantoro-cli set-wireless MAC")));
    EXPECT_FALSE(scan.out.contains(QStringLiteral("vantoro-cli status")));
}

TEST(CliSetUp, FailuresAreReportedWithStatusTwoAndNothingIsSent) {
    for (const QStringList& args : {Args({"scan"}), Args({"status", "02:4B:00:00:00:01"}),
                                    Args({"set-ip", "02:4B:00:00:00:01", "--dhcp"}),
                                    Args({"set-wireless", "02:4B:00:00:00:01", "--ssid", "x"})}) {
        Captured taken;
        EXPECT_EQ(RunWith(taken, args, SetupStatus::BindFailed), ExitStatus::Usage)
            << args.first().toStdString();
        EXPECT_TRUE(taken.err.contains(QStringLiteral("65432")));
        Captured broadcast;
        EXPECT_EQ(RunWith(broadcast, args, SetupStatus::BroadcastOptionFailed), ExitStatus::Usage);
        EXPECT_TRUE(broadcast.err.contains(QStringLiteral("setsockopt: SOCKET_ERROR!")));
    }
    FakeTransport transport;
    transport.openResult = SetupStatus::BindFailed;
    Captured io;
    StatusRun run(transport, {"02:4B:00:00:00:01"}, io.outStream, io.errStream);
    EXPECT_FALSE(run.Start());
    EXPECT_TRUE(transport.requests.isEmpty());
    EXPECT_FALSE(run.answerTimer().isActive());
}

// The demo fleet with counters that stand still, so two answers can be compared exactly.
std::vector<sim::SimBridgeState> StillFleet() {
    auto fleet = sim::DemoFleet();
    for (auto& bridge : fleet) {
        bridge.txPerSecond = 0;
        bridge.rxPerSecond = 0;
    }
    return fleet;
}

// Scans and status requests over the demo LAN with the clock driven by hand.
class CliDemoLan : public ::testing::Test {
protected:
    sim::SimulatedLan lan_{StillFleet(), {}, sim::ClockMode::Manual};
    Captured io_;

    QString Scan(ScanOptions options) {
        ScanRun run(lan_, std::move(options), io_.outStream, io_.errStream);
        std::optional<ExitStatus> finished;
        QObject::connect(&run, &ScanRun::Finished,
                         [&finished](ExitStatus status) { finished = status; });
        EXPECT_TRUE(run.Start());
        for (int tick = 0; tick < 7; ++tick) {
            lan_.Advance(DiscoveryScan::kTickMs);
            run.scan().OnScanTick();
        }
        EXPECT_EQ(finished, ExitStatus::Ok);
        return std::exchange(io_.out, QString());
    }

    // One status run: the clock moves on by advanceMs, then the wait runs out. Exactly one end
    // is reported, whichever comes first.
    std::optional<ExitStatus> Status(StatusOptions options,
                                     qint64 advanceMs = StatusRun::kAnswerWaitMs) {
        StatusRun run(lan_, std::move(options), io_.outStream, io_.errStream);
        int ends = 0;
        std::optional<ExitStatus> finished;
        QObject::connect(&run, &StatusRun::Finished, [&](ExitStatus status) {
            ++ends;
            finished = status;
        });
        EXPECT_TRUE(run.Start());
        EXPECT_EQ(run.answerTimer().interval(), 3000);
        lan_.Advance(advanceMs);
        run.OnAnswerTimeout();
        EXPECT_EQ(ends, 1);
        EXPECT_FALSE(run.answerTimer().isActive());
        return finished;
    }

    // The request lines of the bridges' log with the given command.
    QList<QJsonObject> Requests(int command) const {
        QList<QJsonObject> found;
        for (const QString& line : lan_.requestLog()) {
            const QJsonObject entry = QJsonDocument::fromJson(line.toUtf8()).object();
            if (entry.value(QStringLiteral("command")).toInt() == command) {
                found.append(entry);
            }
        }
        return found;
    }
};

TEST_F(CliDemoLan, ScanTablePrintsEveryBridgeOnceInAlignedColumns) {
    const QStringList lines = Scan({}).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), qsizetype(lan_.bridges().size()) + 1);
    const QString& header = lines.first();
    EXPECT_TRUE(header.startsWith(QStringLiteral("Device Name")));
    const qsizetype ipColumn = header.indexOf(QStringLiteral("IP Address"));
    const qsizetype macColumn = header.indexOf(QStringLiteral("MAC Address"));
    for (const auto& bridge : lan_.bridges()) {
        const QString mac = QString::fromLatin1(bridge.macAddress);
        const auto row = std::find_if(lines.begin(), lines.end(),
                                      [&mac](const QString& line) { return line.contains(mac); });
        ASSERT_NE(row, lines.end()) << mac.toStdString();
        EXPECT_EQ(row->indexOf(mac), macColumn);
        EXPECT_TRUE(row->endsWith(
            QString::fromLatin1(bridge.version.isEmpty() ? bridge.macAddress : bridge.version)));
        EXPECT_EQ(row->mid(ipColumn, bridge.ipAddress.size()),
                  QString::fromLatin1(bridge.ipAddress));
    }
    // Three discovery requests went out: every bridge answered each and is still listed once.
    EXPECT_EQ(Requests(1001).size(), 3);
}

TEST_F(CliDemoLan, ScanJsonKeepsSecretsOutUnlessAsked) {
    const QJsonArray plain = QJsonDocument::fromJson(Scan({true, false, true}).toUtf8()).array();
    ASSERT_EQ(plain.size(), qsizetype(lan_.bridges().size()));
    for (const QJsonValue value : plain) {
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

    const QJsonArray secret = QJsonDocument::fromJson(Scan({true, true, true}).toUtf8()).array();
    ASSERT_FALSE(secret.isEmpty());
    const auto first = lan_.bridges().front();
    QJsonObject match;
    for (const QJsonValue value : secret) {
        if (value.toObject().value(QStringLiteral("macAddress")).toString() ==
            QString::fromLatin1(first.macAddress)) {
            match = value.toObject();
        }
    }
    EXPECT_EQ(match.value(QStringLiteral("password")).toString(),
              QString::fromLatin1(first.password));
    EXPECT_EQ(match.value(QStringLiteral("keys")).toArray().size(), 4);
}

TEST_F(CliDemoLan, StatusPrintsTheStatusWindowsFieldsAfterOneExactRequest) {
    EXPECT_EQ(Status({"02:4B:00:00:00:01"}, 0), ExitStatus::Ok);
    EXPECT_EQ(io_.out, QStringLiteral("Wireless Settings\n"
                                      "  Network Name(SSID) : Office\n"
                                      "  Connection Status :  Connected\n"
                                      "  Country/Region :     United States\n"
                                      "  Channel :            6\n"
                                      "  Security :           No WEP\n"
                                      "Statistics\n"
                                      "  Tx Packets :         1200\n"
                                      "  Rx Packets :         950\n"
                                      "  Signal Strength :    82\n"
                                      "Bridge IP Settings\n"
                                      "  IP Address :         192.168.1.250\n"
                                      "  Subnet Mask :        255.255.255.0\n"
                                      "  Default Gateway :    192.168.1.1\n"
                                      "  IP Source :          Fixed\n"
                                      "Bridge Information\n"
                                      "  Bridge Name :        Front-Office\n"
                                      "  Mac Address :        02:4B:00:00:00:01\n"
                                      "  Version :            2.1.4\n"));
    EXPECT_TRUE(io_.err.isEmpty());
    // One status request, sent as given, and nothing else: no discovery.
    ASSERT_EQ(lan_.requestLog().size(), 1);
    const QList<QJsonObject> requests = Requests(1003);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(QByteArray::fromHex(requests[0].value(QStringLiteral("raw")).toString().toLatin1()),
              QByteArray("Torva_MultiAp_mgnt 1003 REQ 02:4B:00:00:00:01 0.0.0.0\r\r"));
}

TEST_F(CliDemoLan, StatusShowsEachBridgesCaseAsTheWindowDoes) {
    const struct {
        const char* mac;
        std::vector<const char*> lines;
    } cases[] = {
        {"02:4B:00:00:00:02",
         {"  Security :           WEP", "  IP Source :          Dhcp",
          "  Country/Region :     Europe", "  Signal Strength :    64"}},
        // Region not in the table and no version: empty values, not stale or made-up ones.
        {"02:4B:00:00:00:05",
         {"  Country/Region :\n", "  Version :\n", "  Connection Status :  Not Connected",
          "  Signal Strength :    0"}},
    };
    for (const auto& c : cases) {
        io_.out.clear();
        EXPECT_EQ(Status({c.mac}, 0), ExitStatus::Ok) << c.mac;
        for (const char* line : c.lines) {
            EXPECT_TRUE(io_.out.contains(QLatin1String(line))) << c.mac << ": " << line << "\n"
                                                               << io_.out.toStdString();
        }
    }
}

TEST_F(CliDemoLan, StatusJsonIsTheScansObjectForThatBridge) {
    for (const bool secrets : {false, true}) {
        const QJsonArray scanned =
            QJsonDocument::fromJson(Scan({true, secrets, true}).toUtf8()).array();
        ASSERT_EQ(scanned.size(), qsizetype(lan_.bridges().size()));
        for (const QJsonValue value : scanned) {
            const QJsonObject expected = value.toObject();
            const QString mac = expected.value(QStringLiteral("macAddress")).toString();
            EXPECT_EQ(Status({mac.toLatin1(), true, secrets, true}, 0), ExitStatus::Ok);
            const QJsonDocument printed = QJsonDocument::fromJson(io_.out.toUtf8());
            EXPECT_TRUE(printed.isObject()) << io_.out.toStdString();
            EXPECT_EQ(printed.object(), expected) << mac.toStdString();
            io_.out.clear();
        }
    }
}

TEST_F(CliDemoLan, NoAnswerEndsWithStatusFourAndSaysWhatToCheck) {
    // An unknown identifier, and a known one in other letter case: the bridge compares exactly.
    for (const char* mac : {"02:4B:00:00:00:99", "02:4b:00:00:00:01"}) {
        io_.err.clear();
        EXPECT_EQ(Status({mac}), ExitStatus::NoAnswer) << mac;
        EXPECT_TRUE(io_.out.isEmpty());
        for (const char* text : {mac, "vantoro-cli scan", "powered", "LAN segment"}) {
            EXPECT_TRUE(io_.err.contains(QLatin1String(text))) << text << "\n"
                                                               << io_.err.toStdString();
        }
    }
}

TEST_F(CliDemoLan, StatusWaitsForTheAskedBridgeAndIgnoresEveryOtherDatagram) {
    sim::SimulatedLan slow(StillFleet(), {100}, sim::ClockMode::Manual); // answers after 100 ms
    const QByteArray asked = "02:4B:00:00:00:03";
    for (const QByteArray& decoy :
         {test::SimpleReply("02:4B:00:00:00:01", "Other"), test::SimpleReply("02:4b:00:00:00:03"),
          test::SimpleReply(asked + "0", "Longer"), test::SimpleReply(asked.left(16), "Shorter"),
          test::ReplyOf({"x", "y", "ack", asked, "lower-case marker"}),
          BuildStatusRequest(asked.toStdString())}) {
        slow.InjectDatagram(decoy, 10);
    }
    StatusRun run(slow, {asked}, io_.outStream, io_.errStream);
    std::optional<ExitStatus> finished;
    QObject::connect(&run, &StatusRun::Finished,
                     [&finished](ExitStatus status) { finished = status; });
    ASSERT_TRUE(run.Start());
    slow.Advance(99);
    EXPECT_FALSE(finished.has_value()) << io_.out.toStdString();
    slow.Advance(1);
    EXPECT_EQ(finished, ExitStatus::Ok);
    EXPECT_TRUE(io_.out.contains(QStringLiteral("Bridge Name :        Lab-Annex")));
}

TEST(CliStatus, AnIdentifierOfFullWidthMatchesOnlyThatWholeIdentifier) {
    // The record keeps 32 characters; a longer identifier with the same start is another bridge.
    const QByteArray mac(kBridgeTextChars, 'M');
    FakeTransport transport;
    Captured io;
    StatusRun run(transport, {mac}, io.outStream, io.errStream);
    std::optional<ExitStatus> finished;
    QObject::connect(&run, &StatusRun::Finished,
                     [&finished](ExitStatus status) { finished = status; });
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(transport.requests.size(), 1);
    transport.Deliver(test::SimpleReply(mac + "X", "Impostor"));
    EXPECT_FALSE(finished.has_value());
    transport.Deliver(test::SimpleReply(mac, "Genuine"));
    EXPECT_EQ(finished, ExitStatus::Ok);
    EXPECT_TRUE(io.out.contains(QStringLiteral("Genuine")));
    transport.Deliver(test::SimpleReply(mac, "Late"));
    EXPECT_FALSE(io.out.contains(QStringLiteral("Late")));
}

TEST(CliStatus, RunsThroughTheProgramOverTheBuiltInDemoLan) {
    Captured io;
    EXPECT_EQ(cli::Run(Args({"vantoro-cli", "status", "02:4B:00:00:00:06", "--demo"}), io.outStream,
                       io.errStream, MakeTransport),
              ExitStatus::Ok)
        << io.err.toStdString();
    EXPECT_TRUE(io.out.contains(QStringLiteral("Roof-Link")));
}

TEST(CliOutput, ControlCharactersFromTheNetworkNeverReachTheTerminal) {
    auto table = std::make_unique<BridgeTable>();
    RowText row;
    ParseReply(*table, 0, DatagramText(test::SimpleReply("AA", "evil\x1b[2Jname")), row);
    const QString text = FormatTable(*table, {QStringLiteral("m\x07")});
    EXPECT_FALSE(text.contains(QChar(0x1b)));
    EXPECT_FALSE(text.contains(QChar(0x07)));
    EXPECT_TRUE(text.contains(QStringLiteral("evil\\x1b[2Jname")));
    const QString status = FormatStatus(table->records[0]);
    EXPECT_FALSE(status.contains(QChar(0x1b)));
    EXPECT_TRUE(status.contains(QStringLiteral("evil\\x1b[2Jname")));
}

} // namespace
} // namespace vantoro::cli
