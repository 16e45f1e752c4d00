#include "tests/app/ChangeTestSupport.h"
#include "tests/support/FakeTransport.h"

namespace vantoro::cli::test {
namespace {

constexpr const char* kOffice = "02:4B:00:00:00:01";    // fixed 192.168.1.250/24, login
constexpr const char* kWarehouse = "02:4B:00:00:00:02"; // DHCP 192.168.1.57/24, login
constexpr const char* kOdd = "02:4B:00:00:00:07";       // address "unknown", no login
constexpr const char* kFull = "02:4B:00:00:00:08";      // password of 16 characters

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
        {Line({kWarehouse, "--static"}), "static", "192.168.1.57", "255.255.255.0"},
        {Line({kWarehouse, "--address", "192.168.1.30"}), "dhcp", "192.168.1.30", "255.255.255.0"},
        {Line({kWarehouse, "--suggest"}), "static", "192.168.1.11", "255.255.0.0"},
        {Line({kWarehouse, "--suggest", "--netmask", "255.255.255.0"}), "static", "192.168.1.11",
         "255.255.255.0"},
        {Line({kWarehouse, "--suggest", "--address", "192.168.7.7"}), "static", "192.168.7.7",
         "255.255.0.0"},
        // An address that is no dotted quad starts blank.
        {Line({kOdd, "--address", "10.0.0.5"}), "static", "10.0.0.5", "255.255.255.0"},
    };
    for (const auto& c : cases) {
        const QStringList args =
            Line({"set-ip", "--user", "admin", "--dry-run"}) + c.args; // options may lead
        EXPECT_EQ(Change(args), ExitStatus::Ok) << args.join(u' ').toStdString() << "\n"
                                                << io_.err.toStdString();
        EXPECT_EQ(Items(), (QStringList{QStringLiteral("wan_proto ") + QLatin1String(c.proto),
                                        QStringLiteral("wan_ipaddr ") + QLatin1String(c.address),
                                        QStringLiteral("wan_netmask ") + QLatin1String(c.mask)}))
            << args.join(u' ').toStdString();
    }
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(SetIp, TheLoginComesFirstThenTheWindowsChecksAndNothingIsSentOnARefusalOrSilence) {
    const struct {
        QStringList args;
        const char* password; // in the environment; nullptr: none anywhere
        ExitStatus status;
        const char* err;
    } cases[] = {
        // A wrong user name wins over a bad mask (its message: the dialog's test).
        {Line({kOffice, "--user", "Admin", "--netmask", "255.255.255.254"}), "front01",
         ExitStatus::LoginRefused, "Invalid User name or Password.\n"},
        {Line({kOffice, "--netmask", "255.255.255.254"}), "front01", ExitStatus::Usage,
         "vantoro-cli: bridge 02:4B:00:00:00:01 asks for a login: give its user name with "
         "--user\n"},
        // Cutting the password to the field's 16 characters would let this one through.
        {Line({kFull, "--user", "admin"}), "0123456789abcdefX", ExitStatus::LoginRefused,
         "Invalid User name or Password.\n"},
        // The blank address of a record that does not parse fails like a blank control.
        {Line({kOdd}), nullptr, ExitStatus::Refused,
         "IP Address is a network address in IP Subnet Mask setting.\n"},
        // Near misses: CliDemoLan and StatusOverUdp.
        {Line({"02:4b:00:00:00:01", "--dhcp"}), nullptr, ExitStatus::NoAnswer,
         "vantoro-cli: no answer from bridge 02:4b:00:00:00:01 within 3 seconds\nvantoro-cli: did "
         "you mean 02:4B:00:00:00:01? identifiers compare exactly\n"},
    };
    for (const auto& c : cases) {
        passwords_ = FakePasswords{};
        if (c.password != nullptr) {
            passwords_.environment = QString::fromLatin1(c.password);
        }
        EXPECT_EQ(Change(Line({"set-ip"}) + c.args), c.status) << c.args.join(u' ').toStdString();
        EXPECT_EQ(io_.err, QLatin1String(c.err));
        EXPECT_TRUE(io_.out.isEmpty());
    }
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(SetIp, ThePasswordComesFromTheEnvironmentThenStdinThenTheTerminal) {
    const QString right = QStringLiteral("front01");
    const QString wrong = QStringLiteral("wrong");
    const struct {
        std::optional<QString> environment;
        bool passwordStdin;
        std::optional<QString> stdinLine;
        bool terminal;
        std::optional<QString> typed;
        ExitStatus status;
    } cases[] = {
        {right, true, wrong, true, {}, ExitStatus::Ok},
        {wrong, true, right, false, {}, ExitStatus::LoginRefused},
        {{}, true, right, true, wrong, ExitStatus::Ok},
        {{}, true, {}, true, right, ExitStatus::Usage}, // stdin held no line
        {{}, false, right, true, right, ExitStatus::Ok},
        {{}, false, right, false, {}, ExitStatus::Usage},
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
        EXPECT_EQ(Change(args), c.status) << &c - cases << ": " << io_.err.toStdString();
        EXPECT_EQ(passwords_.stdinReads, c.passwordStdin && !c.environment ? 1 : 0);
        EXPECT_EQ(passwords_.prompts.size(), !c.environment && !c.passwordStdin && c.terminal);
        for (const QString& prompt : passwords_.prompts) {
            EXPECT_TRUE(prompt.contains(QLatin1String(kOffice)));
        }
        if (c.status == ExitStatus::Usage) {
            EXPECT_TRUE(io_.err.contains(QLatin1String(kPasswordVariable)) ||
                        io_.err.contains(QStringLiteral("--password-stdin")))
                << io_.err.toStdString();
        }
        EXPECT_FALSE((io_.out + io_.err).contains(QStringLiteral("front01")));
    }
}

TEST_F(SetIp, AnAddressOutsideTheReportedGatewaysSubnetIsSentWithAWarning) {
    // The request's bytes and the reboot message: ChangeOverUdp.
    EXPECT_EQ(Change(Line({"set-ip", kOdd, "--address", "10.1.2.3"})), ExitStatus::Ok);
    EXPECT_EQ(io_.err, QStringLiteral("vantoro-cli: warning: the bridge keeps its default gateway "
                                      "192.168.1.1, which is outside the new subnet; only the "
                                      "bridge's web pages can change it\n"));
    EXPECT_EQ(Sent().size(), 1);
}

} // namespace
} // namespace vantoro::cli::test
