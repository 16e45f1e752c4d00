#include "tests/app/ChangeTestSupport.h"

#include <QFile>
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
};

TEST_F(SetWireless, ActsOnTheDialogAsItOpensInTheOrderOfItsControls) {
    const struct {
        DemoBridge bridge;
        QStringList options;
        const char* items; // one per line, joined by '|'
    } cases[] = {
        {kOffice, Line({"--ssid", "Front Desk"}),
         "isl_wlg_ssid Front Desk|isl_wlg_nw_type 1|isl_wlg_privacy 0"},
        // Ad-hoc without the Ad-Hoc dialog sends the reported mode and channel.
        {kOffice, Line({"--adhoc"}),
         "isl_wlg_ssid Office|isl_wlg_nw_type 2|isl_wlg_profile 1|isl_wlg_channel 6|"
         "isl_wlg_privacy 0"},
        {kParis, Line({"--mode", "bg", "--channel", "13"}),
         "isl_wlg_ssid Atelier|isl_wlg_nw_type 2|isl_wlg_profile 1|isl_wlg_channel 13|"
         "isl_wlg_privacy 0"},
        // Another region starts at its first channel; the channel option comes after it.
        {kParis, Line({"--region", "US", "--agree-region"}),
         "isl_wlg_country US|isl_wlg_ssid Atelier|isl_wlg_nw_type 2|isl_wlg_profile 3|"
         "isl_wlg_channel 1|isl_wlg_privacy 0"},
        {kParis, Line({"--channel", "11", "--region", "US", "--agree-region"}),
         "isl_wlg_country US|isl_wlg_ssid Atelier|isl_wlg_nw_type 2|isl_wlg_profile 3|"
         "isl_wlg_channel 11|isl_wlg_privacy 0"},
        {kParis, Line({"--region", "FR", "--mode", "b"}),
         "isl_wlg_ssid Atelier|isl_wlg_nw_type 2|isl_wlg_profile 0|isl_wlg_channel 11|"
         "isl_wlg_privacy 0"},
        {kParis, Line({"--infrastructure"}),
         "isl_wlg_ssid Atelier|isl_wlg_nw_type 1|isl_wlg_privacy 0"},
        {kTaipei, Line({"--region", "JP", "--agree-region"}),
         "isl_wlg_country JP|isl_wlg_ssid Desk|isl_wlg_nw_type 1|isl_wlg_privacy 0"},
        {kWarehouse, Line({"--ssid", "Dock"}),
         "isl_wlg_ssid Dock|isl_wlg_nw_type 1|isl_wlg_privacy 1|isl_wlg_keyid 1|"
         "isl_wlg_key_1 0A1B2C3D4E|isl_wlg_empty_key_1 1|isl_wlg_key_2 1122334455|"
         "isl_wlg_empty_key_2 1|isl_wlg_empty_key_3 empty|isl_wlg_empty_key_4 empty"},
        {kWarehouse, Line({"--wep", "off"}),
         "isl_wlg_ssid Stock|isl_wlg_nw_type 1|isl_wlg_privacy 0"},
        // Typed keys keep their case; the mask leaves a key out.
        {kWarehouse, Line({"--key", "3=aabbccddee", "--key", "1=**********", "--default-key", "3"}),
         "isl_wlg_ssid Stock|isl_wlg_nw_type 1|isl_wlg_privacy 1|isl_wlg_keyid 2|"
         "isl_wlg_key_2 1122334455|isl_wlg_empty_key_2 1|isl_wlg_key_3 aabbccddee|"
         "isl_wlg_empty_key_3 1|isl_wlg_empty_key_4 empty"},
        // A new size empties every slot, the reported keys included.
        {kWarehouse,
         Line({"--key-size", "128", "--key", "4=00112233445566778899aabbcc", "--default-key", "4"}),
         "isl_wlg_ssid Stock|isl_wlg_nw_type 1|isl_wlg_privacy 1|isl_wlg_keyid 3|"
         "isl_wlg_empty_key_1 empty|isl_wlg_empty_key_2 empty|isl_wlg_empty_key_3 empty|"
         "isl_wlg_key_4 00112233445566778899aabbcc|isl_wlg_empty_key_4 1"},
        {kLab, Line({"--default-key", "3", "--key-size", "128"}),
         "isl_wlg_ssid Lab|isl_wlg_nw_type 1|isl_wlg_privacy 1|isl_wlg_keyid 2|"
         "isl_wlg_key_1 00112233445566778899AABBCC|isl_wlg_empty_key_1 1|"
         "isl_wlg_key_2 DEADBEEF0123456789ABCDEF01|isl_wlg_empty_key_2 1|"
         "isl_wlg_key_3 0F1E2D3C4B5A69788796A5B4C3|isl_wlg_empty_key_3 1|"
         "isl_wlg_empty_key_4 empty"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DryRun(c.bridge, c.options), ExitStatus::Ok)
            << c.bridge.mac << ' ' << c.options.join(u' ').toStdString() << "\n"
            << err_.toStdString();
        EXPECT_EQ(Items().join(u'|'), QLatin1String(c.items))
            << c.bridge.mac << ' ' << c.options.join(u' ').toStdString();
    }
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(SetWireless, RulesRefuseWithTheirOwnMessagesAndSendNothing) {
    const struct {
        DemoBridge bridge;
        QStringList options;
        const char* message;
    } cases[] = {
        // An empty key may be left for another, but not applied as the key in use.
        {kWarehouse, Line({"--key", "2="}),
         "Invalid length.\nPlease type in 10 digit Hex number.\n"},
        {kTaipei,
         {},
         "Please select a Country/Region\ngive the region with --region CODE --agree-region\n"},
        {kParis, Line({"--channel", "9"}),
         "channel 9 is not offered in France: choose a channel from 10 to 13 with --channel\n"},
        {kTaipei, Line({"--adhoc", "--mode", "b"}),
         "no channel is offered in the region 'TW': choose a region with --region\n"},
        {kOffice, Line({"--mode", "g"}),
         "--mode and --channel set up an ad-hoc network: this bridge is in an infrastructure "
         "network (add --adhoc)\n"},
        {kOffice, Line({"--key", "1=0011223344"}),
         "this bridge has WEP off: the key options need --wep on as well\n"},
        {kOffice, Line({"--region", "DE"}),
         "Selecting the incorrect region may result in a\nviolation of applicable law. Do you "
         "agree\nto act in accordance with these settings?\nnothing was sent: add --agree-region "
         "to agree\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DryRun(c.bridge, c.options), ExitStatus::Refused)
            << c.bridge.mac << ' ' << c.options.join(u' ').toStdString();
        EXPECT_EQ(err_, QLatin1String(c.message));
        EXPECT_TRUE(out_.isEmpty());
    }
    // Without --dry-run the same refusal sends nothing either.
    passwords_.environment = QStringLiteral("front01");
    EXPECT_EQ(Change(Line({"set-wireless", kOffice.mac, "--user", "admin", "--region", "DE"})),
              ExitStatus::Refused);
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(SetWireless, ARequestThatChangesNothingIsNotSent) {
    const struct {
        const char* password;
        QStringList args;
        bool changes;
    } cases[] = {
        {"front01", Line({"set-wireless", kOffice.mac, "--ssid", "Office", "--infrastructure"}),
         false},
        {"front01", Line({"set-wireless", kOffice.mac, "--region", "US", "--wep", "off"}), false},
        {"paris04", Line({"set-wireless", kParis.mac, "--mode", "g", "--channel", "11"}), false},
        {"store02",
         Line({"set-wireless", kWarehouse.mac, "--key-size", "64", "--key", "1=0A1B2C3D4E", "--key",
               "3=", "--key", "4=**********", "--default-key", "2"}),
         false},
        {"lab03", Line({"set-wireless", kLab.mac, "--wep", "on"}), false},
        {"front01", Line({"set-ip", kOffice.mac, "--static", "--address", "192.168.1.250"}), false},
        {"store02", Line({"set-ip", kWarehouse.mac, "--dhcp", "--netmask", "255.255.255.0"}),
         false},
        // Each setting on its own makes a change.
        {"front01", Line({"set-wireless", kOffice.mac, "--ssid", "office"}), true},
        {"front01", Line({"set-wireless", kOffice.mac, "--region", "CA", "--agree-region"}), true},
        {"front01", Line({"set-wireless", kOffice.mac, "--adhoc"}), true},
        {"paris04", Line({"set-wireless", kParis.mac, "--mode", "b"}), true},
        {"paris04", Line({"set-wireless", kParis.mac, "--channel", "12"}), true},
        {"front01", Line({"set-wireless", kOffice.mac, "--wep", "on", "--passphrase", "x"}), true},
        {"store02", Line({"set-wireless", kWarehouse.mac, "--default-key", "1"}), true},
        {"store02", Line({"set-wireless", kWarehouse.mac, "--key", "1=0a1b2c3d4e"}), true},
        {"store02", Line({"set-wireless", kWarehouse.mac, "--key", "3=0011223344"}), true},
        {"store02", Line({"set-wireless", kWarehouse.mac, "--passphrase", "x"}), true},
        {"store02",
         Line({"set-wireless", kWarehouse.mac, "--key-size", "128", "--passphrase", "x"}), true},
        {"front01", Line({"set-ip", kOffice.mac, "--dhcp"}), true},
        {"front01", Line({"set-ip", kOffice.mac, "--netmask", "255.255.0.0"}), true},
        {"store02", Line({"set-ip", kWarehouse.mac, "--address", "192.168.1.58"}), true},
    };
    for (const auto& c : cases) {
        passwords_.environment = QString::fromLatin1(c.password);
        EXPECT_EQ(Change(c.args + Line({"--user", "admin", "--dry-run"})), ExitStatus::Ok)
            << c.args.join(u' ').toStdString() << "\n"
            << err_.toStdString();
        EXPECT_EQ(out_ == QStringLiteral("Nothing to change: the bridge already has these "
                                         "settings.\n"),
                  !c.changes)
            << c.args.join(u' ').toStdString() << out_.toStdString();
    }
    // Without --dry-run nothing goes out either.
    passwords_.environment = QStringLiteral("front01");
    EXPECT_EQ(Change(Line({"set-wireless", kOffice.mac, "--user", "admin", "--ssid", "Office"})),
              ExitStatus::Ok);
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(SetWireless, ThePassphraseAndTheKeysMayComeFromFiles) {
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QByteArray& content) {
        QFile file(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    };
    const QString passphrase = write("pass", "Zebra-Secret-42\nnot part of it\n");
    const QString keys = write("keys", "3=aabbccddee\r\n\n1=**********\n");
    const QString bad = write("bad", "1=0011223344\nsecret-line\n");
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
        const QString expected = out_;
        EXPECT_EQ(DryRun(kWarehouse, c.fromFile + Line({"--default-key", "3"})), ExitStatus::Ok)
            << err_.toStdString();
        EXPECT_EQ(out_, expected);
    }
    EXPECT_EQ(DryRun(kWarehouse, Line({"--keys-file"}) + QStringList{bad}), ExitStatus::Usage);
    EXPECT_EQ(err_, QStringLiteral("--keys-file: line 2 is not N=HEX, with N from 1 to 4"));
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
            << err_.toStdString();
        const KeyTexts keys = GenerateWepKeys(view, c.size);
        QStringList expected;
        for (int k = 0; k < kKeyCount; ++k) {
            expected.append(
                QStringLiteral("isl_wlg_key_%1 %2").arg(k + 1).arg(keys[size_t(k)].toQString()));
            expected.append(QStringLiteral("isl_wlg_empty_key_%1 1").arg(k + 1));
        }
        EXPECT_EQ(Items().mid(4), expected) << c.options.join(u' ').toStdString();
        EXPECT_FALSE((out_ + err_).contains(passphrase));
    }
}

TEST_F(SetWireless, SendsOneExactRequestAndWaitConfirmsAfterTheReboot) {
    passwords_.environment = QString::fromLatin1(kParis.password);
    EXPECT_EQ(Change(Line({"set-wireless", kParis.mac, "--user", "admin", "--ssid", "Studio",
                           "--channel", "12", "--wait"})),
              ExitStatus::Ok)
        << err_.toStdString();
    EXPECT_EQ(Sent(), QByteArrayList{QByteArray(
                          "Torva_MultiAp_mgnt 1002 REQ 02:4B:00:00:00:04 isl_wlg_ssid Studio\r"
                          "isl_wlg_nw_type 2\risl_wlg_profile 3\risl_wlg_channel 12\r"
                          "isl_wlg_privacy 0\r\r")});
    EXPECT_GE(confirmedAfterMs_, 20000);
    EXPECT_TRUE(out_.contains(QStringLiteral("The bridge answers with the new settings:\n")));
    EXPECT_TRUE(out_.contains(QStringLiteral("Network Name(SSID) : Studio\n")));
    EXPECT_TRUE(out_.contains(QStringLiteral("Channel :            12\n")));
}

TEST_F(SetWireless, WaitEndsWithStatusFourWhenTheBridgeKeepsItsOldSettings) {
    // The bridge refuses an empty network name and goes on answering with its old one.
    passwords_.environment = QString::fromLatin1(kOffice.password);
    EXPECT_EQ(
        Change(Line({"set-wireless", kOffice.mac, "--user", "admin", "--ssid", "", "--wait"})),
        ExitStatus::NoAnswer);
    EXPECT_EQ(Sent().size(), 1);
    EXPECT_TRUE(err_.contains(QStringLiteral("did not answer with the new settings within 60 "
                                             "seconds")))
        << err_.toStdString();
    EXPECT_TRUE(out_.contains(QStringLiteral("Its last answer:\n")));
    EXPECT_TRUE(out_.contains(QStringLiteral("Network Name(SSID) : Office\n")));
}

} // namespace
} // namespace vantoro::cli::test
