#include "tests/app/ChangeTestSupport.h"
#include "tests/support/Files.h"

#include <QTemporaryDir>

namespace vantoro::cli::test {
namespace {

struct DemoBridge {
    const char* mac;
    const char* password;
};
constexpr DemoBridge kOffice{"02:4B:00:00:00:01", "front01"};    // US, ch 6, no WEP
constexpr DemoBridge kWarehouse{"02:4B:00:00:00:02", "store02"}; // DE, WEP 64, key 2 of 2
constexpr DemoBridge kLab{"02:4B:00:00:00:03", "lab03"};         // GB, WEP 128, key 1 of 3
constexpr DemoBridge kParis{"02:4B:00:00:00:04", "paris04"};     // FR, ad-hoc ch 11, 802.11g
constexpr DemoBridge kTaipei{"02:4B:00:00:00:05", ""};           // TW, not in the table

class SetWireless : public ChangeOnDemoLan {
protected:
    ExitStatus DryRun(const DemoBridge& bridge, const QStringList& options) {
        passwords_.environment = QString::fromLatin1(bridge.password);
        return Change(Line({"set-wireless", bridge.mac, "--user", "admin", "--dry-run"}) + options);
    }
    // The options split at spaces; '_' stands for a space inside a value.
    ExitStatus DryRun(const DemoBridge& bridge, const char* options) {
        return DryRun(bridge, QString::fromLatin1(options)
                                  .split(u' ', Qt::SkipEmptyParts)
                                  .replaceInStrings(QStringLiteral("_"), QStringLiteral(" ")));
    }
};

// Which items go out, and in what order, is the request builder's to test; here, which values the
// options leave in the dialog. A case's items must appear in a row, '^' at the start of the list.
TEST_F(SetWireless, ActsOnTheDialogAsItOpensInTheOrderOfItsControls) {
    const struct {
        DemoBridge bridge;
        const char* options;
        const char* items; // one per line, joined by '|'
    } cases[] = {
        {kOffice, "--ssid Front_Desk", "^isl_wlg_ssid Front Desk|isl_wlg_nw_type 1|"},
        // Ad-hoc without the Ad-Hoc dialog sends the reported mode and channel.
        {kOffice, "--adhoc", "|isl_wlg_nw_type 2|isl_wlg_profile 1|isl_wlg_channel 6|"},
        {kParis, "--mode bg --channel 13", "|isl_wlg_profile 1|isl_wlg_channel 13|"},
        // Another region starts at its first channel; the channel option comes after it.
        {kParis, "--region US --agree-region",
         "^isl_wlg_country US|isl_wlg_ssid Atelier|isl_wlg_nw_type 2|isl_wlg_profile 3|"
         "isl_wlg_channel 1|"},
        {kParis, "--channel 11 --region US --agree-region", "|isl_wlg_channel 11|"},
        {kParis, "--region FR --mode b",
         "^isl_wlg_ssid Atelier|isl_wlg_nw_type 2|isl_wlg_profile 0|isl_wlg_channel 11|"},
        {kParis, "--infrastructure", "|isl_wlg_nw_type 1|isl_wlg_privacy 0|"},
        {kTaipei, "--region JP --agree-region", "^isl_wlg_country JP|"},
        {kWarehouse, "--ssid Dock",
         "|isl_wlg_privacy 1|isl_wlg_keyid 1|isl_wlg_key_1 0A1B2C3D4E|isl_wlg_empty_key_1 1|"
         "isl_wlg_key_2 1122334455|isl_wlg_empty_key_2 1|isl_wlg_empty_key_3 empty|"},
        {kWarehouse, "--wep off", "|isl_wlg_privacy 0|"},
        // Typed keys keep their case; the mask leaves a key out.
        {kWarehouse, "--key 3=aabbccddee --key 1=********** --default-key 3",
         "|isl_wlg_keyid 2|isl_wlg_key_2 1122334455|isl_wlg_empty_key_2 1|"
         "isl_wlg_key_3 aabbccddee|"},
        // A new size empties every slot, the reported keys included.
        {kWarehouse, "--key-size 128 --key 4=00112233445566778899aabbcc --default-key 4",
         "|isl_wlg_keyid 3|isl_wlg_empty_key_1 empty|isl_wlg_empty_key_2 empty|"},
        {kLab, "--default-key 3 --key-size 128",
         "|isl_wlg_keyid 2|isl_wlg_key_1 00112233445566778899AABBCC|"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DryRun(c.bridge, c.options), ExitStatus::Ok)
            << c.bridge.mac << ' ' << c.options << "\n"
            << io_.err.toStdString();
        const QString items = u'^' + Items().join(u'|') + u'|';
        EXPECT_TRUE(items.contains(QLatin1String(c.items)))
            << c.bridge.mac << ' ' << c.options << ": " << items.toStdString();
    }
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(SetWireless, RulesRefuseWithTheirOwnMessagesAndSendNothing) {
    const struct {
        DemoBridge bridge;
        const char* options;
        const char* message;
    } cases[] = {
        // An empty key may be left for another, but not applied as the key in use.
        {kWarehouse, "--key 2=", "Invalid length.\nPlease type in 10 digit Hex number.\n"},
        {kTaipei, "",
         "Please select a Country/Region\ngive the region with --region CODE --agree-region\n"},
        {kParis, "--channel 9",
         "channel 9 is not offered in France: choose a channel from 10 to 13 with --channel\n"},
        {kTaipei, "--adhoc --mode b",
         "no channel is offered in the region 'TW': choose a region with --region\n"},
        {kOffice, "--mode g",
         "--mode and --channel set up an ad-hoc network: this bridge is in an infrastructure "
         "network (add --adhoc)\n"},
        {kOffice, "--key 1=0011223344",
         "this bridge has WEP off: the key options need --wep on as well\n"},
        {kOffice, "--region DE",
         "Selecting the incorrect region may result in a\nviolation of applicable law. Do you "
         "agree\nto act in accordance with these settings?\nnothing was sent: add --agree-region "
         "to agree\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DryRun(c.bridge, c.options), ExitStatus::Refused)
            << c.bridge.mac << ' ' << c.options;
        EXPECT_EQ(io_.err, QLatin1String(c.message));
        EXPECT_TRUE(io_.out.isEmpty());
    }
    // Without --dry-run a refusal sends nothing: SetIp and ChangeOverUdpTest.
}

TEST_F(SetWireless, ARequestThatChangesNothingIsNotSent) {
    const struct {
        DemoBridge bridge;
        const char* line; // the command and its options, at spaces; the identifier goes in after it
        bool changes;
    } cases[] = {
        {kOffice, "set-wireless --ssid Office --infrastructure", false},
        {kOffice, "set-wireless --region US --wep off", false},
        {kParis, "set-wireless --mode g --channel 11", false},
        {kWarehouse,
         "set-wireless --key-size 64 --key 1=0A1B2C3D4E --key 3= --key 4=********** "
         "--default-key 2",
         false},
        {kLab, "set-wireless --wep on", false},
        {kOffice, "set-ip --static --address 192.168.1.250", false},
        {kWarehouse, "set-ip --dhcp --netmask 255.255.255.0", false},
        // Each setting on its own makes a change.
        {kOffice, "set-wireless --ssid office", true},
        {kOffice, "set-wireless --region CA --agree-region", true},
        {kOffice, "set-wireless --adhoc", true},
        {kParis, "set-wireless --mode b", true},
        {kParis, "set-wireless --channel 12", true},
        {kOffice, "set-wireless --wep on --passphrase x", true},
        {kWarehouse, "set-wireless --default-key 1", true},
        {kWarehouse, "set-wireless --key 1=0a1b2c3d4e", true},
        {kWarehouse, "set-wireless --key 3=0011223344", true},
        {kWarehouse, "set-wireless --key-size 128 --passphrase x", true},
        {kOffice, "set-ip --dhcp", true},
        {kOffice, "set-ip --netmask 255.255.0.0", true},
        {kWarehouse, "set-ip --address 192.168.1.58", true},
    };
    for (const auto& c : cases) {
        passwords_.environment = QString::fromLatin1(c.bridge.password);
        QStringList args = QString::fromLatin1(c.line).split(u' ');
        args.insert(1, QString::fromLatin1(c.bridge.mac));
        EXPECT_EQ(Change(args + Line({"--user", "admin", "--dry-run"})), ExitStatus::Ok)
            << c.line << "\n"
            << io_.err.toStdString();
        EXPECT_EQ(io_.out == QStringLiteral("Nothing to change: the bridge already has these "
                                            "settings.\n"),
                  !c.changes)
            << c.line << io_.out.toStdString();
    }
    // Without --dry-run nothing goes out either: ChangeOverUdpTest.
}

TEST_F(SetWireless, ThePassphraseAndTheKeysMayComeFromFiles) {
    QTemporaryDir dir;
    const QString passphrase =
        vantoro::test::WriteFile(dir.filePath("pass"), "Zebra-Secret-42\nnot part of it\n");
    const QString keys =
        vantoro::test::WriteFile(dir.filePath("keys"), "3=aabbccddee\r\n\n1=**********\n");
    const QString bad =
        vantoro::test::WriteFile(dir.filePath("bad"), "1=0011223344\nsecret-line\n");
    const struct {
        QStringList fromFile;
        QStringList fromLine;
    } cases[] = {
        {Line({"--passphrase-file"}) + QStringList{passphrase},
         Line({"--passphrase", "Zebra-Secret-42"})},
        {Line({"--keys-file"}) + QStringList{keys},
         Line({"--key", "3=aabbccddee", "--key", "1=**********"})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DryRun(kWarehouse, c.fromLine + Line({"--default-key", "3"})), ExitStatus::Ok);
        const QString expected = io_.out;
        EXPECT_EQ(DryRun(kWarehouse, c.fromFile + Line({"--default-key", "3"})), ExitStatus::Ok)
            << io_.err.toStdString();
        EXPECT_EQ(io_.out, expected);
    }
    EXPECT_EQ(DryRun(kWarehouse, Line({"--keys-file"}) + QStringList{bad}), ExitStatus::Usage);
    EXPECT_EQ(io_.err, QStringLiteral("--keys-file: line 2 is not N=HEX, with N from 1 to 4"));
}

TEST_F(SetWireless, APassphraseMakesTheKeysOfTheChosenSizeAndIsNeverShown) {
    const QString passphrase = QStringLiteral("Zebra-Secret-42");
    const QByteArray bytes = passphrase.toLatin1();
    const std::string_view view(bytes.constData(), size_t(bytes.size()));
    const struct {
        DemoBridge bridge;
        QStringList options;
        KeySize size;
    } cases[] = {
        {kLab, {}, KeySize::Bits128}, // the reported size
        {kLab, Line({"--key-size", "64", "--default-key", "4"}), KeySize::Bits64},
        {kOffice, Line({"--wep", "on"}), KeySize::Bits64},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DryRun(c.bridge, Line({"--passphrase"}) + QStringList{passphrase} + c.options),
                  ExitStatus::Ok)
            << io_.err.toStdString();
        const KeyTexts keys = GenerateWepKeys(view, c.size);
        QStringList expected;
        for (int k = 0; k < kKeyCount; ++k) {
            expected.append(
                QStringLiteral("isl_wlg_key_%1 %2").arg(k + 1).arg(keys[size_t(k)].toQString()));
            expected.append(QStringLiteral("isl_wlg_empty_key_%1 1").arg(k + 1));
        }
        EXPECT_EQ(Items().mid(4), expected) << c.options.join(u' ').toStdString();
        EXPECT_FALSE((io_.out + io_.err).contains(passphrase));
    }
}

TEST_F(SetWireless, WaitConfirmsTheNewSettingsOrEndsWithStatusFour) {
    passwords_.environment = QString::fromLatin1(kParis.password);
    EXPECT_EQ(
        Change(Line({"set-wireless", kParis.mac, "--user", "admin", "--ssid", "Studio", "--wait"})),
        ExitStatus::Ok)
        << io_.err.toStdString();
    EXPECT_EQ(Sent().size(), 1); // the bytes: ChangeOverUdpTest
    EXPECT_GE(confirmedAfterMs_, 20000);
    EXPECT_TRUE(io_.out.contains(QStringLiteral("The bridge answers with the new settings:\n")));
    EXPECT_TRUE(io_.out.contains(QStringLiteral("Network Name(SSID) : Studio\n")));

    // The bridge refuses an empty network name and goes on answering with its old one.
    passwords_.environment = QString::fromLatin1(kOffice.password);
    EXPECT_EQ(
        Change(Line({"set-wireless", kOffice.mac, "--user", "admin", "--ssid", "", "--wait"})),
        ExitStatus::NoAnswer);
    EXPECT_EQ(Sent().size(), 2);
    EXPECT_TRUE(io_.err.contains(QStringLiteral("did not answer with the new settings within 60 "
                                                "seconds")))
        << io_.err.toStdString();
    EXPECT_TRUE(io_.out.contains(QStringLiteral("Its last answer:\n")));
    EXPECT_TRUE(io_.out.contains(QStringLiteral("Network Name(SSID) : Office\n")));
}

} // namespace
} // namespace vantoro::cli::test
