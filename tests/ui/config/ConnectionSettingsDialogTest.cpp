#include "ui/config/ConnectionSettingsDialog.h"

#include "tests/support/CurrentDirectory.h"
#include "tests/support/DialogHarness.h"
#include "tests/support/FakeTransport.h"
#include "tests/support/ModalScript.h"
#include "ui/controls/HelpPane.h"
#include "ui/controls/KeyEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

namespace vantoro {
namespace {

// Plays the user against the dialog: every change goes through keys and clicks.
class ConnectionSettingsDialogTest : public ::testing::Test, public test::DialogHarness {
protected:
    // A bridge like the demo's warehouse: infrastructure in the US on channel 6, WEP with two
    // 64-bit keys and key 2 the default, on the second of two networks it sees.
    void SetUp() override {
        Bridge& b = bridge();
        b.macAddress.set("02:4B:00:00:00:02");
        b.networkType.set("1");
        b.channel.set("6");
        b.profile.set("1");
        b.country.set("US");
        b.privacy.set("1");
        b.keyLength.set("10");
        b.keyId.set("2");
        b.keys[0].set("0A1B2C3D4E");
        b.keys[1].set("1122334455");
        b.ssid.set("Office");
        b.ssidCount.set("2");
        b.ssidList[0].set("Lobby");
        b.ssidList[1].set("Office");
    }

    ConnectionSettingsDialog& Open() {
        dialog_ = std::make_unique<ConnectionSettingsDialog>(context, nullptr);
        dialog_->show();
        return *dialog_;
    }
    template <typename T> T& Find(const char* name) { return test::Child<T>(*dialog_, name); }
    QComboBox& List(const char* name) { return Find<QComboBox>(name); }
    KeyEdit& Key() { return Find<KeyEdit>("keyEdit"); }

    // Moves a closed list to item index with the arrow keys, one item per key (a refused step
    // puts the list back, so the number of keys is fixed up front).
    void Pick(const char* name, int index) {
        QComboBox& list = List(name);
        const int from = list.currentIndex();
        for (int i = 0; i < std::abs(index - from); ++i) {
            QTest::keyClick(&list, from < index ? Qt::Key_Down : Qt::Key_Up);
        }
    }
    // Check boxes and radios by the Space bar, as from the keyboard.
    void Toggle(const char* name) { QTest::keyClick(&Find<QAbstractButton>(name), Qt::Key_Space); }
    void Press(const char* button) { test::Click(*dialog_, button); }
    // Typing that may go beyond ASCII (keyClicks takes ASCII only).
    static void Type(QWidget* edit, const QString& text) {
        for (QChar c : text) {
            const Qt::Key key =
                c.unicode() <= 0xFF ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
            QTest::sendKeyEvent(QTest::Click, edit, key, QString(c), Qt::NoModifier);
        }
    }
    bool Focused(const char* name) { return dialog_->focusWidget() == &Find<QWidget>(name); }

    // The items of the single request sent, one "key value" each, with the notice, the close and
    // the rescan that follow it; only those whose key after "isl_wlg_" starts with a match of keys.
    // The request's whole form is the request builder's to test.
    QStringList Applied(const QString& keys = QStringLiteral(".")) {
        EXPECT_EQ(requests.size(), 1);
        EXPECT_EQ(Messages().value(Messages().size() - 1),
                  "The Bridge is now rebooting, please wait about 20 seconds.");
        EXPECT_FALSE(dialog_->isVisible());
        EXPECT_EQ(scansStarted, 1);
        const QByteArray head = "Torva_MultiAp_mgnt 1002 REQ 02:4B:00:00:00:02 ";
        const QByteArray sent = requests.value(0);
        EXPECT_TRUE(sent.startsWith(head) && sent.endsWith("\r\r")) << sent.toStdString();
        return QString::fromLatin1(sent.mid(head.size(), sent.size() - head.size() - 2))
            .split(u'\r')
            .filter(QRegularExpression("^isl_wlg_(" + keys + ")"));
    }
    void ExpectNothingSent() {
        EXPECT_TRUE(requests.isEmpty());
        EXPECT_TRUE(dialog_->isVisible());
        EXPECT_EQ(scansStarted, 0);
    }

