#include "app/cli/Cli.h"

#include "sim/SimulatedLan.h"
#include "tests/app/ChangeTestSupport.h"
#include "tests/support/CliIo.h"
#include "tests/support/FakeTransport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <optional>
#include <utility>

namespace vantoro::cli {
namespace {

using vantoro::test::FakeTransport;

using vantoro::test::Captured;
using vantoro::test::Line;

// Runs the program with a fake network whose set-up ends in openResult. Only for runs that end
// without waiting on the network.
ExitStatus RunWith(Captured& io, const QStringList& args,
                   SetupStatus openResult = SetupStatus::Ok) {
    return Run(QStringList{QStringLiteral("vantoro-cli")} + args, io.outStream, io.errStream,
               [=](const NetworkChoice&) {
                   auto transport = std::make_unique<FakeTransport>();
                   transport->openResult = openResult;
                   return transport;
               });
}

NetInterface Interface(const char* name, bool loopback, bool canBroadcast) {
    NetInterface entry;
    entry.name = entry.label = QString::fromLatin1(name);
    entry.up = true;
    entry.loopback = loopback;
    entry.canBroadcast = canBroadcast;
    return entry;
}

TEST(CliArguments, UsageErrorsSayWhatIsWrongInOneLineAndTouchNoNetwork) {
    const QString longMac(kBridgeTextChars + 1, u'A');
    const QStringList secret = {QStringLiteral("Zebra\x01Secret"), QStringLiteral("cafe=babe42")};
    const char* office = "02:4B:00:00:00:01";
    const struct {
        QStringList args;
        const char* message; // a part of the message line
    } cases[] = {
        {{}, "no command given"},
        {Line({"list"}), "unknown command 'list'"},
        {Line({"--demo", "scan"}), "unknown option '--demo'"}, // options follow the command
        {Line({"scan", "--bogus"}), "unknown option '--bogus'"},
        {Line({"scan", "--interface"}), "--interface needs a value"},
        {Line({"scan", "--show-secrets"}), "--show-secrets"},
        {Line({"scan", "extra"}), "unexpected argument 'extra'"},
        {Line({"status"}), "MAC address"},
        {Line({"status", office, "02:4B:00:00:00:02"}), "unexpected argument"},
        {Line({"status", office, "--password", "x"}), "--password"},
        {Line({"status", ""}), "empty"},
        {QStringList{QStringLiteral("status"), longMac}, "32 characters"},
        // Whitespace or a control character would shift the request's fields.
        {Line({"status", "02:4B\r0.0.0.0"}), "control character"},
        {QStringList{QStringLiteral("status"), QStringLiteral("02:4B:\u20ac")}, "cannot report"},
        {Line({"set-ip"}), "MAC address"},
        {Line({"set-ip", office, "--dhcp", "--static"}), "exclude"},
        {Line({"set-ip", office, "--dhcp", "--suggest"}), "--suggest"},
        // A slip of the hand is not read modulo 256.
        {Line({"set-ip", office, "--address", "192.168.1.300"}), "'192.168.1.300'"},
        {Line({"set-ip", office, "--netmask", "255.255.256.0"}), "'255.255.256.0'"},
        {Line({"set-ip", office, "--address", "1.2.3.4", "--address", "1.2.3.5"}), "once"},
        {Line({"set-ip", office, "--dry-run", "--wait"}), "--wait"},
        {Line({"set-wireless", office, "--region", "TW"}), "'TW'"},
        {Line({"set-wireless", office, "--agree-region"}), "--agree-region"},
        {Line({"set-wireless", office, "--infrastructure", "--adhoc"}), "exclude"},
        {Line({"set-wireless", office, "--infrastructure", "--channel", "6"}), "ad-hoc"},
        {Line({"set-wireless", office, "--wep", "off", "--default-key", "2"}), "--wep off"},
        {Line({"set-wireless", office, "--ssid", "012345678901234567890123456789012"}), "--ssid"},
        {Line({"set-wireless", office, "--passphrase", "x", "--key", "1=0011223344"}), "--key"},
        {Line({"set-wireless", office, "--keys-file", "/"}), "regular file"},
        {QStringList{QStringLiteral("set-wireless"), QString::fromLatin1(office),
                     QStringLiteral("--passphrase"), secret[0]},
         "--passphrase"},
        {QStringList{QStringLiteral("set-wireless"), QString::fromLatin1(office),
                     QStringLiteral("--key"), secret[1]},
         "N=HEX"},
        {Line({"scan", "--interface", "eth0", "--interface", "eth7"}), "no interface named 'eth7'"},
        {Line({"status", office, "--demo", "--interface", "eth0"}), "demo LAN"},
        {Line({"set-ip", office, "--dhcp", "--interface", ""}), "interface name"},
        {Line({"scan", "--interface", "lo"}), "loopback"},
        {Line({"status", office, "--interface", "ppp0"}), "point-to-point"},
    };
    int opened = 0;
    test::FakePasswords passwords;
    vantoro::test::FakePlatform platform;
    const Services services{[&opened](const NetworkChoice&) {
                                ++opened;
                                return std::make_unique<FakeTransport>();
                            },
                            passwords, platform,
                            [] {
                                return std::vector<NetInterface>{Interface("eth0", false, true),
                                                                 Interface("lo", true, false),
                                                                 Interface("ppp0", false, false)};
                            }};
    for (const auto& c : cases) {
        Captured io;
        EXPECT_EQ(cli::Run(QStringList{QStringLiteral("vantoro-cli")} + c.args, io.outStream,
                           io.errStream, services),
                  ExitStatus::Usage)
            << c.args.join(u' ').toStdString();
        const QStringList lines = io.err.split(u'\n', Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 3) << io.err.toStdString();
        // One message line in one style, the command's usage, and where its help is.
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("vantoro-cli: "))) << io.err.toStdString();
        EXPECT_TRUE(lines[0].contains(QLatin1String(c.message))) << io.err.toStdString();
        EXPECT_FALSE(lines[0].at(13).isUpper()) << lines[0].toStdString();
        const QString command =
            c.args.isEmpty() || c.args.first() == u"list" || c.args.first().startsWith(u'-')
                ? QString()
                : c.args.first() + u' ';
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Usage: vantoro-cli ") + command))
            << io.err.toStdString();
        EXPECT_EQ(lines.last(),
                  QStringLiteral("Try 'vantoro-cli ") + command + QStringLiteral("--help'."));
        EXPECT_EQ(lines.size(), 3) << "more than the usage line was printed";
        EXPECT_FALSE(io.err.contains(QChar(u'\r'))) << "the bad identifier was echoed raw";
        for (const QString& text : secret) {
            EXPECT_FALSE(io.err.contains(text)) << "a secret was echoed";
        }
        EXPECT_TRUE(io.out.isEmpty());
    }
    EXPECT_EQ(opened, 0);
}

