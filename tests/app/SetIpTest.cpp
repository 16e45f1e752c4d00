#include "tests/app/ChangeTestSupport.h"
#include "tests/support/FakeTransport.h"

namespace vantoro::cli::test {
namespace {

constexpr const char* kOffice = "02:4B:00:00:00:01";    // fixed 192.168.1.250/24, login
constexpr const char* kWarehouse = "02:4B:00:00:00:02"; // DHCP 192.168.1.57/24, login
constexpr const char* kTaipei = "02:4B:00:00:00:05";    // no version: no login
constexpr const char* kOdd = "02:4B:00:00:00:07";       // address "unknown", no login
constexpr const char* kFull = "02:4B:00:00:00:08";      // password of 16 characters

TEST(ChangeArguments, UsageErrorsExitWithStatusTwoBeforeTouchingTheNetwork) {
    const QStringList secret = {QStringLiteral("Zebra\x01Secret"), QStringLiteral("cafe=babe42")};
    const QStringList cases[] = {
        Line({"set-ip"}),
        Line({"set-ip", kOffice, "--dhcp", "--static"}),
        Line({"set-ip", kOffice, "--dhcp", "--suggest"}),
        Line({"set-ip", kOffice, "--address", "192.168.1"}),
        Line({"set-ip", kOffice, "--address", "1.2.3.4", "--address", "1.2.3.5"}),
        Line({"set-ip", kOffice, "--dry-run", "--wait"}),
        Line({"set-ip", kOffice, "--password", "front01"}),
        Line({"set-wireless", kOffice, "--region", "TW"}),
        Line({"set-wireless", kOffice, "--region", "us"}),
        Line({"set-wireless", kOffice, "--agree-region"}),
        Line({"set-wireless", kOffice, "--infrastructure", "--adhoc"}),
        Line({"set-wireless", kOffice, "--infrastructure", "--channel", "6"}),
        Line({"set-wireless", kOffice, "--key", "5=0011223344"}),
        Line({"set-wireless", kOffice, "--wep", "off", "--default-key", "2"}),
        Line({"set-wireless", kOffice, "--ssid", "012345678901234567890123456789012"}),
        Line({"set-wireless", kOffice, "--ssid", "tab\there"}),
        Line({"set-wireless", kOffice, "--passphrase", "x", "--key", "1=0011223344"}),
        QStringList{QStringLiteral("set-wireless"), QString::fromLatin1(kOffice),
                    QStringLiteral("--passphrase"), secret[0]},
        QStringList{QStringLiteral("set-wireless"), QString::fromLatin1(kOffice),
                    QStringLiteral("--key"), secret[1]},
    };
    int opened = 0;
    for (const QStringList& args : cases) {
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        FakePasswords passwords;
        vantoro::test::FakePlatform platform;
        const Services services{[&opened](const NetworkChoice&) {
                                    ++opened;
                                    return std::make_unique<vantoro::test::FakeTransport>();
                                },
                                passwords, platform};
        EXPECT_EQ(cli::Run(QStringList{QStringLiteral("vantoro-cli")} + args, outStream, errStream,
                           services),
                  ExitStatus::Usage)
            << args.join(u' ').toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("Usage: vantoro-cli ") + args.first()))
            << err.toStdString();
        for (const QString& text : secret) {
            EXPECT_FALSE(err.contains(text)) << "a secret was echoed";
        }
        EXPECT_TRUE(out.isEmpty());
    }
    EXPECT_EQ(opened, 0);
}

using SetIp = ChangeOnDemoLan;