    std::unique_ptr<ConnectionSettingsDialog> dialog_;
};

// --- Opening --------------------------------------------------------------------------------

TEST_F(ConnectionSettingsDialogTest, OpensOnWhatTheBridgeReported) {
    bridge().workProfile = 3; // left by an earlier Ad-Hoc dialog
    bridge().workChannel = 2;
    {
        const test::CurrentDirectory help(test::HelpFolder());
        Open();
    }

    ASSERT_NE(dialog_->helpPane(), nullptr);
    EXPECT_FALSE(dialog_->helpPane()->toPlainText().isEmpty());
    EXPECT_EQ(List("regionList").currentText(), "United States");
    EXPECT_EQ(List("networkTypeList").currentText(), "Infrastructure");
    EXPECT_FALSE(Find<QPushButton>("adHocButton").isEnabled());
    EXPECT_EQ(bridge().workProfile, 1);
    EXPECT_EQ(bridge().workChannel, 6);

    // WEP on: manual mode with the default key masked, the passphrase side off.
    EXPECT_TRUE(Find<QCheckBox>("useWepCheck").isChecked());
    EXPECT_TRUE(Find<QRadioButton>("manualRadio").isChecked());
    for (const char* off : {"passphraseLabel", "passphraseEdit", "passphraseSizeList"}) {
        EXPECT_FALSE(Find<QWidget>(off).isEnabled()) << off;
    }
    for (const char* on :
         {"passphraseRadio", "manualRadio", "keyIndexList", "keyEdit", "manualSizeList"}) {
        EXPECT_TRUE(Find<QWidget>(on).isEnabled()) << on;
    }
    EXPECT_EQ(List("keyIndexList").currentText(), "Key 2:");
    EXPECT_EQ(Key().text(), "1122334455");
    EXPECT_TRUE(Key().isMasked());
    EXPECT_EQ(List("manualSizeList").currentText(), "64 bits");
}

TEST_F(ConnectionSettingsDialogTest, NetworkNameBoxShowsTheCurrentNameFirstOrAtItsPlace) {
    struct Case {
        const char* ssid;
        const char* count;
        QStringList items;
        int current;
    };
    const Case cases[] = {
        {"Office", "2", {"Lobby", "Office"}, 1},
        {"Hidden", "2", {"Hidden", "Lobby", "Office"}, 0},
        {"office", "2", {"office", "Lobby", "Office"}, 0}, // letter case counts
        {"Office", "0", {"Office"}, 0},
        // Sixteen listed names at most, whatever the count says.
        {"Office", "40", QStringList({"Lobby", "Office"}) + QStringList(kMaxSsids - 2, ""), 1},
    };
    for (const Case& c : cases) {
        bridge().ssid.set(c.ssid);
        bridge().ssidCount.set(c.count);
        Open();
        QComboBox& names = List("networkNameBox");
        QStringList items;
        for (int i = 0; i < names.count(); ++i) {
            items << names.itemText(i);
        }
        EXPECT_EQ(items, c.items) << c.ssid << "/" << c.count;
        EXPECT_EQ(names.currentIndex(), c.current) << c.ssid << "/" << c.count;
    }
}

// --- Network and region ---------------------------------------------------------------------

TEST_F(ConnectionSettingsDialogTest, WithoutWepTheWholeGroupIsOffAnotherRegionGoesOutAfterYes) {
    bridge().networkType.set("2");
    bridge().profile.set("3");
    bridge().privacy.set("0");
    Open();
    EXPECT_FALSE(Find<QCheckBox>("useWepCheck").isChecked());
    for (const char* off : {"passphraseRadio", "manualRadio", "passphraseLabel", "passphraseEdit",
                            "passphraseSizeList", "keyIndexList", "keyEdit", "manualSizeList"}) {
        EXPECT_FALSE(Find<QWidget>(off).isEnabled()) << off;
    }
    EXPECT_EQ(List("networkTypeList").currentText(), "Ad-Hoc");
    EXPECT_TRUE(Find<QPushButton>("adHocButton").isEnabled());

    // The check box brings back manual mode, the mode it was left in.
    Toggle("useWepCheck");
    EXPECT_TRUE(Find<QWidget>("keyEdit").isEnabled());
    EXPECT_FALSE(Find<QWidget>("passphraseEdit").isEnabled());

    Pick("regionList", 6);
    EXPECT_EQ(regionCode.view(), "FR");
    EXPECT_EQ(bridge().workChannel, 10);

    messages.answers = {QMessageBox::No};
    Press("okButton");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(messages.shown[0].text.startsWith("Selecting the incorrect region"));
    ExpectNothingSent();
    // Declining puts the list back and, with it, the region the Ad-Hoc dialog offers.
    EXPECT_EQ(List("regionList").currentText(), "United States");
    EXPECT_EQ(regionCode.view(), "US");
    EXPECT_EQ(bridge().workChannel, 6);

    Pick("regionList", 7);
    messages.answers = {QMessageBox::Yes};
    Press("okButton");
    EXPECT_EQ(Applied("country|profile|channel"),
              QStringList({"isl_wlg_country IE", "isl_wlg_profile 3", "isl_wlg_channel 5"}));
}

TEST_F(ConnectionSettingsDialogTest, AdHocSendsTheModeAndChannelChosenAfterTheLogin) {
    bridge().version.set("2.1");
    bridge().userName.set("admin");
    bridge().password.set("store02");
    Open();
    Pick("networkTypeList", 1);
    QLineEdit* name = List("networkNameBox").lineEdit();
    name->selectAll();
    Type(name, QStringLiteral("Caf\u00E9 \u65E5") + QString(40, u'x'));
    EXPECT_EQ(name->text(), QStringLiteral("Caf\u00E9 ") + QString(27, u'x'));

    test::ModalScript script({
        [](QWidget& adHoc) {
            QTest::keyClick(&test::Child<QComboBox>(adHoc, "modeList"), Qt::Key_Home);
            QTest::keyClick(&test::Child<QComboBox>(adHoc, "channelList"), Qt::Key_Home);
            test::Click(adHoc, "okButton");
        },
        [](QWidget& prompt) {
            QTest::keyClicks(&test::Child<QLineEdit>(prompt, "userNameEdit"), "admin");
            QTest::keyClicks(&test::Child<QLineEdit>(prompt, "passwordEdit"), "store02");
            QTest::keyClick(&test::Child<QLineEdit>(prompt, "passwordEdit"), Qt::Key_Return);
        },
    });
    Press("adHocButton");
    EXPECT_EQ(bridge().workChannel, 1);
    Press("okButton");
    EXPECT_EQ(script.handled(), 2u);
    EXPECT_EQ(Applied("ssid|nw_type|profile|channel"),
              QStringList({QStringLiteral("isl_wlg_ssid Caf\u00E9 ") + QString(27, u'x'),
                           "isl_wlg_nw_type 2", "isl_wlg_profile 0", "isl_wlg_channel 1"}));
}

TEST_F(ConnectionSettingsDialogTest, AnUnknownRegionMustBeChosenFirst) {
    bridge().country.set("TW");
    Open();
    EXPECT_EQ(List("regionList").currentText(), "-Select Region-");
    EXPECT_EQ(regionCode.view(), "TW");
    Press("okButton");
    EXPECT_EQ(Messages(), QStringList{"Please select a Country/Region"});
    ExpectNothingSent();
}

TEST_F(ConnectionSettingsDialogTest, EnterAppliesOnlyOnTheFocusedOkButton) {
    Open();
    for (QWidget* target : {static_cast<QWidget*>(List("networkNameBox").lineEdit()),
                            static_cast<QWidget*>(&Key()), static_cast<QWidget*>(dialog_.get())}) {
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
    }
    EXPECT_TRUE(Messages().isEmpty());
    ExpectNothingSent();
    // Typing a name and pressing Enter adds nothing to the list either.
    QTest::keyClicks(List("networkNameBox").lineEdit(), "x");
    QTest::keyClick(List("networkNameBox").lineEdit(), Qt::Key_Return);
    EXPECT_EQ(List("networkNameBox").count(), 2);

    // Ad-Hoc and back: infrastructure sends no working values; without WEP, no keys.
    Pick("networkTypeList", 1);
    Pick("networkTypeList", 0);
    EXPECT_FALSE(Find<QPushButton>("adHocButton").isEnabled());
    Toggle("useWepCheck");
    Find<QPushButton>("okButton").setFocus();
    QTest::keyClick(&Find<QPushButton>("okButton"), Qt::Key_Enter);
    EXPECT_EQ(Applied(),
              QStringList({"isl_wlg_ssid Officex", "isl_wlg_nw_type 1", "isl_wlg_privacy 0"}));
}

TEST_F(ConnectionSettingsDialogTest, AReplyUnderTheOpenDialogChangesNothingThatIsSent) {
    bridge().networkType.set("2");
    bridge().channel.set("11");
    Open();
    Pick("regionList", 7); // Israel: channels 5 to 7
    // The dialog's own Status, Refresh: the bridge answers with what it has, channel 11.
    QByteArrayList reply = test::SimpleReply("02:4B:00:00:00:02").split('\r');
    reply[11] = "11";
    reply[28] = ""; // no version: no login
    test::ModalScript script({[&](QWidget& status) {
        test::Click(status, "refreshButton");
        Receive(reply.join('\r'));
        test::Click(status, "closeButton");
    }});
    Press("statusButton");
    ASSERT_EQ(script.handled(), 1u);
    // The record follows the reply; the dialog keeps what it showed.
    EXPECT_EQ(bridge().workChannel, 11);
    requests.clear();

    messages.answers = {QMessageBox::Yes};
    Press("okButton");
    EXPECT_EQ(Applied("country|channel"), QStringList({"isl_wlg_country IE", "isl_wlg_channel 5"}));
}

// --- Keys -----------------------------------------------------------------------------------

TEST_F(ConnectionSettingsDialogTest, KeyIndexChangeNeedsAFullKeyTheMaskOrNothing) {
    Open();
    QTest::keyClick(&Key(), Qt::Key_Backspace); // a masked key empties at once
    EXPECT_FALSE(Key().isMasked());
    QTest::keyClicks(&Key(), "123456789");
    Pick("keyIndexList", 2);
    EXPECT_EQ(Messages(),
              QStringList{"Invalid key length, please enter 10 Hex digits or leave it blank!!"});
    EXPECT_EQ(List("keyIndexList").currentText(), "Key 2:");
    EXPECT_TRUE(Focused("keyEdit"));

    QTest::keyClicks(&Key(), "a"); // the field kept what was typed
    Pick("keyIndexList", 2);
    EXPECT_EQ(dialog_->keyIndex(), 2);
    EXPECT_EQ(Key().text(), ""); // an empty slot is typed in clear
    EXPECT_FALSE(Key().isMasked());
    EXPECT_EQ(bridge().keys64[1].view(), "123456789a");

    Pick("keyIndexList", 1); // leaving an empty field is fine; a stored key comes back masked
    EXPECT_EQ(Key().text(), "123456789a");
    EXPECT_TRUE(Key().isMasked());

    Press("okButton");
    EXPECT_EQ(Applied("keyid|key_|empty_key_"),
              QStringList({"isl_wlg_keyid 1", "isl_wlg_key_1 0A1B2C3D4E", "isl_wlg_empty_key_1 1",
                           "isl_wlg_key_2 123456789a", "isl_wlg_empty_key_2 1",
                           "isl_wlg_empty_key_3 empty", "isl_wlg_empty_key_4 empty"}));
}

TEST_F(ConnectionSettingsDialogTest, AStoredKeyOfTheWrongLengthIsRefusedNotCutAMaskStaysUnsent) {
    bridge().keyId.set("1");
    bridge().keys[0].set("00112233445566778899AABBCC");
    bridge().keys[1].set("**********");
    Open();
    EXPECT_EQ(Key().text(), "00112233445566778899AABBCC");
    Press("okButton");
    EXPECT_EQ(Messages(), QStringList{"Invalid length.\r\nPlease type in 10 digit Hex number."});
    EXPECT_TRUE(Focused("keyEdit"));
    ExpectNothingSent();
    // Once replaced, typing is held to ten digits again.
    QTest::keyClick(&Key(), Qt::Key_Backspace);
    QTest::keyClicks(&Key(), "0123456789ABC");
    EXPECT_EQ(Key().text(), "0123456789");

    Pick("keyIndexList", 1); // the mask passes apply and is never sent
    Press("okButton");
    EXPECT_EQ(Applied("key_|empty_key_"),
              QStringList({"isl_wlg_key_1 0123456789", "isl_wlg_empty_key_1 1",
                           "isl_wlg_empty_key_3 empty", "isl_wlg_empty_key_4 empty"}));
}

TEST_F(ConnectionSettingsDialogTest, ManualSizeSwitchEmptiesEveryKeyFor128BitKeys) {
    Open();
    Pick("manualSizeList", 1);
    EXPECT_EQ(Key().text(), "");
    EXPECT_FALSE(Key().isMasked());
    EXPECT_TRUE(bridge().keys64[0].isEmpty());
    QTest::keyClicks(&Key(), QString(30, u'C'));
    EXPECT_EQ(Key().text(), QString(26, u'C'));

    Press("okButton");
    EXPECT_EQ(Applied("key_|empty_key_[12]"),
              QStringList({"isl_wlg_empty_key_1 empty", "isl_wlg_key_2 " + QString(26, u'C'),
                           "isl_wlg_empty_key_2 1"}));
}

TEST_F(ConnectionSettingsDialogTest, PassphraseRegeneratesOnEveryKeystroke) {
    Open();
    Toggle("passphraseRadio");
    EXPECT_EQ(dialog_->keyMode(), KeyMode::Passphrase);
    EXPECT_TRUE(Focused("passphraseEdit"));
    EXPECT_FALSE(Find<QWidget>("keyEdit").isEnabled());
    EXPECT_TRUE(bridge().keys64[0].isEmpty()); // the stored keys of that size are gone
    EXPECT_FALSE(Key().isMasked());

    QLineEdit& passphrase = Find<QLineEdit>("passphraseEdit");
    Type(&passphrase, QStringLiteral("badpw\u65E5"));
    EXPECT_EQ(passphrase.text(), "badpw");
    EXPECT_EQ(Key().text(), "C27236DFB1"); // key 2 of "badpw"

    // Manual mode forgets the passphrase and what it made; back again starts from nothing.
    Toggle("manualRadio");
    EXPECT_EQ(passphrase.text(), "");
    EXPECT_EQ(Key().text(), "");
    EXPECT_TRUE(Focused("keyEdit"));
    EXPECT_TRUE(bridge().keys64[1].isEmpty());
    Toggle("passphraseRadio");
    QTest::keyClicks(&passphrase, "x");

    // 128 bits: the passphrase starts over, the manual list follows, one key four times.
    Pick("passphraseSizeList", 1);
    EXPECT_EQ(passphrase.text(), "");
    EXPECT_EQ(List("manualSizeList").currentText(), "128 bits");
    QTest::keyClicks(&passphrase, "abc");
    EXPECT_EQ(Key().text(), "EFEFEEDAE197ED614B582E1490");

    Press("okButton");
    QStringList keys;
    for (char k = '1'; k <= '4'; ++k) {
        keys << QStringLiteral("isl_wlg_key_%1 EFEFEEDAE197ED614B582E1490").arg(k);
    }
    EXPECT_EQ(Applied("key_"), keys);
}

} // namespace
} // namespace vantoro