TEST(CliArguments, HelpIsOkAndEachCommandHasItsOwn) {
    const std::pair<QStringList, const char*> cases[] = {
        {Line({"--help"}), "Usage: vantoro-cli scan"},
        {Line({"scan", "-h"}), "Usage: vantoro-cli scan"},
        {Line({"status", "--help"}), "Usage: vantoro-cli status MAC"},
        {Line({"set-ip", "--help"}), "Usage: vantoro-cli set-ip MAC"},
        {Line({"set-wireless", "--help"}), "Usage: vantoro-cli set-wireless MAC"},
    };
    QStringList help;
    for (const auto& [args, usage] : cases) {
        Captured io;
        EXPECT_EQ(RunWith(io, args), ExitStatus::Ok) << args.join(u' ').toStdString();
        EXPECT_TRUE(io.out.startsWith(QLatin1String(usage))) << io.out.toStdString();
        // Every usage line names --interface, which the hand-written ones once forgot.
        EXPECT_TRUE(io.out.section(QStringLiteral("\n\n"), 0, 0)
                        .contains(QStringLiteral("[--interface NAME]")))
            << io.out.toStdString();
        help.append(io.out);
    }
    EXPECT_TRUE(help[0].contains(QStringLiteral("vantoro-cli set-wireless MAC")));
    EXPECT_FALSE(help[1].contains(QStringLiteral("vantoro-cli status")));
    for (const char* text : {"--passphrase-file FILE", "--keys-file FILE", "other users"}) {
        EXPECT_TRUE(help[4].contains(QLatin1String(text))) << text;
    }
}