TEST_F(SetIp, StartsFromTheReportedSettingsAndAppliesTheOptionsInOrder) {
    passwords_.environment = QStringLiteral("store02");
    // The PC's mask differs from the bridges', so each option's share is visible.
    platform_.adapters.list.adapters[0].addresses[0].subnetMask = QStringLiteral("255.255.0.0");
    const struct {
        QStringList args;
        const char* proto;
        const char* address;
        const char* mask;
    } cases[] = {
        {Line({kWarehouse}), "dhcp", "192.168.1.57", "255.255.255.0"},
        {Line({kWarehouse, "--static"}), "static", "192.168.1.57", "255.255.255.0"},
        {Line({kWarehouse, "--address", "192.168.1.300"}), "dhcp", "192.168.1.44", "255.255.255.0"},
        {Line({kWarehouse, "--suggest"}), "static", "192.168.1.11", "255.255.0.0"},
        {Line({kWarehouse, "--suggest", "--netmask", "255.255.255.0"}), "static", "192.168.1.11",
         "255.255.255.0"},
        {Line({kWarehouse, "--suggest", "--address", "192.168.7.7"}), "static", "192.168.7.7",
         "255.255.0.0"},
        {Line({kTaipei, "--static"}), "static", "172.16.5.23", "255.255.0.0"},
        // An address that is no dotted quad starts blank.
        {Line({kOdd, "--address", "10.0.0.5"}), "static", "10.0.0.5", "255.255.255.0"},
    };
    for (const auto& c : cases) {
        const QStringList args =
            Line({"set-ip", "--user", "admin", "--dry-run"}) + c.args; // options may lead
        EXPECT_EQ(Change(args), ExitStatus::Ok) << args.join(u' ').toStdString() << "\n"
                                                << err_.toStdString();
        EXPECT_EQ(Items(), (QStringList{QStringLiteral("wan_proto ") + QLatin1String(c.proto),
                                        QStringLiteral("wan_ipaddr ") + QLatin1String(c.address),
                                        QStringLiteral("wan_netmask ") + QLatin1String(c.mask)}))
            << args.join(u' ').toStdString();
    }
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(SetIp, ChecksRunAfterTheLoginInTheWindowsOrderAndSendNothing) {
    passwords_.environment = QStringLiteral("front01");
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {Line({"--netmask", "255.255.255.254"}),
         "Invalid Subnet mask, please input correct Subnet mask.\n"},
        {Line({"--address", "192.168.1.255"}),
         "IP Address is a broadcast address in IP Subnet Mask setting.\n"},
        {Line({"--address", "224.0.0.1", "--netmask", "255.0.0.0"}),
         "IP address is an invalid address, please input correct IP address.\n"},
    };
    for (const auto& c : cases) {
        const QStringList args = Line({"set-ip", kOffice, "--user", "admin"}) + c.args;
        EXPECT_EQ(Change(args), ExitStatus::Refused) << args.join(u' ').toStdString();
        EXPECT_EQ(err_, QLatin1String(c.message));
        EXPECT_TRUE(out_.isEmpty());
    }
    // The login comes first: a wrong user name wins over a bad mask.
    EXPECT_EQ(Change(Line({"set-ip", kOffice, "--user", "Admin", "--netmask", "255.255.255.254"})),
              ExitStatus::LoginRefused);
    EXPECT_EQ(err_, QStringLiteral("Invalid User name or Password.\n"));
    // The blank address of a record that does not parse fails like a blank control.
    EXPECT_EQ(Change(Line({"set-ip", kOdd})), ExitStatus::Refused);
    EXPECT_EQ(err_, QStringLiteral("IP Address is a network address in IP Subnet Mask setting.\n"));
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(SetIp, ThePasswordComesFromTheEnvironmentThenStdinThenTheTerminal) {
    const struct {
        std::optional<QString> environment;
        bool passwordStdin;
        std::optional<QString> stdinLine;
        bool terminal;
        std::optional<QString> typed;
        ExitStatus status;
    } cases[] = {
        {QStringLiteral("front01"), true, QStringLiteral("wrong"), true, {}, ExitStatus::Ok},
        {QStringLiteral("wrong"),
         true,
         QStringLiteral("front01"),
         false,
         {},
         ExitStatus::LoginRefused},
        {{}, true, QStringLiteral("front01"), true, QStringLiteral("wrong"), ExitStatus::Ok},
        {{}, true, {}, true, QStringLiteral("front01"), ExitStatus::Usage}, // stdin held no line
        {{}, false, QStringLiteral("front01"), true, QStringLiteral("front01"), ExitStatus::Ok},
        {{}, false, QStringLiteral("front01"), false, {}, ExitStatus::Usage},
        {{}, false, {}, true, {}, ExitStatus::Usage},                // the prompt read nothing
        {QString(), false, {}, false, {}, ExitStatus::LoginRefused}, // set, but empty
    };
    for (const auto& c : cases) {
        passwords_ = FakePasswords{};
        passwords_.environment = c.environment;
        passwords_.stdinLine = c.stdinLine;
        passwords_.terminal = c.terminal;
        passwords_.typed = c.typed;
        QStringList args = Line({"set-ip", kOffice, "--user", "admin", "--dry-run"});
        if (c.passwordStdin) {
            args.append(QStringLiteral("--password-stdin"));
        }
        EXPECT_EQ(Change(args), c.status) << &c - cases << ": " << err_.toStdString();
        EXPECT_EQ(passwords_.stdinReads, c.passwordStdin && !c.environment ? 1 : 0);
        EXPECT_EQ(passwords_.prompts.size(), !c.environment && !c.passwordStdin && c.terminal);
        for (const QString& prompt : passwords_.prompts) {
            EXPECT_TRUE(prompt.contains(QLatin1String(kOffice)));
        }
        if (c.status == ExitStatus::Usage) {
            EXPECT_TRUE(err_.contains(QLatin1String(kPasswordVariable)) ||
                        err_.contains(QStringLiteral("--password-stdin")))
                << err_.toStdString();
        }
        EXPECT_FALSE((out_ + err_).contains(QStringLiteral("front01")));
    }
}

TEST_F(SetIp, OnlyTheWholeCredentialsMatchAndABridgeWithoutVersionAsksNothing) {
    passwords_.environment = QStringLiteral("0123456789abcdef");
    EXPECT_EQ(Change(Line({"set-ip", kFull, "--user", "admin", "--dry-run"})), ExitStatus::Ok);
    // Cutting to the field's 16 characters would let this one through.
    passwords_.environment = QStringLiteral("0123456789abcdefX");
    EXPECT_EQ(Change(Line({"set-ip", kFull, "--user", "admin", "--dry-run"})),
              ExitStatus::LoginRefused);
    EXPECT_EQ(err_, QStringLiteral("Invalid User name or Password.\n"));
    passwords_.environment = QStringLiteral("front01");
    EXPECT_EQ(Change(Line({"set-ip", kOffice, "--dry-run"})), ExitStatus::LoginRefused);

    passwords_ = FakePasswords{};
    EXPECT_EQ(Change(Line({"set-ip", kTaipei, "--dry-run"})), ExitStatus::Ok);
    EXPECT_EQ(passwords_.stdinReads + passwords_.prompts.size(), 0);
}

TEST_F(SetIp, SendsOneExactRequestAndSaysTheBridgeReboots) {
    passwords_.environment = QStringLiteral("front01");
    EXPECT_EQ(Change(Line({"set-ip", kOffice, "--user", "admin", "--address", "192.168.1.77"})),
              ExitStatus::Ok);
    EXPECT_EQ(out_, QStringLiteral("The Bridge is now rebooting, please wait about 20 seconds.\n"));
    EXPECT_EQ(Sent(), QByteArrayList{QByteArray("Torva_MultiAp_mgnt 1002 REQ 02:4B:00:00:00:01 "
                                                "wan_proto static\rwan_ipaddr 192.168.1.77\r"
                                                "wan_netmask 255.255.255.0\r\r")});
    // One status request before it, and no discovery without --wait.
    EXPECT_EQ(lan_.requestLog().size(), 2);
}

TEST_F(SetIp, WaitConfirmsOnceTheBridgeAnswersAfterItsReboot) {
    EXPECT_EQ(Change(Line({"set-ip", kTaipei, "--static", "--address", "172.16.9.9", "--wait"})),
              ExitStatus::Ok)
        << err_.toStdString();
    // The demo bridge is silent for 20 seconds; the next scan finds it.
    EXPECT_GE(confirmedAfterMs_, 20000);
    EXPECT_LT(confirmedAfterMs_, 25000);
    EXPECT_TRUE(out_.startsWith(
        QStringLiteral("The Bridge is now rebooting, please wait about 20 seconds.\n"
                       "The bridge answers with the new settings:\n")));
    EXPECT_TRUE(out_.contains(QStringLiteral("IP Address :         172.16.9.9\n")));
    EXPECT_TRUE(out_.contains(QStringLiteral("IP Source :          Fixed\n")));
}

TEST_F(SetIp, NoAnswerToTheStatusRequestEndsWithStatusFourAndNothingSent) {
    EXPECT_EQ(Change(Line({"set-ip", "02:4B:00:00:00:99", "--dhcp"})), ExitStatus::NoAnswer);
    EXPECT_TRUE(err_.contains(QStringLiteral("no answer from bridge 02:4B:00:00:00:99")));
    EXPECT_TRUE(Sent().isEmpty());
}

TEST(SetIpProgram, RunsOverTheDemoLanWithThePasswordFromTheEnvironment) {
    qputenv(kPasswordVariable, "front01");
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const ExitStatus status = cli::Run(Line({"vantoro-cli", "set-ip", kOffice, "--user", "admin",
                                             "--dhcp", "--dry-run", "--demo"}),
                                       outStream, errStream, MakeTransport);
    qunsetenv(kPasswordVariable);
    EXPECT_EQ(status, ExitStatus::Ok) << err.toStdString();
    EXPECT_TRUE(out.startsWith(QStringLiteral("wan_proto dhcp\n"))) << out.toStdString();
}

} // namespace
} // namespace vantoro::cli::test