TEST(CliSetUp, FailuresAreReportedWithStatusTwoAndNothingIsSent) {
    for (const QStringList& args : {Line({"scan"}), Line({"status", "02:4B:00:00:00:01"}),
                                    Line({"set-ip", "02:4B:00:00:00:01", "--dhcp"}),
                                    Line({"set-wireless", "02:4B:00:00:00:01", "--ssid", "x"})}) {
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
}

// Scans and status requests over the demo LAN (counters standing still, so two answers compare
// exactly) with the clock driven by hand.
class CliDemoLan : public ::testing::Test {
protected:
    sim::SimulatedLan lan_{test::ChangeFleet(), {}, sim::ClockMode::Manual};
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
        if (run.searching()) {
            lan_.Advance(StatusRun::kSearchWaitMs);
            run.OnAnswerTimeout();
        }
        EXPECT_EQ(ends, 1);
        EXPECT_FALSE(run.answerTimer().isActive());
        return finished;
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
}

TEST_F(CliDemoLan, ScanJsonKeepsSecretsOutUnlessAskedAndStatusJsonIsTheScansObject) {
    for (const bool secrets : {false, true}) {
        const QJsonArray scanned =
            QJsonDocument::fromJson(Scan({true, secrets, true}).toUtf8()).array();
        ASSERT_EQ(scanned.size(), qsizetype(lan_.bridges().size()));
        for (const QJsonValue value : scanned) {
            const QJsonObject expected = value.toObject();
            for (const char* key : {"password", "userName", "keys"}) {
                EXPECT_EQ(expected.contains(QLatin1String(key)), secrets) << key;
            }
            const QString mac = expected.value(QStringLiteral("macAddress")).toString();
            EXPECT_EQ(Status({mac.toLatin1(), true, secrets, true}, 0), ExitStatus::Ok);
            const QJsonDocument printed = QJsonDocument::fromJson(io_.out.toUtf8());
            EXPECT_EQ(printed.object(), expected) << io_.out.toStdString();
            io_.out.clear();
        }
    }
}

TEST_F(CliDemoLan, NoAnswerEndsWithStatusFourAfterOneScanThatNamesANearMiss) {
    const struct {
        const char* mac;
        const char* hint; // what stderr says after the no-answer line; letter case: StatusOverUdp
    } cases[] = {
        {"02:4B:00:00:00:99", "letter case\nincluded (as 'vantoro-cli scan' lists it)"},
        {"02-4b-00-00-00-03", "did you mean 02:4B:00:00:00:03? identifiers compare exactly"},
        {"024B.0000.0006", "did you mean 02:4B:00:00:00:06? identifiers compare exactly"},
    };
    for (const auto& c : cases) {
        io_.err.clear();
        EXPECT_EQ(Status({c.mac}), ExitStatus::NoAnswer) << c.mac;
        EXPECT_TRUE(io_.out.isEmpty());
        EXPECT_TRUE(io_.err.startsWith(QStringLiteral("vantoro-cli: no answer from bridge ") +
                                       QLatin1String(c.mac)))
            << io_.err.toStdString();
        EXPECT_TRUE(io_.err.contains(QLatin1String(c.hint))) << io_.err.toStdString();
    }
}

TEST_F(CliDemoLan, StatusWaitsForTheAskedBridgeAndPrintsItInTheWindowsGroups) {
    sim::SimulatedLan slow(test::ChangeFleet(), {100},
                           sim::ClockMode::Manual); // answers after 100 ms
    const QByteArray asked = "02:4B:00:00:00:03";
    for (const QByteArray& decoy :
         {vantoro::test::SimpleReply("02:4b:00:00:00:03"),
          vantoro::test::SimpleReply(asked + "0", "Longer"),
          vantoro::test::SimpleReply(asked.left(16), "Shorter"),
          vantoro::test::ReplyOf({"x", "y", "ack", asked, "lower-case marker"}),
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
    // Most fields and their layout: StatusOverUdp; here, the groups and the fields it leaves out.
    for (const char* group :
         {"Statistics\n  Tx Packets :         1200\n  Rx Packets :         950\n",
          "Bridge IP Settings\n  IP Address :         10.20.30.40\n  Subnet Mask :        "
          "255.255.255.0\n  Default Gateway :    10.20.30.1\n",
          "Bridge Information\n  Bridge Name :        Lab-Annex\n"}) {
        EXPECT_TRUE(io_.out.contains(QLatin1String(group))) << io_.out.toStdString();
    }
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
    transport.Deliver(vantoro::test::SimpleReply(mac + "X", "Impostor"));
    EXPECT_FALSE(finished.has_value());
    transport.Deliver(vantoro::test::SimpleReply(mac, "Genuine"));
    EXPECT_EQ(finished, ExitStatus::Ok);
    EXPECT_TRUE(io.out.contains(QStringLiteral("Genuine")));
    transport.Deliver(vantoro::test::SimpleReply(mac, "Late"));
    EXPECT_FALSE(io.out.contains(QStringLiteral("Late")));
}

TEST(CliDemo, FrontOfficeSharesThePcsSubnetAndSuggestStaysInIt) {
    // The window's demo LAN is made the same way (MakeDemoLan), from the same platform.
    test::FakePasswords passwords;
    passwords.environment = QStringLiteral("front01");
    vantoro::test::FakePlatform platform;
    platform.adapters.list.adapters[0].addresses[0] = {QStringLiteral("10.9.8.7"),
                                                       QStringLiteral("255.255.0.0"), false};
    platform.hostNames.resolves[QStringLiteral("office-pc")] = {QStringLiteral("10.9.8.7")};
    const Services services{[](const NetworkChoice&) { return std::make_unique<FakeTransport>(); },
                            passwords, platform};
    const auto run = [&](std::initializer_list<const char*> args) {
        Captured io;
        const ExitStatus status = cli::Run(QStringList{QStringLiteral("vantoro-cli")} + Line(args),
                                           io.outStream, io.errStream, services);
        EXPECT_EQ(status, ExitStatus::Ok) << io.err.toStdString();
        return io.out;
    };
    const QJsonObject office =
        QJsonDocument::fromJson(run({"status", "02:4B:00:00:00:01", "--demo", "--json"}).toUtf8())
            .object();
    const std::optional<quint32> address =
        ParseIpv4(office.value(QStringLiteral("ipAddress")).toString().toStdString());
    ASSERT_TRUE(address.has_value());
    EXPECT_EQ(*address & 0xFFFF0000u, 0x0A090000u) << "not in the PC's 10.9.0.0/16";
    EXPECT_EQ(office.value(QStringLiteral("subnetMask")).toString(), QStringLiteral("255.255.0.0"));
    EXPECT_EQ(
        run({"set-ip", "02:4B:00:00:00:01", "--user", "admin", "--suggest", "--dry-run", "--demo"}),
        QStringLiteral("wan_proto static\nwan_ipaddr 10.9.8.8\nwan_netmask 255.255.0.0\n"));
}

TEST(CliScan, AFullListSaysHowManyBridgesWereLeftOutAndTheJsonStaysValid) {
    FakeTransport transport;
    Captured io;
    ScanRun run(transport, {true}, io.outStream, io.errStream);
    ASSERT_TRUE(run.Start());
    for (int i = 0; i < kBridgeTableSize + 3; ++i) {
        const QByteArray mac = "02:4B:10:" + QByteArray::number(i);
        // Every bridge answers twice, as it does to the scan's repeated requests.
        transport.Deliver(vantoro::test::SimpleReply(mac));
        transport.Deliver(vantoro::test::SimpleReply(mac));
    }
    for (int tick = 0; tick < 7; ++tick) {
        run.scan().OnScanTick();
    }
    EXPECT_EQ(QJsonDocument::fromJson(io.out.toUtf8()).array().size(), kBridgeTableSize);
    EXPECT_EQ(io.err, QStringLiteral("vantoro-cli: the list is full at 500 bridges: 3 further "
                                     "bridges answered and are not listed\n"));
}

TEST(CliOutput, ControlCharactersFromTheNetworkNeverReachTheTerminal) {
    auto table = std::make_unique<BridgeTable>();
    RowText row;
    ParseReply(*table, 0, DatagramText(vantoro::test::SimpleReply("AA", "evil\x1b[2Jname")), row);
    const QString text = FormatTable(*table, {QStringLiteral("m\x07")});
    EXPECT_FALSE(text.contains(QChar(0x07)));
    EXPECT_TRUE(text.contains(QStringLiteral("evil\\x1b[2Jname")));
    const QString status = FormatStatus(table->records[0]);
    EXPECT_TRUE(status.contains(QStringLiteral("evil\\x1b[2Jname")));

    // A backslash is doubled, so the four characters \x1b cannot pass for an escaped ESC; the
    // C1 controls (0x9b is a terminal's CSI) and DEL are escaped in JSON as well.
    ParseReply(*table, 1, DatagramText(vantoro::test::SimpleReply("BB", "fake\\x1b\x9b\x7f")), row);
    EXPECT_TRUE(FormatTable(*table, {QString(), QString()})
                    .contains(QStringLiteral("fake\\\\x1b\\x9b\\x7f")));
    const QByteArray json = JsonText(QJsonDocument(BridgeToJson(table->records[1], {}, false)));
    EXPECT_TRUE(json.contains("fake\\\\x1b\\u009b\\u007f")) << json.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(json).object().value(QStringLiteral("deviceName")),
              QString::fromLatin1("fake\\x1b\x9b\x7f"));
}

} // namespace
} // namespace vantoro::cli
